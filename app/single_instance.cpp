#include "single_instance.h"

#include <QDir>
#include <QLockFile>
#include <QStandardPaths>

std::unique_ptr<QLockFile> claimSingleInstance()
{
    QString folder = QStandardPaths::writableLocation(QStandardPaths::RuntimeLocation);
    if (folder.isEmpty())
        folder = QDir::tempPath();
    auto lock = std::make_unique<QLockFile>(QDir(folder).filePath(QStringLiteral("kelvaro.lock")));
    // A running copy renews nothing, so no age makes its lock stale; only a lock whose
    // process has gone is taken over.
    lock->setStaleLockTime(0);
    if (!lock->tryLock(0))
        return nullptr;
    return lock;
}
