// What the engine tests share: a temporary folder whose files are compared name for name and
// byte for byte, a folder with a chosen fault, and the input the preview gives a batch rename.
// The folder is made in the system's temporary folder (TMPDIR), which the suite points at each
// kind of file system in turn.
#pragma once

#include "batch_rename.h"
#include "faulty_folder.h"
#include "history.h"
#include "messages.h"
#include "naming.h"
#include "restore.h"

#include <QDir>
#include <QDirIterator>
#include <QFile>
#include <QFileInfo>
#include <QTemporaryDir>
#include <QTest>

using namespace renaming;
using Files = QMap<QString, QByteArray>; // every entry of a folder → its bytes

struct Scene
{
    QTemporaryDir dir;

    void put(const QString &name, const QByteArray &bytes) const
    {
        QDir(dir.path()).mkpath(QFileInfo(dir.filePath(name)).path());
        QFile f(dir.filePath(name));
        QVERIFY(f.open(QIODevice::WriteOnly) && f.write(bytes) == bytes.size());
    }
    // Each file holds its own name, so that a test sees which file carries which name.
    void fill(const QStringList &names) const
    {
        for (const QString &name : names)
            put(name, name.toUtf8());
    }
    // Every entry, those of subfolders by their path in the folder.
    Files files() const
    {
        Files result;
        for (QDirIterator it(dir.path(), QDir::AllEntries | QDir::Hidden | QDir::NoDotAndDotDot,
                             QDirIterator::Subdirectories);
             it.hasNext();) {
            QFile f(it.next());
            result.insert(QDir(dir.path()).relativeFilePath(it.filePath()),
                          f.open(QIODevice::ReadOnly) ? f.readAll() : "<not a file>");
        }
        return result;
    }
    // Writes each file of `changes`, or deletes it where its content is null.
    void change(const Files &changes) const
    {
        for (auto it = changes.cbegin(); it != changes.cend(); ++it)
            it->isNull() ? void(QFile::remove(dir.filePath(it.key()))) : put(it.key(), *it);
    }
    // Whether the folder's file system takes names that differ only in case for one.
    bool foldsCase() const
    {
        put(".case", {});
        const bool folds = QFileInfo::exists(dir.filePath(".CASE"));
        QFile::remove(dir.filePath(".case"));
        return folds;
    }
    // The real folder with one fault: "rename k [l]" (the k-th [and l-th] rename fail),
    // "stuck k" (and every rename after the k-th), "crash k" (a power cut after k renames),
    // "write <file>", "remove <file>", "sync" (the first sync), or "appear <file>" (another
    // program creates the file between the checks and the first rename).
    std::unique_ptr<FaultyFolder> open(const QString &fault = {}) const
    {
        auto folder = faultyFolder(dir.path());
        const QString kind = fault.section(' ', 0, 0), what = fault.section(' ', 1);
        if (kind == "rename")
            for (const QString &k : what.split(' '))
                folder->failRenames << k.toInt();
        if (kind == "stuck" || kind == "crash")
            folder->stuckAfter = what.toInt() - (kind == "stuck");
        folder->crash = kind == "crash";
        folder->appears = kind == "appear" ? what : QString();
        folder->failWritesOf = { kind == "write" ? what : QString() };
        folder->failRemovesOf = { kind == "remove" ? what : QString() };
        folder->failSyncAt = kind == "sync";
        return folder;
    }
};

// The input as the window hands it over after the preview: new names by the naming rule.
inline BatchInput previewed(const QStringList &files, const QString &prefix, int startNo,
                            const QString &pattern = QStringLiteral("*.jpg"))
{
    BatchInput input { files, {}, prefix, startNo, pattern };
    for (int i = 0; i < files.size(); ++i)
        input.newNames << newName(prefix, startNo, i, files[i]).value_or(QString());
    return input;
}
