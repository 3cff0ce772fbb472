#include "folder.h"

#include <QFile>
#include <QRandomGenerator>
#include <QStringDecoder>

#include <algorithm>
#include <cerrno>
#include <cstring>

#ifdef Q_OS_WIN
#include <QDateTime>
#include <QDir>
#include <QFileInfo>
#include <windows.h>
#else
#include <climits>
#include <cstdio>
#include <dirent.h>
#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>
#endif

namespace renaming {

bool isPlainFileName(const QString &name)
{
    if (name.isEmpty() || name == u"." || name == u"..")
        return false;
    // One pass: the characters, lone surrogates (no spelling on disk: the name would come
    // back as another one) and the length of the name in UTF-8, the file system's encoding.
    qsizetype bytes = 0;
    for (qsizetype i = 0; i < name.size(); ++i) {
        const char16_t c = name[i].unicode();
        // A line break would split the name in the history file; NUL ends it on every system.
        if (c == u'/' || c == u'\n' || c == u'\r' || c == 0)
            return false;
#ifdef Q_OS_WIN
        // Besides the separators, Windows refuses the wildcards and these marks in names.
        if (QStringView(u"\\:*?\"<>|").contains(QChar(c)))
            return false;
#endif
        if (QChar::isHighSurrogate(c)) {
            if (i + 1 == name.size() || !QChar::isLowSurrogate(name[i + 1].unicode()))
                return false;
            ++i;
            bytes += 4;
        } else if (QChar::isLowSurrogate(c)) {
            return false;
        } else {
            bytes += c < 0x80 ? 1 : c < 0x800 ? 2 : 3;
        }
    }
#ifdef Q_OS_WIN
    return name.size() <= 255;
#else
    return bytes <= NAME_MAX;
#endif
}

// The temporary file of a durable write: "." + name + "." + 16 hex digits + ".tmp".
static QString tempNameFor(const QString &name)
{
    return QStringLiteral(".%1.%2.tmp")
        .arg(name)
        .arg(QRandomGenerator::global()->generate64(), 16, 16, QLatin1Char('0'));
}

QString durableWriteTarget(const QString &entry)
{
    constexpr qsizetype extra = 1 + 1 + 16 + 4; // the characters around the name
    if (entry.size() <= extra || !entry.startsWith(u'.') || !entry.endsWith(u".tmp")
        || entry[entry.size() - 21] != u'.')
        return {};
    const QStringView hex = QStringView(entry).chopped(4).last(16);
    const bool allHex = std::all_of(hex.begin(), hex.end(), [](QChar c) {
        return (c >= u'0' && c <= u'9') || (c >= u'a' && c <= u'f');
    });
    return allHex ? entry.sliced(1, entry.size() - extra) : QString();
}

QString looseNameKey(const QString &name)
{
    QString key;
    const bool ascii
        = std::all_of(name.cbegin(), name.cend(), [](QChar c) { return c.unicode() < 0x80; });
    if (ascii) {
        key = name.toLower();
    } else {
        // Folded between two decompositions: a case mapping may leave a text that a file
        // system's own normalisation would spell otherwise. Upper first, which maps "ß" to
        // "SS" as full case folding does; simple folding alone would keep it.
        key = name.normalized(QString::NormalizationForm_KD)
                  .toUpper()
                  .toCaseFolded()
                  .normalized(QString::NormalizationForm_KD);
        key.removeIf([](QChar c) { return c.category() == QChar::Other_Format; });
    }
    while (key.endsWith(u'.') || key.endsWith(u' '))
        key.chop(1);
    return key;
}

bool namesMayMeet(const QStringList &names, const QStringList &others)
{
    QSet<QString> keys;
    keys.reserve(names.size());
    for (const QString &name : names)
        keys.insert(looseNameKey(name));
    return std::any_of(others.cbegin(), others.cend(),
                       [&](const QString &name) { return keys.contains(looseNameKey(name)); });
}

bool isEntryName(QStringView name)
{
    return !name.isEmpty() && name != u"." && name != u".." && !name.contains(u'/')
        && !name.contains(QChar(0))
#ifdef Q_OS_WIN
        && !name.contains(u'\\') && !name.contains(u':')
#endif
        ;
}

namespace {

OpResult systemFailure(int error)
{
#ifdef Q_OS_WIN
    return OpResult::failure(QString::fromLocal8Bit(std::strerror(error)), error);
#else
    return OpResult::failure(qt_error_string(error), error);
#endif
}

#ifndef Q_OS_WIN

// The reason given for an entry that is there but is no regular file (a FIFO, a socket, a
// device): the system has no error number that says so.
const char NotRegularFile[] = "Not a regular file";

#endif

// Every name handed to a folder must name an entry of that folder: one that would reach
// elsewhere ("../x", "a/b") is refused before any system call.
OpResult outsideFolder()
{
    return OpResult::failure(QStringLiteral("Not a file name of the folder"), EINVAL);
}

MoveResult notMoved(const OpResult &failure, MoveResult::At at = MoveResult::At::From)
{
    MoveResult result;
    static_cast<OpResult &>(result) = failure;
    result.at = at;
    return result;
}

#ifndef Q_OS_WIN

// A folder of the local file system, held through one open directory handle; every
// request names its files relative to that handle.
class PosixFolder final : public Folder
{
public:
    PosixFolder(QString path, int fd)
        : m_path(std::move(path))
        , m_fd(fd)
    { }
    ~PosixFolder() override { ::close(m_fd); }

    QString path() const override { return m_path; }

    FileStatus status(const QString &name) override
    {
        FileStatus result;
        if (!isEntryName(name)) {
            result.known = true; // no entry of the folder can hold it
            return result;
        }
        struct stat st;
        if (::fstatat(m_fd, QFile::encodeName(name).constData(), &st, AT_SYMLINK_NOFOLLOW) != 0) {
            result.error = errno;
            result.known = result.error == ENOENT || result.error == ENOTDIR;
            return result;
        }
        result.known = true;
        result.exists = true;
        result.regular = S_ISREG(st.st_mode);
        result.ownedByUser = st.st_uid == ::geteuid();
        result.device = quint64(st.st_dev);
        result.inode = quint64(st.st_ino);
        result.links = quint64(st.st_nlink);
        result.size = qint64(st.st_size);
        result.modified = qint64(st.st_mtim.tv_sec) * 1000000000 + st.st_mtim.tv_nsec;
        return result;
    }

    bool canRead(const QString &name) override
    {
        const int fd = openRegular(name);
        if (fd < 0)
            return false;
        ::close(fd);
        return true;
    }

    OpResult readFile(const QString &name, QByteArray *bytes, qint64 maxBytes) override
    {
        bytes->clear();
        if (!isEntryName(name))
            return outsideFolder();
        OpResult failure;
        const int fd = openRegular(name, &failure);
        if (fd < 0)
            return failure;
        char buffer[65536];
        for (;;) {
            const ssize_t n = ::read(fd, buffer, sizeof buffer);
            if (n < 0 && errno == EINTR)
                continue;
            if (n < 0) {
                const int error = errno;
                ::close(fd);
                return systemFailure(error);
            }
            if (n == 0)
                break;
            if (bytes->size() + n > maxBytes) {
                ::close(fd);
                return systemFailure(EFBIG);
            }
            bytes->append(buffer, n);
        }
        ::close(fd);
        return {};
    }

    OpResult writeNewFile(const QString &name, const QByteArray &bytes) override
    {
        if (!isEntryName(name))
            return outsideFolder();
        const int fd = ::openat(m_fd, QFile::encodeName(name).constData(),
                                O_WRONLY | O_CREAT | O_EXCL | O_NOFOLLOW | O_CLOEXEC, 0666);
        if (fd < 0)
            return systemFailure(errno);
        int error = 0;
        for (qsizetype done = 0; done < bytes.size() && !error;) {
            const ssize_t n
                = ::write(fd, bytes.constData() + done, static_cast<size_t>(bytes.size() - done));
            if (n < 0 && errno != EINTR)
                error = errno;
            else if (n > 0)
                done += n;
        }
        if (!error && ::fsync(fd) != 0)
            error = errno;
        if (::close(fd) != 0 && !error)
            error = errno;
        return error ? systemFailure(error) : OpResult {};
    }

    OpResult renameExclusive(const QString &from, const QString &to) override
    {
        return call(from, to, [this](const char *a, const char *b) {
            return ::renameat2(m_fd, a, m_fd, b, RENAME_NOREPLACE);
        });
    }

    OpResult link(const QString &from, const QString &to) override
    {
        return call(from, to,
                    [this](const char *a, const char *b) { return ::linkat(m_fd, a, m_fd, b, 0); });
    }

    OpResult renameOver(const QString &from, const QString &to) override
    {
        return call(from, to,
                    [this](const char *a, const char *b) { return ::renameat(m_fd, a, m_fd, b); });
    }

    OpResult unlink(const QString &name) override
    {
        if (!isEntryName(name))
            return outsideFolder();
        if (::unlinkat(m_fd, QFile::encodeName(name).constData(), 0) != 0)
            return systemFailure(errno);
        return {};
    }

    std::optional<QSet<QString>> entryNames() override
    {
        const int fd = ::openat(m_fd, ".", O_RDONLY | O_DIRECTORY | O_CLOEXEC);
        DIR *dir = fd < 0 ? nullptr : ::fdopendir(fd);
        if (!dir) {
            if (fd >= 0)
                ::close(fd);
            return std::nullopt;
        }
        QSet<QString> names;
        names.reserve(1024);
        QStringDecoder decoder(QStringDecoder::Utf8, EntryNameDecoding);
        errno = 0;
        while (const dirent *entry = ::readdir(dir)) {
            decoder.resetState();
            QString name = decoder(QByteArrayView(entry->d_name));
            // A name that is not UTF-8 is no name a plan can hold.
            if (!decoder.hasError())
                names.insert(std::move(name));
        }
        // A listing cut off by an error is no listing: a name it lacks may be there.
        const bool complete = errno == 0;
        ::closedir(dir);
        if (!complete)
            return std::nullopt;
        return names;
    }

    OpResult sync() override
    {
        if (::fsync(m_fd) != 0)
            return systemFailure(errno);
        return {};
    }

    OpResult checkAccess(bool write) override
    {
        // "." from the handle: the folder itself, whatever its path now names.
        if (::faccessat(m_fd, ".", R_OK | X_OK | (write ? W_OK : 0), 0) != 0)
            return systemFailure(errno);
        return {};
    }

    int newListingHandle() override
    {
        // A duplicate shares the read position, which nothing else uses: the listing starts
        // from the top (rewinddir) and the folder's own calls name entries relative to it.
        return ::fcntl(m_fd, F_DUPFD_CLOEXEC, 0);
    }

private:
    // A system call on two names of the folder; 0 or the error.
    template<typename Call> OpResult call(const QString &from, const QString &to, Call &&system)
    {
        if (!isEntryName(from) || !isEntryName(to))
            return outsideFolder();
        if (system(QFile::encodeName(from).constData(), QFile::encodeName(to).constData()) != 0)
            return systemFailure(errno);
        return {};
    }

    // Opens a regular file for reading; -1 with the reason otherwise. O_NONBLOCK keeps a FIFO
    // from blocking the open.
    int openRegular(const QString &name, OpResult *failure = nullptr)
    {
        if (!isEntryName(name)) {
            if (failure)
                *failure = outsideFolder();
            return -1;
        }
        const int fd = ::openat(m_fd, QFile::encodeName(name).constData(),
                                O_RDONLY | O_NOFOLLOW | O_CLOEXEC | O_NONBLOCK);
        if (fd < 0) {
            if (failure)
                *failure = systemFailure(errno);
            return -1;
        }
        struct stat st;
        const bool statted = ::fstat(fd, &st) == 0;
        if (statted && S_ISREG(st.st_mode))
            return fd;
        const int error = !statted ? errno : S_ISDIR(st.st_mode) ? EISDIR : 0;
        ::close(fd);
        if (failure)
            *failure = error ? systemFailure(error)
                             : OpResult::failure(QString::fromLatin1(NotRegularFile));
        return -1;
    }

    QString m_path;
    int m_fd;
};

#else

OpResult lastFailure()
{
    const DWORD code = GetLastError();
    const int error = code == ERROR_FILE_EXISTS || code == ERROR_ALREADY_EXISTS ? EEXIST
        : code == ERROR_FILE_NOT_FOUND ? ENOENT
                                       : EIO;
    return OpResult::failure(qt_error_string(int(code)), error);
}

// A folder on Windows. Names are joined to the folder path; the checks that every name
// is a plain file name keep them inside it. MoveFileEx without MOVEFILE_REPLACE_EXISTING
// refuses a taken name, so the no-replace rename is always the first method, and no name is
// ever linked.
class WindowsFolder final : public Folder
{
public:
    explicit WindowsFolder(QString path)
        : m_path(std::move(path))
    { }
    QString path() const override { return m_path; }
    FileStatus status(const QString &name) override
    {
        const QFileInfo info(full(name));
        FileStatus result;
        result.known = true;
        result.exists = info.exists() || info.isSymLink();
        result.regular = info.isFile() && !info.isSymLink();
        result.ownedByUser = true;
        result.links = 1; // no name is ever linked here: one name, one file
        result.size = info.size();
        result.modified = info.lastModified().toMSecsSinceEpoch() * 1000000;
        return result;
    }
    bool canRead(const QString &name) override
    {
        QFile f(full(name));
        return QFileInfo(f).isFile() && f.open(QIODevice::ReadOnly);
    }
    OpResult readFile(const QString &name, QByteArray *bytes, qint64 maxBytes) override
    {
        QFile f(full(name));
        if (!f.open(QIODevice::ReadOnly))
            return OpResult::failure(f.errorString(), ENOENT);
        if (f.size() > maxBytes)
            return OpResult::failure(QStringLiteral("File too large"), EFBIG);
        *bytes = f.readAll();
        return {};
    }
    OpResult writeNewFile(const QString &name, const QByteArray &bytes) override
    {
        HANDLE h = CreateFileW(reinterpret_cast<LPCWSTR>(full(name).utf16()), GENERIC_WRITE, 0,
                               nullptr, CREATE_NEW, FILE_ATTRIBUTE_NORMAL, nullptr);
        if (h == INVALID_HANDLE_VALUE)
            return lastFailure();
        DWORD written = 0;
        const bool ok = WriteFile(h, bytes.constData(), DWORD(bytes.size()), &written, nullptr)
            && written == DWORD(bytes.size()) && FlushFileBuffers(h);
        const OpResult result = ok ? OpResult {} : lastFailure();
        CloseHandle(h);
        return result;
    }
    OpResult renameExclusive(const QString &from, const QString &to) override
    {
        // Neither MOVEFILE_REPLACE_EXISTING nor MOVEFILE_COPY_ALLOWED: fail, never replace.
        if (MoveFileExW(reinterpret_cast<LPCWSTR>(full(from).utf16()),
                        reinterpret_cast<LPCWSTR>(full(to).utf16()), MOVEFILE_WRITE_THROUGH))
            return {};
        return lastFailure();
    }
    OpResult link(const QString &, const QString &) override
    {
        return OpResult::failure(QStringLiteral("Not supported"), ENOSYS);
    }
    OpResult renameOver(const QString &from, const QString &to) override
    {
        return renameExclusive(from, to); // never replaces here either
    }
    OpResult unlink(const QString &name) override
    {
        if (DeleteFileW(reinterpret_cast<LPCWSTR>(full(name).utf16())))
            return {};
        return lastFailure();
    }
    OpResult sync() override { return {}; } // MOVEFILE_WRITE_THROUGH already waits

private:
    // A name that is no entry of the folder gives an empty path, which every call refuses.
    QString full(const QString &name) const
    {
        return isEntryName(name) ? QDir(m_path).filePath(name) : QString();
    }
    QString m_path;
};

#endif

} // namespace

Sameness samenessOf(const QString &nameA, const FileStatus &a, const QString &nameB,
                    const FileStatus &b)
{
    // Two spellings of one name are one entry where names ignore case: never two names.
    if (!a.exists || !b.exists || nameA.compare(nameB, Qt::CaseInsensitive) == 0)
        return Sameness::Different;
    // A link count can be stale (a share's client keeps the count of the old name from before
    // a link whose reply was lost), but a file under two names shows two links under at least
    // the name just looked up.
    if (std::max(a.links, b.links) < 2)
        return Sameness::Different;
    if (a.inode != 0 && a.device == b.device && a.inode == b.inode)
        return Sameness::Same;
    // Different inode numbers prove nothing where the file system numbers each name on its
    // own; what it does tell must still agree.
    if (a.size != b.size || a.modified != b.modified)
        return Sameness::Different;
    return Sameness::Unknown;
}

Sameness Folder::sameFile(const QString &a, const QString &b)
{
    const FileStatus first = status(a);
    const FileStatus second = status(b);
    if (!first.known || !second.known)
        return Sameness::Unknown;
    return samenessOf(a, first, b, second);
}

MoveResult Folder::renameNoReplace(const QString &from, const QString &to)
{
    return move(from, to);
}

// A look after a failure, or before a name is removed. A share's client may still show a name
// that its last request removed (it keeps the entry until it expires; FUSE for a second, NFS
// for several), so whether a name is there comes from a listing, which the file system answers
// itself; what the file is comes from the look. A name the listing holds but the look cannot
// find is not known.
FileStatus Folder::lookAgain(const QString &name, const std::optional<QSet<QString>> &listing)
{
    FileStatus look = status(name);
    if (!listing || !look.known) {
        look.known = false;
        return look;
    }
    bool listed = listing->contains(name);
    for (auto it = listing->cbegin(); look.exists && !listed && it != listing->cend(); ++it)
        listed = it->compare(name, Qt::CaseInsensitive) == 0; // the entry's own spelling
    if (!listed)
        look.exists = false;
    else if (!look.exists)
        look.known = false;
    return look;
}

// Where a file is after a request that should have moved it failed. The failure itself
// proves nothing: the request may have been carried out and its reply lost.
MoveResult Folder::lookAfterFailure(const QString &from, const QString &to, const OpResult &failed,
                                    FileStatus *source, FileStatus *target)
{
    FileStatus ownSource, ownTarget;
    source = source ? source : &ownSource;
    target = target ? target : &ownTarget;
    const std::optional<QSet<QString>> listing = entryNames();
    *source = lookAgain(from, listing);
    *target = lookAgain(to, listing);
    if (!source->known || !target->known)
        return notMoved(failed, MoveResult::At::Unknown);
    if (!source->exists)
        return target->exists ? MoveResult {} : notMoved(failed, MoveResult::At::Unknown);
    if (!target->exists)
        return notMoved(failed);
    switch (samenessOf(from, *source, to, *target)) {
    case Sameness::Same:
        return notMoved(failed, MoveResult::At::Both);
    case Sameness::Different:
        return notMoved(failed);
    case Sameness::Unknown:
        break;
    }
    MoveResult result = notMoved(failed);
    result.maybeSecondName = true;
    return result;
}

// Where the file system cannot refuse a taken name in the rename itself (no flag, e.g.
// through FUSE, NFS or SMB) a hard link can: link(2) never replaces. Where hard links are
// missing too (FAT, exFAT, SMB and phone mounts), the name is looked up right before a plain
// rename, as careful tools do there. Another program that creates the very same name between
// the look-up and the rename would lose that file; nothing closes that window on such a file
// system. A batch moves onto each new name once, in its one pass or in the second of two (the
// first goes to fresh temporary names, which no other program takes), so the window opens
// once per file, as for any program that renames there. A copy is never made: it could
// silently overwrite a file that appeared at the target.
MoveResult Folder::move(const QString &from, const QString &to)
{
    if (!isEntryName(from) || !isEntryName(to))
        return notMoved(outsideFolder());
    switch (m_renameMethod) {
    case RenameMethod::Untried:
    case RenameMethod::NoReplaceFlag: {
        const OpResult renamed = renameExclusive(from, to);
        if (renamed) {
            m_renameMethod = RenameMethod::NoReplaceFlag;
            return {};
        }
        // The file system does not know the flag: an answer about it, not about the file.
        if (m_renameMethod == RenameMethod::Untried
            && (renamed.error == EINVAL || renamed.error == ENOSYS)) {
            m_renameMethod = RenameMethod::LinkUntried;
            return moveByLink(from, to);
        }
        return lookAfterFailure(from, to, renamed);
    }
    case RenameMethod::LinkUntried:
    case RenameMethod::LinkThenUnlink:
        return moveByLink(from, to);
    case RenameMethod::CheckedRename:
        return checkedMove(from, to);
    }
    return notMoved(OpResult::failure(QStringLiteral("No rename method"), EINVAL));
}

MoveResult Folder::moveByLink(const QString &from, const QString &to)
{
    const OpResult linked = link(from, to);
    if (linked) {
        m_renameMethod = RenameMethod::LinkThenUnlink;
        return finishLink(from, to);
    }
    FileStatus source, target;
    const MoveResult looked = lookAfterFailure(from, to, linked, &source, &target);
    if (looked.at == MoveResult::At::Both) { // the link was made; its reply was lost
        m_renameMethod = RenameMethod::LinkThenUnlink;
        return finishLink(from, to);
    }
    if (looked.at != MoveResult::At::From || target.exists)
        return looked;
    // Refused, and nothing happened. A file system without links says so for every file; one
    // with links refuses a file the user may not link (fs.protected_hardlinks) or one with too
    // many links, which is that file's case and not the folder's. A refusal for a file of the
    // user's own can only be the file system's.
    const int error = linked.error;
    const bool noLinks = error == EOPNOTSUPP || error == ENOSYS || error == EXDEV
        || (error == EPERM && source.ownedByUser);
    if (noLinks && m_renameMethod == RenameMethod::LinkUntried)
        m_renameMethod = RenameMethod::CheckedRename;
    if (noLinks || error == EPERM || error == EMLINK)
        return checkedMove(from, to);
    return looked;
}

MoveResult Folder::finishLink(const QString &from, const QString &to)
{
    MoveResult result = dropName(from, to, Proof::LinkReported, true);
    result.linkReported = result.at == MoveResult::At::Both;
    return result;
}

MoveResult Folder::checkedMove(const QString &from, const QString &to)
{
    FileStatus target = status(to);
    // A name that a share's client still shows after its file went is no file: a listing,
    // asked only then, tells.
    if (target.known && target.exists)
        target = lookAgain(to, entryNames());
    if (!target.known)
        return notMoved(systemFailure(target.error ? target.error : EIO));
    if (target.exists)
        return notMoved(systemFailure(EEXIST));
    const OpResult renamed = renameOver(from, to);
    if (renamed)
        return {};
    return lookAfterFailure(from, to, renamed);
}

// The one rule for removing a name of a file: only while another name is known to hold that
// same file. Known means that the file system has reported the link between them made (just
// now, or earlier and a listing shows the kept name still there), or that a look at both names
// shows one file (samenessOf: same device and inode, two links). On a file system whose inode
// numbers cannot tell, a look shows nothing, and both names stay. Every removal of a name of a
// user's file goes through here.
MoveResult Folder::dropName(const QString &extra, const QString &kept, Proof proof, bool justLinked)
{
    if (!justLinked) {
        const std::optional<QSet<QString>> listing = entryNames();
        const FileStatus first = lookAgain(extra, listing);
        const FileStatus second = lookAgain(kept, listing);
        if (!first.known || !second.known)
            return notMoved(systemFailure(first.known ? second.error : first.error),
                            MoveResult::At::Unknown);
        if (!second.exists)
            return notMoved(OpResult::failure(QStringLiteral("Not known to be the same file")));
        if (!first.exists)
            return {};
        if (proof == Proof::Look && samenessOf(extra, first, kept, second) != Sameness::Same)
            return notMoved(OpResult::failure(QStringLiteral("Not known to be the same file")));
    }
    const OpResult removed = unlink(extra);
    if (removed)
        return {};
    const FileStatus after = lookAgain(extra, entryNames());
    if (after.known && !after.exists)
        return {};
    return notMoved(removed, after.known ? MoveResult::At::Both : MoveResult::At::Unknown);
}

MoveResult Folder::removeName(const QString &extra, const QString &kept, Proof proof)
{
    if (!isEntryName(extra) || !isEntryName(kept))
        return notMoved(outsideFolder());
    return dropName(extra, kept, proof);
}

OpResult Folder::remove(const QString &name)
{
    if (!isEntryName(name))
        return outsideFolder();
    const OpResult removed = unlink(name);
    if (removed)
        return {};
    const FileStatus after = lookAgain(name, entryNames());
    return after.known && !after.exists ? OpResult {} : removed;
}

CreateResult Folder::createFileDurably(const QString &name, const QByteArray &bytes)
{
    CreateResult result;
    if (!isEntryName(name)) {
        static_cast<OpResult &>(result) = outsideFolder();
        return result;
    }
    const QString temp = tempNameFor(name);
    if (const OpResult written = writeNewFile(temp, bytes); !written) {
        remove(temp); // a part of it may have been written
        static_cast<OpResult &>(result) = written;
        return result;
    }
    // The complete file takes the name the way every rename does: never over another.
    const MoveResult moved = move(temp, name);
    if (moved)
        return result;
    // The rename failed, or its reply was lost: what the name holds decides. A file of these
    // very bytes is the history file, whoever's it is; the temporary, if still there, is then
    // no longer needed.
    QByteArray there;
    const OpResult read = readFile(name, &there, bytes.size());
    remove(temp);
    if (read && there == bytes)
        return result;
    static_cast<OpResult &>(result) = moved;
    result.maybeCreated = !read && read.error != ENOENT && read.error != EFBIG;
    return result;
}

bool isFaithfulPath(const QByteArray &path)
{
    return QFile::encodeName(QFile::decodeName(path)) == path;
}

std::unique_ptr<Folder> openFolderAt(const QByteArray &path, QString *reason)
{
#ifndef Q_OS_WIN
    const int fd = ::open(path.constData(), O_RDONLY | O_DIRECTORY | O_CLOEXEC);
    if (fd < 0) {
        if (reason)
            *reason = qt_error_string(errno);
        return nullptr;
    }
    return std::make_unique<PosixFolder>(QFile::decodeName(path), fd);
#else
    return openFolder(QString::fromUtf8(path), reason);
#endif
}

std::unique_ptr<Folder> openFolder(const QString &path, QString *reason)
{
#ifndef Q_OS_WIN
    return openFolderAt(QFile::encodeName(path), reason);
#else
    if (!QFileInfo(path).isDir()) {
        if (reason)
            *reason = QStringLiteral("Not a folder");
        return nullptr;
    }
    return std::make_unique<WindowsFolder>(path);
#endif
}

} // namespace renaming
