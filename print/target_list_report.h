// The printed target list: the planned rename as plain text lines, one per target file with
// its current name right-aligned and the name it is to receive (or "改名せず" when no new
// names exist), between a title and rule above and a rule and file count below. Pure text
// layout, so that it can be checked without a printer.
#pragma once

#include <QStringList>

namespace printing {

// The width of `text` in report columns: one per character as a reader sees it (a code
// point), so a full-width character counts one, like a half-width one, and a character
// outside the Basic Multilingual Plane is not counted twice for its surrogate pair.
qsizetype displayLength(const QString &text);

// The report lines for the target list `oldNames` and the new-name list `newNames` (entry i
// belongs to target i; the list may be shorter than the target list).
QStringList targetListReport(const QStringList &oldNames, const QStringList &newNames);

} // namespace printing
