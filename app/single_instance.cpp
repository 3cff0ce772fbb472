#include "single_instance.h"

#include "messages.h"

#include <QDeadlineTimer>
#include <QDir>
#include <QFile>
#include <QLocalServer>
#include <QLocalSocket>
#include <QStandardPaths>
#include <QThread>
#include <QtEndian>

#include <cstdio>

#ifndef Q_OS_WIN
#include <cerrno>

#include <fcntl.h>
#include <sys/file.h>
#include <sys/stat.h>
#include <unistd.h>
#endif

namespace {

const QString LockFileName = QStringLiteral("kelvaro.lock");
const QString SocketFileName = QStringLiteral("kelvaro.socket");
// A hand-over is one path; a peer that announces more is cut off.
constexpr quint32 MaxHandOverBytes = 64 * 1024;
constexpr int LengthBytes = 4;
// How long a later start waits for a running copy that has taken the lock but is not yet
// listening; it listens right after taking the lock.
constexpr int HandOverWaitMs = 3000;

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
    // In the user's home, where no other user can make the folder first.
    if (const QString cache
        = QStandardPaths::writableLocation(QStandardPaths::GenericCacheLocation);
        !cache.isEmpty() && QDir().mkpath(cache))
        folders << QDir(cache).filePath(QStringLiteral("kelvaro"));
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
            m_folder = folder;
            listen();
            return true;
        }
        if (lock->error() == QLockFile::LockFailedError) {
            m_folder = folder;
            return false;
        }
#else
        // A folder that fails the check is never used, not even to look for a running copy.
        const int fd = isPrivateFolder(folder) ? openLockFile(folder) : -1;
        if (fd < 0)
            continue;
        if (::flock(fd, LOCK_EX | LOCK_NB) == 0) {
            m_lockFd = fd;
            m_folder = folder;
            listen();
            return true;
        }
        const int error = errno;
        ::close(fd);
        if (error == EWOULDBLOCK) {
            m_folder = folder;
            return false;
        }
#endif
    }
    std::fprintf(stderr, "%s\n", msg::NoLockFolder.toUtf8().constData());
    return true;
}

QString SingleInstance::socketName() const
{
    return QDir(m_folder).filePath(SocketFileName);
}

void SingleInstance::listen()
{
    m_server = new QLocalServer(this);
    m_server->setSocketOptions(QLocalServer::UserAccessOption);
    // Only the holder of the lock gets here, so a socket file found in its place was left by a
    // copy that ended without removing it.
    QLocalServer::removeServer(socketName());
    if (!m_server->listen(socketName())) {
        // The program runs all the same; later starts only end without handing anything over.
        delete m_server;
        m_server = nullptr;
        return;
    }
    connect(m_server, &QLocalServer::newConnection, this, [this] {
        while (QLocalSocket *socket = m_server->nextPendingConnection()) {
            connect(socket, &QLocalSocket::readyRead, this, [this, socket] { receive(socket); });
            // A connection that ends before its path has come whole hands nothing over.
            connect(socket, &QLocalSocket::disconnected, this, [this, socket] {
                m_received.remove(socket);
                socket->deleteLater();
            });
            receive(socket);
        }
    });
}

void SingleInstance::receive(QLocalSocket *socket)
{
    QByteArray &received = m_received[socket];
    received += socket->readAll();
    if (received.size() < LengthBytes)
        return;
    const quint32 length = qFromBigEndian<quint32>(received.constData());
    if (length > MaxHandOverBytes || received.size() > LengthBytes + qsizetype(length)) {
        m_received.remove(socket);
        socket->abort();
        return;
    }
    if (received.size() < LengthBytes + qsizetype(length))
        return;
    const QByteArray folder = received.mid(LengthBytes);
    m_received.remove(socket);
    socket->disconnectFromServer();
    emit handedOver(folder);
}

bool SingleInstance::handOver(const QByteArray &folder) const
{
    if (m_folder.isEmpty())
        return false;
    QLocalSocket socket;
    const QDeadlineTimer deadline(HandOverWaitMs);
    for (;;) {
        socket.connectToServer(socketName());
        if (socket.waitForConnected(int(deadline.remainingTime())))
            break;
        if (deadline.hasExpired())
            return false;
        QThread::msleep(50);
    }
    QByteArray message(LengthBytes, Qt::Uninitialized);
    qToBigEndian<quint32>(quint32(folder.size()), message.data());
    socket.write(message + folder);
    while (socket.bytesToWrite() > 0 && socket.waitForBytesWritten(int(deadline.remainingTime()))) {
    }
    const bool written = socket.bytesToWrite() == 0;
    socket.disconnectFromServer();
    if (socket.state() != QLocalSocket::UnconnectedState)
        socket.waitForDisconnected(int(deadline.remainingTime()));
    return written;
}
