// Kelvaro runs once per user. The running copy holds an advisory lock (flock) on the file
// "kelvaro.lock" in a folder of the user's own. The kernel drops such a lock when its process
// ends, however it ends, so a copy that crashed or was killed never blocks the next start, and
// what the file holds (nothing, or whatever a crash or another program left in it) does not
// matter. (Windows has no flock; there a QLockFile, whose stale locks are taken over once
// their process has gone, stands in.)
//
// The lock is held only in a folder that the user owns and that nobody else may enter (mode
// 0700, no link): another user who could make or enter the folder could hold the lock, or put
// another file in its place, and so stop the check. The folders tried, in order: the user's
// runtime folder; "kelvaro-<user id>" in the temporary folder, made by the program; the folder
// "kelvaro" in the user's cache folder (~/.cache), which another user cannot make beforehand.
// A folder that fails the check is passed over, never used. Only when none of them can hold the
// lock (a read-only home, for one) does the program start without the check, and says so on
// standard error: a second window is a lesser harm than a program that never starts.
//
// The running copy listens on the local socket "kelvaro.socket" beside the lock. A later start
// that finds the lock held hands the folder it was given (or nothing) over through it: the
// length of the path in four bytes (big-endian), then the path's bytes exactly as the system
// spells them, and ends. The running copy takes a path only when it has come whole; a
// connection that ends early or announces more than a path can hold hands nothing over.
#pragma once

#include <QByteArray>
#include <QHash>
#include <QObject>
#include <QString>
#include <QStringList>

class QLocalServer;
class QLocalSocket;

#ifdef Q_OS_WIN
#include <QLockFile>

#include <memory>
#endif

class SingleInstance : public QObject
{
    Q_OBJECT

public:
    // `folders`: where the lock may be held, tried in order.
    explicit SingleInstance(const QStringList &folders = defaultFolders(),
                            QObject *parent = nullptr);
    ~SingleInstance() override;

    // The user's runtime folder, the private folder "kelvaro-<user id>" in the temporary
    // folder, then "kelvaro" in the user's cache folder.
    static QStringList defaultFolders();

    // Tries to become the running copy. True when this process is it, or when no folder can
    // hold the lock at all; false when another copy runs.
    bool claim();

    // After a failed claim: hands `folder` (empty: none) to the running copy, waiting a moment
    // for one that is still starting to listen. False when no copy took it.
    bool handOver(const QByteArray &folder) const;

    // The folder whose lock this copy holds or found held; empty when none could hold it.
    const QString &lockFolder() const { return m_folder; }

signals:
    // A later start handed over `folder`, its bytes as sent; empty when it was given none.
    void handedOver(const QByteArray &folder);

private:
    QString socketName() const;
    void listen();
    void receive(QLocalSocket *socket);

#ifdef Q_OS_WIN
    std::unique_ptr<QLockFile> m_lock;
#else
    int m_lockFd = -1;
#endif
    QStringList m_folders;
    QString m_folder; // the folder whose lock this copy holds, or found held
    QLocalServer *m_server = nullptr;
    QHash<QLocalSocket *, QByteArray> m_received; // what each connection has sent so far
};
