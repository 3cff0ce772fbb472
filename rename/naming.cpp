#include "naming.h"

#include <QSet>
#include <QStringEncoder>

#include <cmath>
#include <limits>
#include <string>

namespace renaming {

QString extensionPart(const QString &oldName)
{
    const qsizetype dot = oldName.indexOf(u'.');
    return dot < 0 ? oldName : oldName.mid(dot);
}

std::optional<QString> numberField(long long runningNumber)
{
    if (runningNumber < 0 || runningNumber > MaxRunningNumber)
        return std::nullopt;
    const int n = int(runningNumber);
    const char16_t digits[4] = { char16_t(u'0' + n / 1000), char16_t(u'0' + n / 100 % 10),
                                 char16_t(u'0' + n / 10 % 10), char16_t(u'0' + n % 10) };
    return QString(reinterpret_cast<const QChar *>(digits), 4);
}

std::optional<QString> newName(const QString &prefix, int startNo, int index,
                               const QString &oldName)
{
    const auto field = numberField(static_cast<long long>(startNo) + index);
    if (!field)
        return std::nullopt;
    return prefix + *field + extensionPart(oldName);
}

std::optional<QString> temporaryName(const QString &prefix, int startNo, int index)
{
    const auto field = numberField(static_cast<long long>(startNo) + index);
    if (!field)
        return std::nullopt;
    return prefix + *field + QStringLiteral(".zyx");
}

QStringList batchTemporaryNames(const QStringList &numbered, const QStringList &newNames)
{
    QSet<QString> seen;
    seen.reserve(numbered.size());
    bool shared = false;
    for (const QString &name : numbered) {
        if (name.isEmpty())
            continue;
        if (seen.contains(name)) {
            shared = true;
            break;
        }
        seen.insert(name);
    }
    if (!shared)
        return numbered;
    QStringList names;
    names.reserve(numbered.size());
    for (qsizetype i = 0; i < numbered.size(); ++i)
        names << (numbered[i].isEmpty() ? QString() : newNames[i] + QStringLiteral(".zyx"));
    return names;
}

namespace {

bool isDigitIn(char16_t c, int base)
{
    if (c >= u'0' && c <= u'9')
        return c - u'0' < base;
    if (base == 16)
        return (c >= u'a' && c <= u'f') || (c >= u'A' && c <= u'F');
    return false;
}

double radixValue(const std::u16string &s, size_t pos, int base)
{
    double value = 0;
    for (; pos < s.size() && isDigitIn(s[pos], base); ++pos) {
        const char16_t c = s[pos];
        const int digit = c <= u'9' ? c - u'0' : (c | 0x20) - u'a' + 10;
        value = value * base + digit;
    }
    return value;
}

} // namespace

double basicVal(const QString &text)
{
    // Blanks, tabs and line feeds do not count anywhere in the text, not even between digits.
    std::u16string s;
    s.reserve(static_cast<size_t>(text.size()));
    for (QChar c : text) {
        if (c != u' ' && c != u'\t' && c != u'\n')
            s.push_back(c.unicode());
    }

    if (s.size() >= 2 && s[0] == u'&') {
        if (s[1] == u'h' || s[1] == u'H')
            return radixValue(s, 2, 16);
        if (s[1] == u'o' || s[1] == u'O')
            return radixValue(s, 2, 8);
    }

    // Copy the longest leading run that forms a decimal number, then let the C library
    // convert it (locale-independent: the point is always ".").
    std::string number;
    size_t i = 0;
    auto digits = [&] {
        size_t n = 0;
        for (; i < s.size() && s[i] >= u'0' && s[i] <= u'9'; ++i, ++n)
            number.push_back(static_cast<char>(s[i]));
        return n;
    };
    if (i < s.size() && (s[i] == u'+' || s[i] == u'-'))
        number.push_back(static_cast<char>(s[i++]));
    size_t mantissaDigits = digits();
    if (i < s.size() && s[i] == u'.') {
        number.push_back('.');
        ++i;
        mantissaDigits += digits();
    }
    if (mantissaDigits == 0)
        return 0;
    if (i < s.size() && (s[i] == u'e' || s[i] == u'E')) {
        const size_t mark = number.size();
        const size_t at = i;
        number.push_back('e');
        ++i;
        if (i < s.size() && (s[i] == u'+' || s[i] == u'-'))
            number.push_back(static_cast<char>(s[i++]));
        if (digits() == 0) {
            number.resize(mark);
            i = at;
        }
    }
    return std::strtod(number.c_str(), nullptr);
}

std::int16_t toStartNo(double value)
{
    if (std::isnan(value))
        return 0;
    constexpr double lo = std::numeric_limits<std::int16_t>::min();
    constexpr double hi = std::numeric_limits<std::int16_t>::max();
    // nearbyint rounds halves to the even neighbour in the default rounding mode.
    const double rounded = std::nearbyint(value);
    if (rounded <= lo)
        return std::numeric_limits<std::int16_t>::min();
    if (rounded >= hi)
        return std::numeric_limits<std::int16_t>::max();
    return static_cast<std::int16_t>(rounded);
}

int prefixWidth(const QString &prefix)
{
    int width = 0;
    for (qsizetype i = 0; i < prefix.size();) {
        const qsizetype len = (prefix.at(i).isHighSurrogate() && i + 1 < prefix.size()
                               && prefix.at(i + 1).isLowSurrogate())
            ? 2
            : 1;
        const char16_t c = prefix.at(i).unicode();
        if (len == 1 && c < 0x80) {
            width += 1; // ASCII is one byte in Windows-31J
        } else {
            QStringEncoder encoder("Windows-31J");
            const QByteArray bytes = encoder.encode(QStringView(prefix).mid(i, len));
            width += (!encoder.hasError() && bytes.size() == 1) ? 1 : 2;
        }
        i += len;
    }
    return width;
}

} // namespace renaming
