// How names and paths are shown to people, and how a path's bytes travel as text.
//
// A file name may hold any character but "/" and NUL: an ESC in it would let a folder's
// contents drive a terminal (move the cursor, rewrite earlier lines, change the title), a TAB or
// a line separator would make one entry look like two, and a message box would break a name
// with a line break into two lines. escaped() shows every such character as an escape.
//
// A path on Linux is bytes, and not every byte string is UTF-8: a folder may be named with the
// byte 0xFF, whose usual decoding (U+FFFD) spells another folder's name. textOfBytes() keeps
// every byte: valid UTF-8 is decoded, and each byte that is not part of it becomes the lone
// surrogate U+DC00 + byte (no valid UTF-8 gives one), which bytesOfText() turns back into the
// byte and escaped() shows as "\xff".
#pragma once

#include <QByteArray>
#include <QString>

namespace renaming {

// `text` with control characters, invisible format characters and line or paragraph
// separators written as escapes ("\t", "\n", "\r", "\x1b", "\u200e"), and "\" as "\\", so that
// the escaped text shows every character and reads back unambiguously; a byte kept by
// textOfBytes() as "\xff".
QString escaped(const QString &text);

QString textOfBytes(QByteArrayView bytes);
QByteArray bytesOfText(const QString &text);
// Whether the text holds no byte kept by textOfBytes(): it came from valid UTF-8 alone.
bool isUtf8Text(const QString &text);

} // namespace renaming
