// Folder decorators for fault injection: a real folder underneath, with chosen operations
// made to fail.
#pragma once

#include "folder.h"

#include <QFile>
#include <QSet>

#include <memory>

// Forwards every operation to a real folder and counts the renames. With `ignoreCase` the
// folder behaves as FAT, exFAT, NTFS or ext4 with casefold do: a name reaches the entry whose
// name differs from it only in case, and an entry keeps the spelling it was made with.
class ForwardingFolder : public renaming::Folder
{
public:
    explicit ForwardingFolder(std::unique_ptr<renaming::Folder> inner)
        : m_inner(std::move(inner))
    { }

    QString path() const override { return m_inner->path(); }
    bool exists(const QString &name) override { return m_inner->exists(entry(name)); }
    bool canRead(const QString &name) override { return m_inner->canRead(entry(name)); }
    renaming::OpResult readFile(const QString &name, QByteArray *bytes, qint64 maxBytes) override
    {
        return m_inner->readFile(entry(name), bytes, maxBytes);
    }
    renaming::OpResult createFileDurably(const QString &name, const QByteArray &bytes) override
    {
        return m_inner->createFileDurably(entry(name), bytes);
    }
    renaming::OpResult renameNoReplace(const QString &from, const QString &to) override
    {
        ++renames;
        const QString source = entry(from), target = entry(to);
        if (ignoreCase && target != to && target != source)
            return renaming::OpResult::failure(QStringLiteral("File exists"));
        return m_inner->renameNoReplace(source, to);
    }
    renaming::OpResult remove(const QString &name) override { return m_inner->remove(entry(name)); }
    renaming::OpResult sync() override { return m_inner->sync(); }
    std::optional<QSet<QString>> entryNames() override { return m_inner->entryNames(); }
    renaming::OpResult checkAccess(bool write) override { return m_inner->checkAccess(write); }
    std::optional<qint64> modifiedAt(const QString &name) override
    {
        return m_inner->modifiedAt(entry(name));
    }
    int newListingHandle() override { return m_inner->newListingHandle(); }

    int renames = 0;
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

    std::unique_ptr<renaming::Folder> m_inner;
};

// Makes chosen operations fail, as a race, a permission change, an I/O error or a power cut
// would.
class FaultyFolder : public ForwardingFolder
{
public:
    using ForwardingFolder::ForwardingFolder;

    QList<int> failRenames; // these renames (counted from 1) fail
    int stuckAfter = -1; // after this many renames every further rename fails; -1: never
    bool crash = false; // once stuck, every write and deletion fails too, as after a power cut
    QSet<QString> failWritesOf; // history files whose write fails
    QSet<QString> failRemovesOf; // files whose deletion fails
    bool failSync = false;
    QString appears; // another program creates this file just before the first rename

    renaming::OpResult createFileDurably(const QString &name, const QByteArray &bytes) override
    {
        if (failWritesOf.contains(name) || dead())
            return renaming::OpResult::failure(QStringLiteral("No space left on device"));
        return ForwardingFolder::createFileDurably(name, bytes);
    }
    renaming::OpResult renameNoReplace(const QString &from, const QString &to) override
    {
        if (renames == 0 && !appears.isEmpty())
            m_inner->createFileDurably(appears, "stranger");
        if (failRenames.contains(renames + 1) || (stuckAfter >= 0 && renames >= stuckAfter)) {
            ++renames;
            return renaming::OpResult::failure(QStringLiteral("Input/output error"));
        }
        return ForwardingFolder::renameNoReplace(from, to);
    }
    renaming::OpResult remove(const QString &name) override
    {
        if (failRemovesOf.contains(name) || dead())
            return renaming::OpResult::failure(QStringLiteral("Permission denied"));
        return ForwardingFolder::remove(name);
    }
    renaming::OpResult sync() override
    {
        if (failSync)
            return renaming::OpResult::failure(QStringLiteral("Input/output error"));
        return ForwardingFolder::sync();
    }

private:
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
