#include "target_list_report.h"

#include "messages.h"

namespace printing {

namespace {

QString blanks(qsizetype count)
{
    return QString(count, u' ');
}

// The greatest display length of the entries; 0 for an empty list.
qsizetype widestEntry(const QStringList &names)
{
    qsizetype widest = 0;
    for (const QString &name : names)
        widest = std::max(widest, displayLength(name));
    return widest;
}

} // namespace

qsizetype displayLength(const QString &text)
{
    qsizetype length = 0;
    for (auto it = text.cbegin(); it != text.cend(); ++it) {
        // A high surrogate followed by a low one is one character.
        if (it->isHighSurrogate() && it + 1 != text.cend() && (it + 1)->isLowSurrogate())
            ++it;
        ++length;
    }
    return length;
}

QStringList targetListReport(const QStringList &oldNames, const QStringList &newNames)
{
    const qsizetype oldWidth = widestEntry(oldNames);
    // Whether the report shows new names is decided once for all lines: an all-empty new-name
    // list counts as none, and every line then says "改名せず".
    const qsizetype newWidth = widestEntry(newNames);
    const qsizetype ruleLength = newWidth > 0 ? oldWidth + newWidth + 9 : oldWidth + 15;
    const QString rule = blanks(3) + QString(ruleLength, u'-');

    QStringList lines;
    lines.reserve(oldNames.size() + 4);
    lines << blanks(3) + msg::ReportTitle << rule;
    for (qsizetype i = 0; i < oldNames.size(); ++i) {
        const QString &oldName = oldNames.at(i);
        const QString after = newWidth > 0 ? newNames.value(i) : msg::ReportNotRenamed;
        lines << blanks(6) + blanks(oldWidth - displayLength(oldName)) + oldName + blanks(3)
                + after;
    }
    lines << rule
          << blanks(3) + msg::ReportSummaryHead + u' ' + QString::number(oldNames.size())
            + msg::ReportSummaryTail;
    return lines;
}

} // namespace printing
