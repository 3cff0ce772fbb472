#include "single_instance.h"

#include <QDir>
#include <QFile>
#include <QStandardPaths>

#ifndef Q_OS_WIN
#include <cerrno>

#include <fcntl.h>
#include <sys/file.h>
#include <sys/stat.h>
#include <unistd.h>
#endif

namespace {

const QString LockFileName = QStringLiteral("kelvaro.lock");

#ifndef Q_OS_WIN
// Makes `folder` when it is missing, and tells whether it is a real folder of this user that
// nobody else may enter: a lock elsewhere could be held, or its file replaced, by another user.
bool isPrivateFolder(const QString &folder)
{
    const QByteArray path = QFile::encodeName(folder);
    ::mkdir(path.constData(), 0700);
    struct stat st;
    return ::lstat(path.constData(), &st) == 0 && S_ISDIR(st.st_mode) && st.st_uid == ::geteuid()
        && (st.st_mode & 077) == 0;
}

// The lock file of `folder`, opened for locking: a regular file of this user, never reached
// through a link. -1 when the folder cannot hold one.
int openLockFile(const QString &folder)
{
    const QByteArray path = QFile::encodeName(QDir(folder).filePath(LockFileName));
    const int fd = ::open(path.constData(), O_RDWR | O_CREAT | O_CLOEXEC | O_NOFOLLOW, 0600);
    if (fd < 0)
        return -1;
    struct stat st;
    if (::fstat(fd, &st) != 0 || !S_ISREG(st.st_mode) || st.st_uid != ::geteuid()) {
        ::close(fd);
        return -1;
    }
    return fd;
}
#endif

} // namespace

SingleInstance::SingleInstance(const QStringList &folders, QObject *parent)
    : QObject(parent)
    , m_folders(folders)
{ }

SingleInstance::~SingleInstance()
{
#ifndef Q_OS_WIN
    if (m_lockFd >= 0)
        ::close(m_lockFd);
#endif
}

QStringList SingleInstance::defaultFolders()
{
    QStringList folders { QStandardPaths::writableLocation(QStandardPaths::RuntimeLocation) };
#ifndef Q_OS_WIN
    folders << QDir(QDir::tempPath()).filePath(QStringLiteral("kelvaro-%1").arg(::geteuid()));
#else
    folders << QDir::tempPath();
#endif
    folders.removeAll(QString());
    return folders;
}

bool SingleInstance::claim()
{
    for (const QString &folder : std::as_const(m_folders)) {
#ifdef Q_OS_WIN
        auto lock = std::make_unique<QLockFile>(QDir(folder).filePath(LockFileName));
        // A running copy renews nothing, so no age makes its lock stale; only a lock whose
        // process has gone is taken over.
        lock->setStaleLockTime(0);
        if (lock->tryLock(0)) {
            m_lock = std::move(lock);
            return true;
        }
        if (lock->error() == QLockFile::LockFailedError)
            return false;
#else
        const int fd = isPrivateFolder(folder) ? openLockFile(folder) : -1;
        if (fd < 0)
            continue;
        if (::flock(fd, LOCK_EX | LOCK_NB) == 0) {
            m_lockFd = fd;
            return true;
        }
        const int error = errno;
        ::close(fd);
        if (error == EWOULDBLOCK)
            return false;
#endif
    }
    return true;
}
