#include "history.h"

#include "folder.h"

#include <QDir>
#include <QStringDecoder>
#include <QStringEncoder>

namespace renaming {

namespace {

constexpr char CodePage[] = "Windows-31J";
const QByteArray Bom("\xEF\xBB\xBF", 3);

// The one place that turns names into code-page bytes and back. Qt builds without ICU
// (the usual Windows builds) need another route here, such as the system's code page 932.
std::optional<QByteArray> toCodePage(const QString &text)
{
    QStringEncoder encoder(CodePage);
    QByteArray bytes = encoder.encode(text);
    if (encoder.hasError())
        return std::nullopt;
    return bytes;
}

// Stateless decoders: a stateful one keeps a character cut off at the end of the bytes for a
// next call that never comes, and reports no error, so a truncated file would lose its last
// byte silently.
std::optional<QString> fromCodePage(QByteArrayView bytes)
{
    QStringDecoder decoder(CodePage, QStringDecoder::Flag::Stateless);
    QString text = decoder.decode(bytes);
    if (decoder.hasError())
        return std::nullopt;
    return text;
}

std::optional<QString> fromUtf8(QByteArrayView bytes)
{
    QStringDecoder decoder(QStringDecoder::Utf8, QStringDecoder::Flag::Stateless);
    QString text = decoder.decode(bytes);
    if (decoder.hasError())
        return std::nullopt;
    return text;
}

} // namespace

QString fileTypePart(const QString &pattern)
{
    const qsizetype dot = pattern.indexOf(u'.');
    return dot < 0 ? pattern : pattern.mid(dot + 1);
}

QString historyFileName(const QString &typePart, int k)
{
    return QStringLiteral("VOXA") + typePart + QString::number(k) + QStringLiteral(".log");
}

QString folderPathOf(const QString &folder)
{
    QString path = QDir::toNativeSeparators(folder);
    if (!path.endsWith(QDir::separator()))
        path += QDir::separator();
    return path;
}

int nextHistoryNumber(Folder &folder, const QString &typePart)
{
    for (int k = 1; k <= HighestHistoryNumber; ++k) {
        if (!folder.canRead(historyFileName(typePart, k)))
            return k;
    }
    return HighestHistoryNumber;
}

QByteArray encodeHistory(const QStringList &names)
{
    QString text;
    qsizetype size = 0;
    for (const QString &name : names)
        size += name.size() + 2;
    text.reserve(size);
    for (const QString &name : names) {
        text += name;
        text += QLatin1String("\r\n");
    }
    // Round-tripping the whole text at once is the same check as name by name: CR LF and the
    // names' characters map independently.
    if (const auto bytes = toCodePage(text); bytes && fromCodePage(*bytes) == text)
        return *bytes;
    return Bom + text.toUtf8();
}

std::optional<QStringList> decodeHistory(const QByteArray &bytes)
{
    const std::optional<QString> text = bytes.startsWith(Bom)
        ? fromUtf8(QByteArrayView(bytes).sliced(Bom.size()))
        : fromCodePage(bytes);
    if (!text)
        return std::nullopt;
    QStringList lines = text->split(u'\n');
    // The last line ends with its line break, which leaves one empty piece behind it.
    if (lines.last().isEmpty())
        lines.removeLast();
    for (QString &line : lines) {
        if (line.endsWith(u'\r'))
            line.chop(1);
    }
    return lines;
}

std::optional<QStringList> readHistory(Folder &folder, const QString &name)
{
    QByteArray bytes;
    if (!folder.readFile(name, &bytes, MaxHistoryBytes))
        return std::nullopt;
    return decodeHistory(bytes);
}

} // namespace renaming
