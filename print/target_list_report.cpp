#include "target_list_report.h"

#include "messages.h"

#include <unicode/uchar.h>
#include <unicode/ucnv.h>
#include <unicode/ucnv_err.h>
#include <unicode/utf16.h>

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

// Whether the Japanese code page (Windows-31J, the character set the Japanese faces are drawn
// for, full-width for every double-byte character) holds `c` as a double-byte character.
bool isDoubleByteInJapaneseCodePage(UChar32 c)
{
    // One converter for the life of the program, which stops at a character it cannot hold
    // instead of putting a substitute in.
    static UConverter *const converter = [] {
        UErrorCode error = U_ZERO_ERROR;
        UConverter *opened = ucnv_open("windows-31j", &error);
        if (U_SUCCESS(error))
            ucnv_setFromUCallBack(opened, UCNV_FROM_U_CALLBACK_STOP, nullptr, nullptr, nullptr,
                                  &error);
        return U_SUCCESS(error) ? opened : nullptr;
    }();
    if (!converter)
        return false;
    UChar units[U16_MAX_LENGTH];
    int32_t length = 0;
    U16_APPEND_UNSAFE(units, length, c);
    char bytes[8];
    UErrorCode error = U_ZERO_ERROR;
    ucnv_resetFromUnicode(converter);
    return ucnv_fromUChars(converter, bytes, sizeof bytes, units, length, &error) == 2
        && U_SUCCESS(error);
}

} // namespace

qsizetype displayWidth(const QString &text)
{
    qsizetype width = 0;
    for (const char32_t c : QStringView(text).toUcs4()) {
        const auto eaw = u_getIntPropertyValue(UChar32(c), UCHAR_EAST_ASIAN_WIDTH);
        const bool wide = eaw == U_EA_WIDE || eaw == U_EA_FULLWIDTH
            || (eaw == U_EA_AMBIGUOUS && isDoubleByteInJapaneseCodePage(UChar32(c)));
        width += wide ? 2 : 1;
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
