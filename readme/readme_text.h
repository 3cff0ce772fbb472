// The read-me text: the first lines of the read-me file "VOXA01.vxa" that lies beside the
// program, a Windows-31J (code page 932) text with CR LF line ends. The text ends after 1000
// lines, at the end of the file, or before the first line that begins with the end marker;
// the file may carry notes for its maintainers after that line. Both the read-me window and
// its printout read the text this way.
#pragma once

#include <QString>
#include <QStringList>

#include <optional>

class QIODevice;

namespace readme {

inline const QString ReadmeFileName = QStringLiteral("VOXA01.vxa");

// A line whose first four characters are these (case-sensitive) ends the read-me text.
inline const QString EndMarker = QStringLiteral("#END");

constexpr qsizetype MaxReadmeLines = 1000;

// Whether `line` is an end-marker line. Lines shorter than the marker never are.
bool isEndMarkerLine(const QString &line);

// The read-me text read from `in` (already open for reading), decoded from Windows-31J.
// Empty lines are kept as empty entries; a last line without a line end is a line too.
QStringList readReadme(QIODevice &in);

// The read-me text of the file at `path`; nothing when the file cannot be opened.
std::optional<QStringList> loadReadme(const QString &path);

// The read-me file's path in the program's folder `programFolder`.
QString readmePath(const QString &programFolder);

} // namespace readme
