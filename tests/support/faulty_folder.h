// A folder decorator for fault injection: a real folder underneath, with chosen steps made to
// fail as a whole. (The fault model of tests/rename walks the faults of single requests.)
#pragma once

#include "folder.h"

#include <QSet>

#include <cerrno>
#include <memory>

// Forwards every request to a real folder, and makes chosen steps fail before they act, as a
// race, a permission change, an I/O error or a power cut would. The steps are composed over the
// requests, so the decorator chooses its own rename method, as a folder of its kind would.
class FaultyFolder : public renaming::Folder
{
public:
    explicit FaultyFolder(std::unique_ptr<renaming::Folder> inner)
        : m_inner(std::move(inner))
    { }

    int renames = 0; // renames asked for so far
    QList<int> failRenames; // these renames (counted from 1) fail
    int stuckAfter = -1; // after this many renames every further rename fails; -1: never
    bool crash = false; // once stuck, every write and deletion fails too, as after a power cut
    QSet<QString> failWritesOf; // history files whose write fails
    QSet<QString> failRemovesOf; // files whose deletion fails
    int failSyncAt = 0; // this sync (counted from 1) fails; 0: none
    QString appears; // another program creates this file just before the first rename

    QString path() const override { return m_inner->path(); }
    renaming::FileStatus status(const QString &name) override { return m_inner->status(name); }
    bool canRead(const QString &name) override { return m_inner->canRead(name); }
    renaming::OpResult readFile(const QString &name, QByteArray *bytes, qint64 maxBytes) override
    {
        return m_inner->readFile(name, bytes, maxBytes);
    }
    std::optional<QSet<QString>> entryNames() override { return m_inner->entryNames(); }
    renaming::OpResult checkAccess(bool write) override { return m_inner->checkAccess(write); }
    int newListingHandle() override { return m_inner->newListingHandle(); }
    renaming::OpResult writeNewFile(const QString &name, const QByteArray &bytes) override
    {
        return m_inner->writeNewFile(name, bytes);
    }
    renaming::OpResult renameExclusive(const QString &from, const QString &to) override
    {
        return m_inner->renameExclusive(from, to);
    }
    renaming::OpResult link(const QString &from, const QString &to) override
    {
        return m_inner->link(from, to);
    }
    renaming::OpResult renameOver(const QString &from, const QString &to) override
    {
        return m_inner->renameOver(from, to);
    }
    renaming::OpResult unlink(const QString &name) override { return m_inner->unlink(name); }

    renaming::CreateResult createFileDurably(const QString &name, const QByteArray &bytes) override
    {
        if (failWritesOf.contains(name) || dead()) {
            renaming::CreateResult failed;
            static_cast<renaming::OpResult &>(failed)
                = renaming::OpResult::failure(QStringLiteral("No space left on device"), ENOSPC);
            return failed;
        }
        return Folder::createFileDurably(name, bytes);
    }
    renaming::MoveResult renameNoReplace(const QString &from, const QString &to) override
    {
        if (renames == 0 && !appears.isEmpty())
            m_inner->createFileDurably(appears, "stranger");
        if (failRenames.contains(renames + 1) || (stuckAfter >= 0 && renames >= stuckAfter)) {
            ++renames;
            renaming::MoveResult failed;
            static_cast<renaming::OpResult &>(failed)
                = renaming::OpResult::failure(QStringLiteral("Input/output error"), EIO);
            failed.at = renaming::MoveResult::At::From;
            return failed;
        }
        ++renames;
        return Folder::renameNoReplace(from, to);
    }
    renaming::OpResult remove(const QString &name) override
    {
        if (failRemovesOf.contains(name) || dead())
            return renaming::OpResult::failure(QStringLiteral("Permission denied"), EACCES);
        return Folder::remove(name);
    }
    renaming::OpResult sync() override
    {
        if (++m_syncs == failSyncAt)
            return renaming::OpResult::failure(QStringLiteral("Input/output error"), EIO);
        return m_inner->sync();
    }

private:
    std::unique_ptr<renaming::Folder> m_inner;
    int m_syncs = 0;
    bool dead() const { return crash && renames >= stuckAfter; }
};

// Opens the real folder and wraps it; lets a test hand a decorated folder to the engine or
// the window through a FolderOpener.
inline std::unique_ptr<FaultyFolder> faultyFolder(const QString &path)
{
    QString reason;
    auto inner = renaming::openFolder(path, &reason);
    return inner ? std::make_unique<FaultyFolder>(std::move(inner)) : nullptr;
}
