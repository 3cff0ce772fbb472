#include "display_text.h"

namespace renaming {

namespace {

constexpr char16_t EscapedByte = 0xDC00; // + the byte, for bytes that are not UTF-8

bool needsEscape(char32_t c)
{
    switch (QChar::category(c)) {
    case QChar::Other_Control:
    case QChar::Other_Format:
    case QChar::Other_Surrogate:
    case QChar::Separator_Line:
    case QChar::Separator_Paragraph:
        return true;
    default:
        return c == u'\\';
    }
}

// The length of the valid UTF-8 sequence at `s`, or 0 when the byte there starts none: no
// overlong forms, no surrogates, nothing above U+10FFFF.
int utf8SequenceAt(const unsigned char *s)
{
    const unsigned char b = s[0];
    const auto continuation = [](unsigned char c) { return (c & 0xC0) == 0x80; };
    if (b < 0x80)
        return 1;
    if (b >= 0xC2 && b <= 0xDF)
        return continuation(s[1]) ? 2 : 0;
    if (b >= 0xE0 && b <= 0xEF) {
        const unsigned char low = b == 0xE0 ? 0xA0 : 0x80, high = b == 0xED ? 0x9F : 0xBF;
        return s[1] >= low && s[1] <= high && continuation(s[2]) ? 3 : 0;
    }
    if (b >= 0xF0 && b <= 0xF4) {
        const unsigned char low = b == 0xF0 ? 0x90 : 0x80, high = b == 0xF4 ? 0x8F : 0xBF;
        return s[1] >= low && s[1] <= high && continuation(s[2]) && continuation(s[3]) ? 4 : 0;
    }
    return 0;
}

} // namespace

QString escaped(const QString &text)
{
    QString out;
    out.reserve(text.size());
    for (qsizetype i = 0; i < text.size(); ++i) {
        char32_t c = text.at(i).unicode();
        if (QChar::isHighSurrogate(c) && i + 1 < text.size() && text.at(i + 1).isLowSurrogate()) {
            c = QChar::surrogateToUcs4(text.at(i), text.at(i + 1));
            ++i;
        }
        if (!needsEscape(c)) {
            out += QString::fromUcs4(&c, 1);
            continue;
        }
        switch (c) {
        case u'\\':
            out += QLatin1String("\\\\");
            break;
        case u'\t':
            out += QLatin1String("\\t");
            break;
        case u'\n':
            out += QLatin1String("\\n");
            break;
        case u'\r':
            out += QLatin1String("\\r");
            break;
        default:
            if (c >= EscapedByte + 0x80 && c <= EscapedByte + 0xFF)
                c -= EscapedByte;
            out += c < 0x100 ? QStringLiteral("\\x%1").arg(uint(c), 2, 16, QLatin1Char('0'))
                             : QStringLiteral("\\u%1").arg(uint(c), 4, 16, QLatin1Char('0'));
        }
    }
    return out;
}

QString textOfBytes(QByteArrayView bytes)
{
    // A NUL-terminated copy: the decoder looks ahead until the end of a sequence.
    const QByteArray copy = bytes.toByteArray();
    QString text;
    const auto *s = reinterpret_cast<const unsigned char *>(copy.constData());
    const auto *end = s + copy.size();
    while (s < end) {
        const int length = utf8SequenceAt(s);
        if (length == 0) {
            text += QChar(char16_t(EscapedByte + *s));
            ++s;
            continue;
        }
        text += QString::fromUtf8(reinterpret_cast<const char *>(s), length);
        s += length;
    }
    return text;
}

QByteArray bytesOfText(const QString &text)
{
    QByteArray bytes;
    qsizetype start = 0;
    for (qsizetype i = 0; i <= text.size(); ++i) {
        const bool escapedByte = i < text.size() && text[i].unicode() >= EscapedByte + 0x80
            && text[i].unicode() <= EscapedByte + 0xFF;
        if (i < text.size() && !escapedByte)
            continue;
        bytes += QStringView(text).sliced(start, i - start).toUtf8();
        if (escapedByte)
            bytes += char(text[i].unicode() - EscapedByte);
        start = i + 1;
    }
    return bytes;
}

bool isUtf8Text(const QString &text)
{
    return bytesOfText(text) == text.toUtf8();
}

} // namespace renaming
