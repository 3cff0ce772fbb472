// Folder decorators for fault injection: a real folder underneath, with chosen operations
// made to fail.
#pragma once

#include "folder.h"

#include <QFile>
#include <QSet>

#include <memory>

// Forwards every operation to a real folder and counts the renames.
class ForwardingFolder : public renaming::Folder
{
public:
    explicit ForwardingFolder(std::unique_ptr<renaming::Folder> inner)
        : m_inner(std::move(inner))
    { }

    QString path() const override { return m_inner->path(); }
    bool exists(const QString &name) override { return m_inner->exists(name); }
    bool canRead(const QString &name) override { return m_inner->canRead(name); }
    renaming::OpResult readFile(const QString &name, QByteArray *bytes, qint64 maxBytes) override
    {
        return m_inner->readFile(name, bytes, maxBytes);
    }
    renaming::OpResult writeFileDurably(const QString &name, const QByteArray &bytes) override
    {
        return m_inner->writeFileDurably(name, bytes);
    }
    renaming::OpResult renameNoReplace(const QString &from, const QString &to) override
    {
        ++renames;
        return m_inner->renameNoReplace(from, to);
    }
    renaming::OpResult remove(const QString &name) override { return m_inner->remove(name); }
    renaming::OpResult sync() override { return m_inner->sync(); }
    std::optional<QSet<QString>> entryNames() override { return m_inner->entryNames(); }

    int renames = 0;

protected:
    std::unique_ptr<renaming::Folder> m_inner;
};

// Makes chosen operations fail, as a race, a permission change or an I/O error would.
class FaultyFolder : public ForwardingFolder
{
public:
    using ForwardingFolder::ForwardingFolder;

    int failRenameNumber = 0; // the k-th rename (1-based) fails; 0: none
    bool failAllRenamesAfterFirstFailure = false; // renaming back fails too
    QSet<QString> failWritesOf; // history files whose write fails
    QSet<QString> failRemovesOf; // files whose deletion fails
    bool failSync = false;
    int appearAtRename = 0; // just before the k-th rename, another program creates...
    QString appearing; // ...this file, holding "appeared"

    renaming::OpResult writeFileDurably(const QString &name, const QByteArray &bytes) override
    {
        if (failWritesOf.contains(name))
            return renaming::OpResult::failure(QStringLiteral("No space left on device"));
        return ForwardingFolder::writeFileDurably(name, bytes);
    }
    renaming::OpResult renameNoReplace(const QString &from, const QString &to) override
    {
        const int k = renames + 1;
        if (k == appearAtRename) {
            QFile file(path() + u'/' + appearing);
            if (!file.open(QIODevice::WriteOnly | QIODevice::NewOnly)
                || file.write("appeared") != 8)
                qFatal("cannot create %s", qPrintable(file.fileName()));
        }
        if (k == failRenameNumber
            || (failAllRenamesAfterFirstFailure && failRenameNumber > 0 && k > failRenameNumber)) {
            ++renames;
            return renaming::OpResult::failure(QStringLiteral("Input/output error"));
        }
        return ForwardingFolder::renameNoReplace(from, to);
    }
    renaming::OpResult remove(const QString &name) override
    {
        if (failRemovesOf.contains(name))
            return renaming::OpResult::failure(QStringLiteral("Permission denied"));
        return ForwardingFolder::remove(name);
    }
    renaming::OpResult sync() override
    {
        if (failSync)
            return renaming::OpResult::failure(QStringLiteral("Input/output error"));
        return ForwardingFolder::sync();
    }
};

// Stops dead after `renamesBeforeCrash` renames, as a power cut would: from then on every
// operation that would change the disk fails, so nothing can be rolled back or cleaned up.
class CrashingFolder : public ForwardingFolder
{
public:
    CrashingFolder(std::unique_ptr<renaming::Folder> inner, int renamesBeforeCrash)
        : ForwardingFolder(std::move(inner))
        , m_limit(renamesBeforeCrash)
    { }
    bool crashed() const { return renames >= m_limit; }

    renaming::OpResult writeFileDurably(const QString &name, const QByteArray &bytes) override
    {
        if (crashed())
            return dead();
        return ForwardingFolder::writeFileDurably(name, bytes);
    }
    renaming::OpResult renameNoReplace(const QString &from, const QString &to) override
    {
        if (crashed())
            return dead();
        return ForwardingFolder::renameNoReplace(from, to);
    }
    renaming::OpResult remove(const QString &name) override
    {
        if (crashed())
            return dead();
        return ForwardingFolder::remove(name);
    }

private:
    static renaming::OpResult dead()
    {
        return renaming::OpResult::failure(QStringLiteral("power cut"));
    }
    int m_limit;
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
