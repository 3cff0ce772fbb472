// Folder decorators for fault injection: a real folder underneath, with chosen steps made to
// fail as a whole. (The fault model of tests/rename walks the faults of single requests.)
#pragma once

#include "folder.h"

#include <QFile>
#include <QSet>

#include <cerrno>
#include <memory>

// Forwards every request to a real folder. With `ignoreCase` the folder behaves as FAT, exFAT,
// NTFS or ext4 with casefold do: a name reaches the entry whose name differs from it only in
// case, and an entry keeps the spelling it was made with. The steps are composed over these
// requests, so the decorator chooses its own rename method, as a folder of its kind would.
class ForwardingFolder : public renaming::Folder
{
public:
    explicit ForwardingFolder(std::unique_ptr<renaming::Folder> inner)
        : m_inner(std::move(inner))
    { }

    QString path() const override { return m_inner->path(); }
    renaming::FileStatus status(const QString &name) override
    {
        return m_inner->status(entry(name));
    }
    bool canRead(const QString &name) override { return m_inner->canRead(entry(name)); }
    renaming::OpResult readFile(const QString &name, QByteArray *bytes, qint64 maxBytes) override
    {
        return m_inner->readFile(entry(name), bytes, maxBytes);
    }
    std::optional<QSet<QString>> entryNames() override { return m_inner->entryNames(); }
    renaming::OpResult checkAccess(bool write) override { return m_inner->checkAccess(write); }
    int newListingHandle() override { return m_inner->newListingHandle(); }
    renaming::OpResult writeNewFile(const QString &name, const QByteArray &bytes) override
    {
        if (takenInOtherCase(name, name))
            return exists();
        return m_inner->writeNewFile(name, bytes);
    }
    renaming::OpResult renameExclusive(const QString &from, const QString &to) override
    {
        const QString source = entry(from);
        if (takenInOtherCase(to, source))
            return exists();
        return m_inner->renameExclusive(source, to);
    }
    renaming::OpResult link(const QString &from, const QString &to) override
    {
        const QString source = entry(from);
        if (takenInOtherCase(to, source))
            return exists();
        return m_inner->link(source, to);
    }
    renaming::OpResult renameOver(const QString &from, const QString &to) override
    {
        return m_inner->renameOver(entry(from), entry(to));
    }
    renaming::OpResult unlink(const QString &name) override { return m_inner->unlink(entry(name)); }
    renaming::OpResult sync() override { return m_inner->sync(); }

    bool ignoreCase = false;

protected:
    // The entry a name reaches: its own spelling, or with `ignoreCase` the spelling of an entry
    // that differs from it only in case.
    QString entry(const QString &name)
    {
        if (!ignoreCase || m_inner->exists(name))
            return name;
        for (const QString &other : m_inner->entryNames().value_or(QSet<QString>())) {
            if (other.compare(name, Qt::CaseInsensitive) == 0)
                return other;
        }
        return name;
    }
    // Whether `name` reaches an entry spelled otherwise that is not `source` itself.
    bool takenInOtherCase(const QString &name, const QString &source)
    {
        const QString target = entry(name);
        return ignoreCase && target != name && target != source;
    }
    static renaming::OpResult exists()
    {
        return renaming::OpResult::failure(QStringLiteral("File exists"), EEXIST);
    }

    std::unique_ptr<renaming::Folder> m_inner;
};

// Makes chosen steps fail before they act, as a race, a permission change, an I/O error or a
// power cut would.
class FaultyFolder : public ForwardingFolder
{
public:
    using ForwardingFolder::ForwardingFolder;

    int renames = 0; // renames asked for so far
    QList<int> failRenames; // these renames (counted from 1) fail
    int stuckAfter = -1; // after this many renames every further rename fails; -1: never
    bool crash = false; // once stuck, every write and deletion fails too, as after a power cut
    QSet<QString> failWritesOf; // history files whose write fails
    QSet<QString> failRemovesOf; // files whose deletion fails
    bool failSync = false;
    int failSyncAt = 0; // this sync (counted from 1) fails; 0: none
    QString appears; // another program creates this file just before the first rename

    renaming::CreateResult createFileDurably(const QString &name, const QByteArray &bytes) override
    {
        if (failWritesOf.contains(name) || dead()) {
            renaming::CreateResult failed;
            static_cast<renaming::OpResult &>(failed)
                = renaming::OpResult::failure(QStringLiteral("No space left on device"), ENOSPC);
            return failed;
        }
        return ForwardingFolder::createFileDurably(name, bytes);
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
        return ForwardingFolder::renameNoReplace(from, to);
    }
    renaming::OpResult remove(const QString &name) override
    {
        if (failRemovesOf.contains(name) || dead())
            return renaming::OpResult::failure(QStringLiteral("Permission denied"), EACCES);
        return ForwardingFolder::remove(name);
    }
    renaming::OpResult sync() override
    {
        if (failSync || ++m_syncs == failSyncAt)
            return renaming::OpResult::failure(QStringLiteral("Input/output error"), EIO);
        return ForwardingFolder::sync();
    }

private:
    int m_syncs = 0;
    bool dead() const { return crash && renames >= stuckAfter; }
};

// Opens the real folder and wraps it; lets a test hand a decorated folder to the engine or
// the window through a FolderOpener.
template<typename Decorator, typename... Args>
std::unique_ptr<Decorator> wrapFolder(const QString &path, Args &&...args)
{
    QString reason;
    auto inner = renaming::openFolder(path, &reason);
    if (!inner)
        return nullptr;
    return std::make_unique<Decorator>(std::move(inner), std::forward<Args>(args)...);
}
