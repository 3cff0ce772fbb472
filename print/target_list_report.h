// The printed target list: the planned rename as plain text lines, one per target file with
// its current name right-aligned and the name it is to receive (or "改名せず" when no new
// names exist), between a title and rule above and a rule and file count below. Pure text
// layout (QtCore and ICU), so that it can be checked without a printer.
//
// The columns are aligned with blanks, counted in display columns: in the fixed-pitch face
// the report is printed in, a full-width character is exactly as wide as two blanks. Counted
// in characters, as the form once did, every line with Japanese names would push its new name
// further right, and the rules would end short of the lines. A report of ASCII names is the
// same either way.
#pragma once

#include <QStringList>

namespace printing {

// The width of `text` in report columns, as a Japanese fixed-pitch face lays it out: two for a
// wide or full-width character (East Asian Width W or F: kanji, kana, full-width forms, "〜"),
// and two for a character of ambiguous width that the Japanese code page holds as a double-byte
// character ("○", "※", "①", "α", "×"), which Japanese faces draw full-width; one for any other
// character (Latin, "é", half-width kana). Counted by code point, so a character outside the
// Basic Multilingual Plane counts once, not once per half of its surrogate pair.
qsizetype displayWidth(const QString &text);

// The report lines for the target list `oldNames` and the new-name list `newNames` (entry i
// belongs to target i; the list may be shorter than the target list).
QStringList targetListReport(const QStringList &oldNames, const QStringList &newNames);

} // namespace printing
