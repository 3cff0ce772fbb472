#include "target_list_report.h"

#include "messages.h"

#include <unicode/uchar.h>

namespace printing {

namespace {

QString blanks(qsizetype count)
{
    return QString(count, u' ');
}

// The greatest display width of the entries; 0 for an empty list.
qsizetype widestEntry(const QStringList &names)
{
    qsizetype widest = 0;
    for (const QString &name : names)
        widest = std::max(widest, displayWidth(name));
    return widest;
}

} // namespace

qsizetype displayWidth(const QString &text)
{
    qsizetype width = 0;
    for (const char32_t c : QStringView(text).toUcs4()) {
        const auto eaw = u_getIntPropertyValue(UChar32(c), UCHAR_EAST_ASIAN_WIDTH);
        width += eaw == U_EA_WIDE || eaw == U_EA_FULLWIDTH ? 2 : 1;
    }
    return width;
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
        lines << blanks(6) + blanks(oldWidth - displayWidth(oldName)) + oldName + blanks(3) + after;
    }
    lines << rule
          << blanks(3) + msg::ReportSummaryHead + u' ' + QString::number(oldNames.size())
            + msg::ReportSummaryTail;
    return lines;
}

} // namespace printing
