#include "folder_listing.h"

#include "folder.h"
#include "history.h"

#include <QByteArrayView>
#include <QStringDecoder>
#include <QStringView>
#include <QVarLengthArray>

#include <algorithm>
#include <string_view>
#include <vector>

#ifdef Q_OS_WIN
#include <QDir>
#include <QFileInfo>
#else
#include <QFile>

#include <cerrno>

#include <dirent.h>
#include <fcntl.h>
#include <sys/stat.h>
#endif

namespace {

// "*" and "?" against case-folded text; the usual greedy match that backs up to the last star.
bool wildcardMatch(QStringView pattern, QStringView name)
{
    qsizetype p = 0, n = 0, starP = -1, starN = 0;
    while (n < name.size()) {
        if (p < pattern.size() && (pattern[p] == u'?' || pattern[p] == name[n])) {
            ++p;
            ++n;
        } else if (p < pattern.size() && pattern[p] == u'*') {
            starP = p++;
            starN = n;
        } else if (starP >= 0) {
            p = starP + 1;
            n = ++starN;
        } else {
            return false;
        }
    }
    while (p < pattern.size() && pattern[p] == u'*')
        ++p;
    return p == pattern.size();
}

// The ";"-separated pieces of a pattern text, case-folded; empty pieces are dropped.
QStringList foldedPieces(const QString &patterns)
{
    QStringList pieces = patterns.toCaseFolded().split(u';', Qt::SkipEmptyParts);
    return pieces;
}

bool matchesFolded(const QStringList &foldedPatterns, QStringView folded)
{
    for (const QString &pattern : foldedPatterns) {
        if (wildcardMatch(pattern, folded))
            return true;
        // "x.*" also stands for "x" without any extension, as on Windows.
        if (pattern.endsWith(u".*") && !folded.contains(u'.')
            && wildcardMatch(QStringView(pattern).chopped(2), folded))
            return true;
    }
    return false;
}

bool matchesAny(const QStringList &foldedPatterns, const QString &name)
{
    return matchesFolded(foldedPatterns, name.toCaseFolded());
}

// The longest entry name a folder gives, in UTF-16 code units, without the heap: NAME_MAX
// bytes of UTF-8 never decode to more code units than bytes.
constexpr qsizetype NameBufferSize = 512;
using NameBuffer = QVarLengthArray<QChar, NameBufferSize>;

// One entry name as text and case-folded, in buffers that are reused from name to name, so
// that a listing of 10,000 files makes no allocation for a name it does not keep. The folding
// is QString::toCaseFolded()'s (simple case folding, one code point at a time, which never
// changes a code point's length).
class EntryName
{
public:
    // Takes a name as the folder gives it; false when it is not valid UTF-8. A name of ASCII
    // characters, nearly every name, is widened and folded in the same single pass.
    bool decode(QByteArrayView raw)
    {
        const qsizetype size = raw.size();
        m_text.resize(size);
        m_folded.resize(size);
        qsizetype i = 0;
        for (; i < size; ++i) {
            const auto c = static_cast<uchar>(raw[i]);
            if (c >= 0x80)
                break;
            m_text[i] = QLatin1Char(char(c));
            m_folded[i] = QLatin1Char(char(c >= 'A' && c <= 'Z' ? c + ('a' - 'A') : c));
        }
        if (i == size)
            return true;
        m_decoder.resetState();
        m_text.resize(std::max(m_decoder.requiredSpace(size), qsizetype(1)));
        const QChar *end = m_decoder.appendToBuffer(m_text.data(), raw);
        if (m_decoder.hasError())
            return false;
        m_text.resize(end - m_text.data());
        fold();
        return true;
    }

    void take(QStringView name)
    {
        m_text.clear();
        m_text.append(name.data(), name.size());
        fold();
    }

    QStringView text() const { return { m_text.data(), m_text.size() }; }
    QStringView folded() const { return { m_folded.data(), m_folded.size() }; }

private:
    void fold()
    {
        const qsizetype size = m_text.size();
        m_folded.resize(size);
        for (qsizetype i = 0; i < size; ++i) {
            const QChar c = m_text[i];
            if (c.isHighSurrogate() && i + 1 < size && m_text[i + 1].isLowSurrogate()) {
                const char32_t f = QChar::toCaseFolded(QChar::surrogateToUcs4(c, m_text[i + 1]));
                m_folded[i] = QChar(QChar::highSurrogate(f));
                m_folded[++i] = QChar(QChar::lowSurrogate(f));
            } else {
                m_folded[i] = QChar(QChar::toCaseFolded(c.unicode()));
            }
        }
    }

    QStringDecoder m_decoder { QStringDecoder::Utf8, renaming::EntryNameDecoding };
    NameBuffer m_text;
    NameBuffer m_folded;
};

// Whether a raw entry name ends in ".zyx" in any case, as every temporary name of a batch
// rename or a restore does.
bool endsInTemporaryExtension(QByteArrayView raw)
{
    return raw.size() >= 4 && raw.last(4).compare(".zyx", Qt::CaseInsensitive) == 0;
}

// Calls `visit(name)` with an EntryName for every regular file of the folder whose name is
// valid UTF-8 and does not start with "."; `name` holds it only during the call. The folder is
// read through its own handle where `folder` gives one, else by path. readdir and the entry's
// type avoid one stat per file. `sawTemporary` is set when any entry at all (hidden, not valid
// text, a folder) ends in ".zyx". The regular files left out for their names go to `notUtf8`,
// decoded with U+FFFD for their bad bytes, only to be matched and counted; `failure` is the
// reason no listing was read.
template<typename Visit>
void visitRegularFiles(const QString &path, renaming::Folder *folder, bool *sawTemporary,
                       QStringList *notUtf8, QString *failure, Visit &&visit)
{
    EntryName name;
#ifndef Q_OS_WIN
    const int handle = folder ? folder->newListingHandle() : -1;
    DIR *dir = handle >= 0 ? ::fdopendir(handle) : ::opendir(QFile::encodeName(path).constData());
    if (!dir) {
        *failure = qt_error_string(errno);
        if (handle >= 0)
            ::close(handle);
        return;
    }
    ::rewinddir(dir);
    const int fd = ::dirfd(dir);
    while (const dirent *entry = ::readdir(dir)) {
        const QByteArrayView raw(entry->d_name);
        *sawTemporary = *sawTemporary || endsInTemporaryExtension(raw);
        if (raw.front() == '.')
            continue;
        bool regular = entry->d_type == DT_REG;
        if (entry->d_type == DT_UNKNOWN) {
            struct stat st;
            regular = ::fstatat(fd, entry->d_name, &st, AT_SYMLINK_NOFOLLOW) == 0
                && S_ISREG(st.st_mode);
        }
        if (!regular)
            continue;
        if (!name.decode(raw)) {
            notUtf8->append(QString::fromUtf8(raw));
            continue;
        }
        visit(name);
    }
    ::closedir(dir);
#else
    Q_UNUSED(folder);
    Q_UNUSED(notUtf8);
    if (!QFileInfo(path).isDir()) {
        *failure = QStringLiteral("Not a folder");
        return;
    }
    const QStringList all = QDir(path).entryList(QDir::Files | QDir::NoDotAndDotDot);
    for (const QString &entry : all) {
        *sawTemporary = *sawTemporary || entry.endsWith(u".zyx", Qt::CaseInsensitive);
        if (entry.startsWith(u'.'))
            continue;
        name.take(entry);
        visit(name);
    }
#endif
}

} // namespace

namespace renaming {

bool isEveryFilePattern(const QString &pattern)
{
    return pattern == QLatin1String("*.*");
}

void FolderListing::setPath(const QString &path)
{
    m_path = path;
    refresh();
}

void FolderListing::setPattern(const QString &pattern)
{
    m_pattern = pattern;
    refresh();
}

void FolderListing::setPathAndPattern(const QString &path, const QString &pattern)
{
    m_path = path;
    m_pattern = pattern;
    refresh();
}

void FolderListing::setFolderAndPattern(Folder &folder, const QString &pattern)
{
    m_path = folder.path();
    m_pattern = pattern;
    refresh(&folder);
}

bool FolderListing::matches(const QString &patterns, const QString &name)
{
    return matchesAny(foldedPieces(patterns), name);
}

void FolderListing::refresh(Folder *folder)
{
    m_names.clear();
    m_notUtf8 = 0;
    m_failure.clear();
    m_sawTemporaryName = false;
    m_sawHistoryName = false;
    const QStringList patterns = foldedPieces(m_pattern);
    if ((m_path.isEmpty() && !folder) || patterns.isEmpty())
        return;
    QStringList notUtf8;
    // Each name is case-folded once; comparing the folded texts orders the names exactly as
    // QString::compare(Qt::CaseInsensitive) would, without folding every name again in each
    // of the N log N comparisons of the sort.
    struct Entry
    {
        QString folded;
        QString name;
    };
    std::vector<Entry> entries;
    visitRegularFiles(m_path, folder, &m_sawTemporaryName, &notUtf8, &m_failure,
                      [&](const EntryName &entry) {
                          // The history files are the program's own: renaming one would lose the
                          // undo it holds.
                          const QStringView name = entry.text(), folded = entry.folded();
                          if (isHistoryFileName(name)) {
                              m_sawHistoryName = true;
                              return;
                          }
                          if (!matchesFolded(patterns, folded))
                              return;
                          // Only a name that is kept becomes a string; a name that folding leaves
                          // as it is (lower-case ASCII) shares one string with its folded form.
                          QString kept = name.toString();
                          entries.push_back({ folded == name ? kept : folded.toString(), kept });
                      });
    // Without regard to case; names that differ only in case keep a fixed order. The folded
    // names compare as QString::compare() does, code unit by code unit, but inline.
    const auto units = [](const QString &s) {
        return std::u16string_view(QStringView(s).utf16(), std::size_t(s.size()));
    };
    for (const QString &name : std::as_const(notUtf8))
        m_notUtf8 += !isHistoryFileName(name) && matchesAny(patterns, name);
    std::sort(entries.begin(), entries.end(), [&units](const Entry &a, const Entry &b) {
        const int c = units(a.folded).compare(units(b.folded));
        return c != 0 ? c < 0 : a.name < b.name;
    });
    m_names.reserve(qsizetype(entries.size()));
    for (Entry &entry : entries)
        m_names.append(std::move(entry.name));
}

} // namespace renaming
