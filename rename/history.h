// The rename history: numbered text files "VOXA" + file-type part + number + ".log" in the
// renamed folder. File 0 holds the names before the first recorded rename, file k the names
// after recorded rename k; files 0..N without a gap form the chain. Line j of every file of a
// chain names the same physical file at different times, which is what makes a batch undoable.
//
// Bytes on disk: Windows-31J (code page 932) with CR LF after every line, when every name of
// the file survives that code page exactly; such files are what existing readers of the
// format expect. A name that does not survive it (WAVE DASH U+301C, accented letters, emoji)
// would come back as a substitute and the rename could no longer be undone, so such a file is
// written as UTF-8 beginning with a byte-order mark instead. A Windows-31J file never starts
// with those three bytes, so the reader can always tell the two apart.
#pragma once

#include <QByteArray>
#include <QString>
#include <QStringList>

#include <optional>

namespace renaming {

class Folder;

// The writer never creates a number above this; from then on it rewrites this one.
inline constexpr int HighestHistoryNumber = 101;
// The restore and delete history look at numbers 0 to this.
inline constexpr int HighestChainNumber = 100;
// The most lines a history file may hold (the most files one batch can have).
inline constexpr int MaxHistoryLines = 9999;
// No well-formed history file comes near this size (9,999 names of at most 255 bytes).
inline constexpr qint64 MaxHistoryBytes = 8 * 1024 * 1024;

// The text of the pattern after its first "." ("*.jpg" gives "jpg"); the whole pattern
// when it has no dot.
QString fileTypePart(const QString &pattern);

// "VOXA" + file-type part + k + ".log".
QString historyFileName(const QString &typePart, int k);

// The folder path with the platform's separator appended unless it already ends with one.
QString folderPathOf(const QString &folder);

// The writer's next number: the first of 1..101 whose file cannot be opened for reading,
// or 101 when all of them open. Never looks at file 0.
int nextHistoryNumber(Folder &folder, const QString &typePart);

// The bytes of a history file holding `names`, one per line, CR LF after each.
QByteArray encodeHistory(const QStringList &names);

// The names of a history file. A file that starts with the UTF-8 byte-order mark is UTF-8,
// every other one Windows-31J. Lines end in CR LF or a bare LF. Returns nothing when the
// bytes are not valid in their encoding: a damaged file is never a source of guessed names.
std::optional<QStringList> decodeHistory(const QByteArray &bytes);

// Reads and decodes history file `name`; nothing when it cannot be read or decoded.
std::optional<QStringList> readHistory(Folder &folder, const QString &name);

} // namespace renaming
