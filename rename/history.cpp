#include "history.h"

#include "folder.h"
#include "folder_listing.h"
#include "recovery.h"

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

QList<HistoryReading> readingsOf(const QString &name)
{
    QList<HistoryReading> readings;
    if (!isHistoryFileName(name))
        return readings;
    const QStringView between = QStringView(name).sliced(4, name.size() - 8);
    for (qsizetype digits = 1; digits <= 3 && digits <= between.size(); ++digits) {
        const QStringView number = between.last(digits);
        if (!isAsciiDigit(number.front()))
            break;
        if (digits > 1 && number.front() == u'0')
            continue;
        if (const int k = number.toInt(); k <= HighestHistoryNumber)
            readings.append({ between.chopped(digits).toString(), k });
    }
    return readings;
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
    , m_heldByOther(HighestHistoryNumber + 1)
{
    // The longest name stands for all numbers; the characters are the same in all of them.
    for (int k : { 0, HighestHistoryNumber }) {
        if (const QString name = historyFileName(m_typePart, k); !isPlainFileName(name)) {
            m_badName = name;
            return;
        }
    }
    QStringList candidates; // entries that read as a file of this chain
    if (const auto entries = folder.entryNames()) {
        m_historyEntries.emplace();
        for (const QString &entry : *entries) {
            if (const QString target = durableWriteTarget(entry); !target.isEmpty()) {
                // Another type's cut-off write is its own business.
                if (numberOf(target) >= 0 && readingsOf(target).size() == 1)
                    m_leftovers.append(entry);
                continue;
            }
            if (!isHistoryFileName(entry))
                continue;
            (*m_historyEntries)[entry.toCaseFolded()].append(entry);
            if (numberOf(entry) >= 0)
                candidates.append(entry);
        }
    } else {
        // No listing: ask for the names as typed.
        for (int k = 0; k <= HighestHistoryNumber; ++k) {
            if (const QString name = historyFileName(m_typePart, k); folder.exists(name))
                candidates.append(name);
        }
    }
    // In the order of the numbers: a claim linked to its file k − 1 needs to know whose it is.
    std::sort(candidates.begin(), candidates.end(),
              [this](const QString &a, const QString &b) { return numberOf(a) < numberOf(b); });
    QList<int> inDoubt;
    for (const QString &entry : std::as_const(candidates)) {
        const int k = numberOf(entry);
        switch (readingsOf(entry).size() == 1 ? Owner::Mine : ownerOf(entry, k)) {
        case Owner::Mine:
            if (!m_onDisk[k].isEmpty() && m_ambiguousName.isEmpty())
                m_ambiguousName = std::min(entry, m_onDisk[k]);
            m_onDisk[k] = entry;
            break;
        case Owner::InDoubt:
            inDoubt.append(k);
            [[fallthrough]];
        case Owner::Other:
            m_heldByOther[k] = entry;
            break;
        }
    }
    // A file in doubt where the chain would go on may hold its newest recorded rename.
    const int length = chainLength();
    if (m_ambiguousName.isEmpty() && inDoubt.contains(length))
        m_ambiguousName = m_heldByOther[length];
}

QStringList HistoryChain::spellingsOf(const QString &name)
{
    if (m_historyEntries)
        return m_historyEntries->value(name.toCaseFolded());
    return m_folder.exists(name) ? QStringList { name } : QStringList();
}

std::optional<QStringList> HistoryChain::namesIn(const QString &entry)
{
    if (const auto known = m_contents.constFind(entry); known != m_contents.cend())
        return *known;
    QByteArray bytes;
    std::optional<QStringList> names;
    if (m_folder.readFile(entry, &bytes, MaxHistoryBytes))
        names = decodeHistory(bytes);
    m_contents.insert(entry, names);
    return names;
}

namespace {

// Whether the names show that a file is no history of the type. A batch of the pattern "S.U"
// (the type part U is what follows the first dot) lists only names that match "*.U", and so do
// the new names, which keep the old names' extension parts; a pattern without a dot is its own
// type part and lists names that match it. A file that cannot be read tells nothing.
bool refutes(const QString &typePart, const std::optional<QStringList> &names)
{
    if (!names)
        return false;
    const QString ending = u'.' + typePart;
    const bool wildcards
        = typePart.contains(u'*') || typePart.contains(u'?') || typePart.contains(u';');
    const QString patterns = u'*' + ending + u';' + typePart;
    return std::any_of(names->begin(), names->end(), [&](const QString &name) {
        if (!wildcards) // the common case, without building a matcher for every name
            return !name.endsWith(ending, Qt::CaseInsensitive)
                && name.compare(typePart, Qt::CaseInsensitive) != 0;
        return !FolderListing::matches(patterns, name);
    });
}

// Whether every line of `later` is a new name made by the naming rule from the same line of
// `earlier`, as file k of a chain is made from file k − 1, and not all of them are unchanged.
bool madeFrom(const QStringList &later, const QStringList &earlier)
{
    if (later.size() != earlier.size() || later == earlier)
        return false;
    for (qsizetype j = 0; j < later.size(); ++j) {
        if (batchTemporaryOf(later[j], earlier[j]).isEmpty())
            return false;
    }
    return true;
}

} // namespace

HistoryChain::Claim HistoryChain::claimOf(const QString &typePart, int k,
                                          const std::optional<QStringList> &names)
{
    if (refutes(typePart, names))
        return Claim::Refuted;
    if (!names)
        return Claim::Unknown;
    // Made by the naming rule from the type's file k − 1: the strongest sign of a chain. A file 0
    // holds the names before a chain's first rename, which no rule made from anything; its sign
    // is a file 1 made from it.
    const auto sign = [&](int number, const auto &fits) {
        const QStringList spellings = spellingsOf(historyFileName(typePart, number));
        return std::any_of(spellings.begin(), spellings.end(), [&](const QString &spelling) {
            const std::optional<QStringList> other = namesIn(spelling);
            return other && !refutes(typePart, other) && fits(*other, spelling);
        });
    };
    // The link goes through a file that the claim's own chain holds: this chain's claim through
    // its file k − 1 (decided before, the numbers go upwards), another type's claim through a
    // file that is not this chain's.
    const bool ours = typePart.compare(m_typePart, Qt::CaseInsensitive) == 0;
    if (k > 0 && sign(k - 1, [&](const QStringList &earlier, const QString &spelling) {
            return (ours ? m_onDisk[k - 1] == spelling : !m_onDisk.contains(spelling))
                && madeFrom(*names, earlier);
        }))
        return Claim::Linked;
    if (k == 0 && sign(1, [&](const QStringList &later, const QString &) {
            return madeFrom(later, *names);
        }))
        return Claim::Continued;
    // The other end of the chain, file 0 (file 1 for file 0 itself), with as many lines.
    if (sign(k == 0 ? 1 : 0, [&](const QStringList &other, const QString &) {
            return other.size() == names->size();
        }))
        return Claim::Supported;
    return Claim::Unknown;
}

HistoryChain::Owner HistoryChain::ownerOf(const QString &entry, int k)
{
    // The names first: they settle nearly every case without reading another file.
    const std::optional<QStringList> names = namesIn(entry);
    if (refutes(m_typePart, names))
        return Owner::Other;
    QList<HistoryReading> others;
    for (const HistoryReading &reading : readingsOf(entry)) {
        if (reading.typePart.compare(m_typePart, Qt::CaseInsensitive) != 0
            && !refutes(reading.typePart, names))
            others.append(reading);
    }
    if (others.isEmpty())
        return Owner::Mine;
    const Claim mine = claimOf(m_typePart, k, names);
    Claim other = Claim::Refuted;
    for (const HistoryReading &reading : std::as_const(others))
        other = std::max(other, claimOf(reading.typePart, reading.number, names));
    if (mine == other)
        return Owner::InDoubt;
    return mine > other ? Owner::Mine : Owner::Other;
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
    if (!m_onDisk[k].isEmpty())
        return m_onDisk[k];
    return m_heldByOther[k].isEmpty() ? historyFileName(m_typePart, k) : m_heldByOther[k];
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
