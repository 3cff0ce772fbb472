// Kelvaro runs once per user. The running copy holds an advisory lock (flock) on the file
// "kelvaro.lock" in the user's runtime folder. The kernel drops such a lock when its process
// ends, however it ends, so a copy that crashed or was killed never blocks the next start, and
// what the file holds (nothing, or whatever a crash or another program left in it) does not
// matter. (Windows has no flock; there a QLockFile, whose stale locks are taken over once
// their process has gone, stands in.)
//
// A runtime folder that cannot hold the lock file (read-only, a file in the way) gives way to a
// private folder of the user's in the temporary folder; when no folder can hold it, the program
// starts without the check: a second window is a lesser harm than a program that never starts.
//
// The running copy listens on the local socket "kelvaro.socket" beside the lock. A later start
// that finds the lock held hands the folder it was given (or nothing) over through it, one
// line of UTF-8, and ends.
#pragma once

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

    // The user's runtime folder, then the private folder "kelvaro-<user id>" in the temporary
    // folder.
    static QStringList defaultFolders();

    // Tries to become the running copy. True when this process is it, or when no folder can
    // hold the lock at all; false when another copy runs.
    bool claim();

    // After a failed claim: hands `folder` (empty: none) to the running copy, waiting a moment
    // for one that is still starting to listen. False when no copy took it.
    bool handOver(const QString &folder) const;

signals:
    // A later start handed over `folder`; empty when it was given none.
    void handedOver(const QString &folder);

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
};
