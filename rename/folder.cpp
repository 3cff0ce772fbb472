#include "folder.h"

#include <QFile>
#include <QRandomGenerator>
#include <QStringDecoder>

#include <algorithm>

#ifdef Q_OS_WIN
#include <QDir>
#include <QFileInfo>
#include <windows.h>
#else
#include <cerrno>
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

#ifndef Q_OS_WIN

OpResult systemFailure(int error)
{
    return OpResult::failure(qt_error_string(error));
}

// The reason given for an entry that is there but is no regular file (a FIFO, a socket, a
// device): the system has no error number that says so.
const char NotRegularFile[] = "Not a regular file";

#endif

// Every name handed to a folder must name an entry of that folder: one that would reach
// elsewhere ("../x", "a/b") is refused before any system call.
OpResult outsideFolder()
{
    return OpResult::failure(QStringLiteral("Not a file name of the folder"));
}

#ifndef Q_OS_WIN

// A folder of the local file system, held through one open directory handle; every
// operation names its files relative to that handle.
class PosixFolder final : public Folder
{
public:
    PosixFolder(QString path, int fd)
        : m_path(std::move(path))
        , m_fd(fd)
    { }
    ~PosixFolder() override { ::close(m_fd); }

    QString path() const override { return m_path; }

    bool exists(const QString &name) override
    {
        if (!isEntryName(name))
            return false;
        struct stat st;
        return ::fstatat(m_fd, QFile::encodeName(name).constData(), &st, AT_SYMLINK_NOFOLLOW) == 0;
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

    OpResult createFileDurably(const QString &name, const QByteArray &bytes) override
    {
        if (!isEntryName(name))
            return outsideFolder();
        const QString tempName = tempNameFor(name);
        const QByteArray temp = QFile::encodeName(tempName);
        const int fd = ::openat(m_fd, temp.constData(),
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
        if (error) {
            ::unlinkat(m_fd, temp.constData(), 0);
            return systemFailure(error);
        }
        // The complete file takes the name the way every rename does: never over another.
        const OpResult moved = renameNoReplace(tempName, name);
        if (!moved)
            ::unlinkat(m_fd, temp.constData(), 0);
        return moved;
    }

    OpResult renameNoReplace(const QString &from, const QString &to) override
    {
        if (!isEntryName(from) || !isEntryName(to))
            return outsideFolder();
        const QByteArray a = QFile::encodeName(from);
        const QByteArray b = QFile::encodeName(to);
        if (const int error = moveNoReplace(a, b))
            return systemFailure(error);
        return {};
    }

    OpResult remove(const QString &name) override
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
        while (const dirent *entry = ::readdir(dir)) {
            decoder.resetState();
            QString name = decoder(QByteArrayView(entry->d_name));
            // A name that is not UTF-8 is no name a plan can hold.
            if (!decoder.hasError())
                names.insert(std::move(name));
        }
        ::closedir(dir);
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

    std::optional<qint64> modifiedAt(const QString &name) override
    {
        struct stat st;
        if (!isEntryName(name)
            || ::fstatat(m_fd, QFile::encodeName(name).constData(), &st, AT_SYMLINK_NOFOLLOW) != 0)
            return std::nullopt;
        return qint64(st.st_mtim.tv_sec) * 1000 + st.st_mtim.tv_nsec / 1000000;
    }

    int newListingHandle() override
    {
        // A duplicate shares the read position, which nothing else uses: the listing starts
        // from the top (rewinddir) and the folder's own calls name entries relative to it.
        return ::fcntl(m_fd, F_DUPFD_CLOEXEC, 0);
    }

private:
    // How this folder's file system renames without replacing. Only an answer of the file
    // system about the method itself decides it (a missing source or a taken name says
    // nothing), and from then on every rename of the folder takes that path at once, so
    // that a batch costs the same per file on every file system.
    enum class RenameMethod {
        Untried,
        NoReplaceFlag, // renameat2(RENAME_NOREPLACE): the kernel refuses a taken name
        LinkUntried, // the flag is refused; hard links not tried yet
        LinkThenUnlink, // a hard link fails on a taken name; the old name is then removed
        CheckedRename, // neither: look the name up, then a plain rename
    };

    // Where a file system cannot refuse a taken name in the rename itself (no flag, e.g.
    // through FUSE, NFS or SMB) a hard link can: link(2) never replaces. Where hard links
    // are missing too (FAT, exFAT, SMB and phone mounts), the name is looked up right before
    // a plain rename, as careful tools do there. Another program that creates the very same
    // name between the look-up and the rename would lose that file; nothing closes that
    // window on such a file system, and the two passes through fresh temporary names keep
    // the names a batch moves onto out of other programs' way. A copy is never made: it
    // could silently overwrite a file that appeared at the target.
    // Returns 0 or the error.
    int moveNoReplace(const QByteArray &from, const QByteArray &to)
    {
        const char *a = from.constData();
        const char *b = to.constData();
        switch (m_renameMethod) {
        case RenameMethod::Untried:
        case RenameMethod::NoReplaceFlag:
            if (::renameat2(m_fd, a, m_fd, b, RENAME_NOREPLACE) == 0) {
                m_renameMethod = RenameMethod::NoReplaceFlag;
                return 0;
            }
            if (m_renameMethod == RenameMethod::NoReplaceFlag
                || (errno != EINVAL && errno != ENOSYS))
                return errno;
            m_renameMethod = RenameMethod::LinkUntried;
            [[fallthrough]];
        case RenameMethod::LinkUntried:
        case RenameMethod::LinkThenUnlink:
            if (::linkat(m_fd, a, m_fd, b, 0) == 0) {
                m_renameMethod = RenameMethod::LinkThenUnlink;
                if (::unlinkat(m_fd, a, 0) == 0)
                    return 0;
                const int error = errno;
                ::unlinkat(m_fd, b, 0);
                return error;
            }
            if (m_renameMethod == RenameMethod::LinkThenUnlink
                || (errno != EPERM && errno != ENOSYS && errno != EXDEV && errno != EOPNOTSUPP))
                return errno;
            m_renameMethod = RenameMethod::CheckedRename;
            [[fallthrough]];
        case RenameMethod::CheckedRename: {
            struct stat st;
            if (::fstatat(m_fd, b, &st, AT_SYMLINK_NOFOLLOW) == 0)
                return EEXIST;
            if (errno != ENOENT)
                return errno;
            return ::renameat(m_fd, a, m_fd, b) == 0 ? 0 : errno;
        }
        }
        return EINVAL;
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
    RenameMethod m_renameMethod = RenameMethod::Untried;
};

#else

OpResult lastFailure()
{
    return OpResult::failure(qt_error_string(int(GetLastError())));
}

// A folder on Windows. Names are joined to the folder path; the checks that every name
// is a plain file name keep them inside it.
class WindowsFolder final : public Folder
{
public:
    explicit WindowsFolder(QString path)
        : m_path(std::move(path))
    { }
    QString path() const override { return m_path; }
    bool exists(const QString &name) override { return QFileInfo::exists(full(name)); }
    bool canRead(const QString &name) override
    {
        QFile f(full(name));
        return QFileInfo(f).isFile() && f.open(QIODevice::ReadOnly);
    }
    OpResult readFile(const QString &name, QByteArray *bytes, qint64 maxBytes) override
    {
        QFile f(full(name));
        if (!f.open(QIODevice::ReadOnly))
            return OpResult::failure(f.errorString());
        if (f.size() > maxBytes)
            return OpResult::failure(QStringLiteral("File too large"));
        *bytes = f.readAll();
        return {};
    }
    OpResult createFileDurably(const QString &name, const QByteArray &bytes) override
    {
        const QString temp = full(tempNameFor(name));
        HANDLE h = CreateFileW(reinterpret_cast<LPCWSTR>(temp.utf16()), GENERIC_WRITE, 0, nullptr,
                               CREATE_NEW, FILE_ATTRIBUTE_NORMAL, nullptr);
        if (h == INVALID_HANDLE_VALUE)
            return lastFailure();
        DWORD written = 0;
        const bool ok = WriteFile(h, bytes.constData(), DWORD(bytes.size()), &written, nullptr)
            && written == DWORD(bytes.size()) && FlushFileBuffers(h);
        const OpResult failure = ok ? OpResult {} : lastFailure();
        CloseHandle(h);
        if (ok
            && MoveFileExW(reinterpret_cast<LPCWSTR>(temp.utf16()),
                           reinterpret_cast<LPCWSTR>(full(name).utf16()), MOVEFILE_WRITE_THROUGH))
            return {};
        const OpResult result = ok ? lastFailure() : failure;
        DeleteFileW(reinterpret_cast<LPCWSTR>(temp.utf16()));
        return result;
    }
    OpResult renameNoReplace(const QString &from, const QString &to) override
    {
        // Neither MOVEFILE_REPLACE_EXISTING nor MOVEFILE_COPY_ALLOWED: fail, never replace.
        if (MoveFileExW(reinterpret_cast<LPCWSTR>(full(from).utf16()),
                        reinterpret_cast<LPCWSTR>(full(to).utf16()), MOVEFILE_WRITE_THROUGH))
            return {};
        return lastFailure();
    }
    OpResult remove(const QString &name) override
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
