#include "history.h"

#include "folder.h"

#include <QDir>
#include <QSet>
#include <QStringDecoder>
#include <QStringEncoder>
#include <QStringView>

#include <algorithm>

namespace renaming {

namespace {

bool isAsciiDigit(QChar c)
{
    return c >= u'0' && c <= u'9';
}

// No line of a history file is longer than this: a name of NAME_MAX bytes is at most twice as
// many bytes in Windows-31J, and at most four bytes a character in UTF-8.
constexpr qsizetype MaxLineBytes = 4 * 255 + 1;

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
// byte silently. A U+FEFF at the start of the text is a name's first character (the file's
// own byte-order mark is cut off before), and is kept.
std::optional<QString> fromCodePage(QByteArrayView bytes)
{
    QStringDecoder decoder(CodePage, EntryNameDecoding);
    QString text = decoder.decode(bytes);
    if (decoder.hasError())
        return std::nullopt;
    return text;
}

std::optional<QString> fromUtf8(QByteArrayView bytes)
{
    QStringDecoder decoder(QStringDecoder::Utf8, EntryNameDecoding);
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

bool isHistoryFileName(QStringView name)
{
    // "VOXA" + at least one digit + ".log"
    return name.size() >= 9 && name.startsWith(QLatin1String("VOXA"), Qt::CaseInsensitive)
        && name.endsWith(QLatin1String(".log"), Qt::CaseInsensitive)
        && isAsciiDigit(name[name.size() - 5]);
}

bool isRestoreTemporaryName(const QString &name)
{
    // "zyx" + four digits + ".zyx"
    return name.size() == 11 && name.startsWith(QLatin1String("zyx"), Qt::CaseInsensitive)
        && name.endsWith(QLatin1String(".zyx"), Qt::CaseInsensitive)
        && std::all_of(name.begin() + 3, name.begin() + 7, isAsciiDigit);
}

bool isRecordableName(const QString &name)
{
    return isPlainFileName(name) && !isHistoryFileName(name) && !isRestoreTemporaryName(name);
}

QString folderPathOf(const QString &folder)
{
    QString path = QDir::toNativeSeparators(folder);
    if (!path.endsWith(QDir::separator()))
        path += QDir::separator();
    return path;
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
    // names' characters map independently. A character that the encoder maps to a look-alike
    // (best fit) fails it, and the file is written in UTF-8.
    if (const auto bytes = toCodePage(text); bytes && fromCodePage(*bytes) == text)
        return *bytes;
    return Bom + text.toUtf8();
}

std::optional<QStringList> decodeHistory(const QByteArray &bytes)
{
    // The bytes are measured before they are decoded, so that a file of millions of line
    // breaks is turned away at once rather than split into millions of names.
    qsizetype lineCount = 0;
    for (qsizetype start = 0; start < bytes.size(); ++lineCount) {
        qsizetype end = bytes.indexOf('\n', start);
        if (end < 0)
            end = bytes.size();
        if (lineCount == MaxHistoryLines || end - start > MaxLineBytes)
            return std::nullopt;
        start = end + 1;
    }
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

HistoryChain::HistoryChain(Folder &folder, const QString &pattern)
    : m_folder(folder)
    , m_typePart(fileTypePart(pattern))
    , m_onDisk(HighestHistoryNumber + 1)
{
    // The longest name stands for all numbers; the characters are the same in all of them.
    for (int k : { 0, HighestHistoryNumber }) {
        if (const QString name = historyFileName(m_typePart, k); !isPlainFileName(name)) {
            m_badName = name;
            return;
        }
    }
    const auto entries = folder.entryNames();
    if (!entries) {
        // No listing: ask for the names as typed.
        for (int k = 0; k <= HighestHistoryNumber; ++k) {
            if (const QString name = historyFileName(m_typePart, k); folder.exists(name))
                m_onDisk[k] = name;
        }
        return;
    }
    for (const QString &entry : *entries) {
        if (const QString target = durableWriteTarget(entry); !target.isEmpty()) {
            if (numberOf(target) >= 0)
                m_leftovers.append(entry);
            continue;
        }
        const int k = numberOf(entry);
        if (k < 0)
            continue;
        if (!m_onDisk[k].isEmpty() && m_ambiguousName.isEmpty())
            m_ambiguousName = std::min(entry, m_onDisk[k]);
        m_onDisk[k] = entry;
    }
}

int HistoryChain::numberOf(const QString &entry) const
{
    // "VOXA" + the file-type part in any case + the number + ".log"
    const qsizetype typeLength = m_typePart.size();
    if (!isHistoryFileName(entry) || entry.size() < 9 + typeLength
        || QStringView(entry).sliced(4, typeLength).compare(m_typePart, Qt::CaseInsensitive) != 0)
        return -1;
    const QStringView digits = QStringView(entry).sliced(4 + typeLength).chopped(4);
    bool ok = false;
    const int k = digits.toInt(&ok);
    // Decimal digits only, without a sign or leading zeros: the spelling of historyFileName.
    if (!ok || k < 0 || k > HighestHistoryNumber || digits != QString::number(k))
        return -1;
    return k;
}

QString HistoryChain::fileName(int k) const
{
    return m_onDisk[k].isEmpty() ? historyFileName(m_typePart, k) : m_onDisk[k];
}

bool HistoryChain::readable(int k) const
{
    return !m_onDisk[k].isEmpty() && m_folder.canRead(m_onDisk[k]);
}

int HistoryChain::chainLength() const
{
    int k = 0;
    while (k <= HighestChainNumber && readable(k))
        ++k;
    return k;
}

int HistoryChain::nextNumber() const
{
    for (int k = 1; k <= HighestHistoryNumber; ++k) {
        if (!readable(k))
            return k;
    }
    return HighestHistoryNumber;
}

std::optional<QStringList> HistoryChain::read(int k) const
{
    QByteArray bytes;
    if (m_onDisk[k].isEmpty() || !m_folder.readFile(m_onDisk[k], &bytes, MaxHistoryBytes))
        return std::nullopt;
    std::optional<QStringList> names = decodeHistory(bytes);
    if (!names)
        return std::nullopt;
    QSet<QString> seen;
    seen.reserve(names->size());
    for (const QString &name : std::as_const(*names)) {
        if (!isRecordableName(name) || seen.contains(name))
            return std::nullopt;
        seen.insert(name);
    }
    return names;
}

} // namespace renaming
