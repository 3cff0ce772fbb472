// An in-memory folder for walking the fault space: a disk of entries and files whose file system
// is chosen (which renames it offers, whether it has hard links and tells their inode numbers,
// whether names ignore case), seen through a folder that counts every request and can fault
// one of them: fail before acting, act and then report a failure (a lost reply on a share),
// or stop dead before or after acting (a killed program, or a share gone for good).
#pragma once

#include "folder.h"

#include <QHash>
#include <QMap>

#include <cerrno>

// What a file system offers.
struct FileSystemKind
{
    const char *name;
    bool noReplaceFlag; // renameat2(RENAME_NOREPLACE)
    bool links; // link(2)
    bool inodes; // the same inode number for every name of a file
    bool foldCase; // names that differ only in case reach one entry
    // A share's client keeps what it last saw of a name until a request on it is answered: after
    // a link whose reply was lost the old name still shows one link, after an unlink whose reply
    // was lost the name still shows as there, also to the next program. A listing is always the
    // file system's own.
    bool staleCounts;
};

inline const QList<FileSystemKind> FileSystemKinds = {
    { "ext4", true, true, true, false, false },
    { "NFS (links)", false, true, true, false, true },
    { "sshfs (links, no inode numbers)", false, true, false, false, true },
    { "SMB (neither)", false, false, true, false, true },
    { "FAT (neither, case)", false, false, true, true, false },
    { "ext4 casefold", true, true, true, true, false },
};

// The files and entries of one folder, shared by every program run on it.
struct Disk
{
    struct File
    {
        QByteArray bytes;
        int links = 0;
        bool owned = true; // the user's own; others' files cannot be linked (protected_hardlinks)
        qint64 modified = 0;
    };
    FileSystemKind kind;
    QMap<QString, int> entries; // spelling → file
    QList<File> files;
    qint64 clock = 0;
    // What the share's client shows of the names it has seen, for every program that uses the
    // mount (kinds with stale counts only).
    QHash<QString, renaming::FileStatus> seen;

    explicit Disk(const FileSystemKind &k)
        : kind(k)
    { }

    // The spelling of the entry that `name` reaches, or an empty text.
    QString entry(const QString &name) const
    {
        if (entries.contains(name))
            return name;
        if (kind.foldCase) {
            for (auto it = entries.cbegin(); it != entries.cend(); ++it) {
                if (it.key().compare(name, Qt::CaseInsensitive) == 0)
                    return it.key();
            }
        }
        return {};
    }
    void put(const QString &name, const QByteArray &bytes)
    {
        files.append({ bytes, 1, true, ++clock });
        entries.insert(name, int(files.size()) - 1);
    }
    // Removes an entry by hand, as a user does (through the client, which then knows).
    void remove(const QString &name)
    {
        if (entries.contains(name))
            --files[entries.take(name)].links;
        seen.remove(name);
    }
    // Every entry by name with its bytes.
    QMap<QString, QByteArray> contents() const
    {
        QMap<QString, QByteArray> result;
        for (auto it = entries.cbegin(); it != entries.cend(); ++it)
            result.insert(it.key(), files[it.value()].bytes);
        return result;
    }
};

enum class Fault {
    None,
    FailBefore, // the request fails and does nothing
    ActThenFail, // the request is carried out and then reported failed
    DieBefore, // the program stops dead before the request
    DieAfter, // the program stops dead after the request was carried out
    GoneBefore, // from this request on the folder cannot be reached; the program goes on
    GoneAfter, // the request is carried out, then the folder cannot be reached
};

inline const char *faultName(Fault f)
{
    static const char *const names[] = { "none",
                                         "fails",
                                         "acts, then fails",
                                         "dies before",
                                         "dies after",
                                         "share gone before",
                                         "share gone after" };
    return names[int(f)];
}

// One program run's view of a disk. Requests that change the disk are the fault points,
// counted from 1; every request is counted in `requests`.
class ModelFolder final : public renaming::Folder
{
public:
    ModelFolder(Disk &disk, int faultAt = 0, Fault fault = Fault::None)
        : m_disk(disk)
        , m_faultAt(faultAt)
        , m_fault(fault)
    { }

    // A second request to fail, as a share failing again while the first failure is cleaned up.
    int failsAlsoAt = 0;

    int changes = 0; // requests that change the disk, so far
    int requests = 0; // every request
    bool syncFailed = false; // a sync reported a failure: nothing can say the work is on disk
    int links = 0; // link requests, so far
    bool died() const { return m_died; }

    QString path() const override { return QStringLiteral("/model"); }

    renaming::FileStatus status(const QString &name) override
    {
        if (!read())
            return { .error = EIO };
        // Where the client caches, a name looked at before shows what it showed then, until
        // a request on the folder is answered.
        if (m_disk.kind.staleCounts && m_disk.seen.contains(name))
            return m_disk.seen.value(name);
        const renaming::FileStatus s = fresh(name);
        if (m_disk.kind.staleCounts && s.exists)
            m_disk.seen.insert(name, s);
        return s;
    }
    bool canRead(const QString &name) override { return read() && !m_disk.entry(name).isEmpty(); }
    renaming::OpResult readFile(const QString &name, QByteArray *bytes, qint64 maxBytes) override
    {
        bytes->clear();
        if (!read())
            return io();
        const QString e = m_disk.entry(name);
        if (e.isEmpty())
            return failure(ENOENT);
        const QByteArray &content = file(e).bytes;
        if (content.size() > maxBytes)
            return failure(EFBIG);
        *bytes = content;
        return {};
    }
    std::optional<QSet<QString>> entryNames() override
    {
        if (!read())
            return std::nullopt;
        const QStringList names = m_disk.entries.keys();
        for (const QString &name : names) { // as a listing that looks at every entry
            if (m_disk.kind.staleCounts && !m_disk.seen.contains(name))
                m_disk.seen.insert(name, fresh(name));
        }
        return QSet<QString>(names.cbegin(), names.cend());
    }

    renaming::OpResult writeNewFile(const QString &name, const QByteArray &bytes) override
    {
        return change({ name }, [&]() -> renaming::OpResult {
            if (!m_disk.entry(name).isEmpty())
                return failure(EEXIST);
            m_disk.put(name, bytes);
            return {};
        });
    }
    renaming::OpResult renameExclusive(const QString &from, const QString &to) override
    {
        return move(from, to, false);
    }
    renaming::OpResult link(const QString &from, const QString &to) override
    {
        ++links;
        return change({ from, to }, [&]() -> renaming::OpResult {
            const QString source = m_disk.entry(from);
            if (!m_disk.kind.links || (!source.isEmpty() && !file(source).owned))
                return failure(EPERM);
            if (source.isEmpty())
                return failure(ENOENT);
            if (!m_disk.entry(to).isEmpty())
                return failure(EEXIST);
            ++file(source).links;
            m_disk.entries.insert(to, m_disk.entries.value(source));
            return {};
        });
    }
    renaming::OpResult renameOver(const QString &from, const QString &to) override
    {
        return move(from, to, true);
    }
    renaming::OpResult unlink(const QString &name) override
    {
        return change({ name }, [&]() -> renaming::OpResult {
            const QString e = m_disk.entry(name);
            if (e.isEmpty())
                return failure(ENOENT);
            --m_disk.files[m_disk.entries.take(e)].links;
            return {};
        });
    }
    renaming::OpResult sync() override
    {
        const renaming::OpResult synced = change({}, []() { return renaming::OpResult {}; });
        syncFailed = syncFailed || !synced;
        return synced;
    }

private:
    // A rename that replaces what the new name holds, or one that refuses to (with the flag).
    renaming::OpResult move(const QString &from, const QString &to, bool replace)
    {
        return change({ from, to }, [&]() -> renaming::OpResult {
            if (!replace && !m_disk.kind.noReplaceFlag)
                return failure(EINVAL);
            const QString source = m_disk.entry(from), target = m_disk.entry(to);
            if (source.isEmpty())
                return failure(ENOENT);
            if (!target.isEmpty() && target != source) {
                if (!replace)
                    return failure(EEXIST);
                --m_disk.files[m_disk.entries.take(target)].links; // replaced
            }
            m_disk.entries.insert(to, m_disk.entries.take(source));
            return {};
        });
    }
    static renaming::OpResult failure(int error)
    {
        return renaming::OpResult::failure(qt_error_string(error), error);
    }
    static renaming::OpResult io() { return failure(EIO); }
    Disk::File &file(const QString &entry) { return m_disk.files[m_disk.entries.value(entry)]; }

    bool read()
    {
        ++requests;
        return !m_stopped;
    }

    // What the disk holds under a name now.
    renaming::FileStatus fresh(const QString &name) const
    {
        renaming::FileStatus s;
        s.known = true;
        const QString e = m_disk.entry(name);
        if (e.isEmpty())
            return s;
        const int id = m_disk.entries.value(e);
        const Disk::File &f = m_disk.files[id];
        s.exists = s.regular = true;
        s.ownedByUser = f.owned;
        s.device = 1;
        // Without inode numbers of its own the file system numbers every name on its own.
        s.inode = m_disk.kind.inodes ? quint64(id) + 1 : quint64(qHash(e)) | (quint64(1) << 40);
        s.links = quint64(f.links);
        s.size = f.bytes.size();
        s.modified = f.modified;
        return s;
    }

    template<typename Act> renaming::OpResult change(const QStringList &names, Act &&act)
    {
        ++requests;
        if (m_stopped)
            return io();
        // The client looks the names of a request up first, and keeps the ones it found (as
        // FUSE does: a name found missing is asked again next time).
        for (const QString &name : names) {
            if (!m_disk.kind.staleCounts || m_disk.seen.contains(name))
                continue;
            if (const renaming::FileStatus found = fresh(name); found.exists)
                m_disk.seen.insert(name, found);
        }
        if (++changes == failsAlsoAt)
            return io();
        if (changes != m_faultAt || m_fault == Fault::None)
            return answered(names, act());
        if (m_fault == Fault::FailBefore)
            return io();
        if (m_fault != Fault::DieBefore && m_fault != Fault::GoneBefore)
            act(); // carried out, and its reply never comes
        m_stopped = m_fault != Fault::ActThenFail;
        m_died = m_fault == Fault::DieBefore || m_fault == Fault::DieAfter;
        return io();
    }

    // A request answered done refreshes what the client knows of its names; one answered with
    // a failure, or whose reply was lost, leaves it as it was.
    renaming::OpResult answered(const QStringList &names, renaming::OpResult result)
    {
        if (result) {
            for (const QString &name : names)
                m_disk.seen.remove(name);
        }
        return result;
    }

    Disk &m_disk;
    int m_faultAt;
    Fault m_fault;
    bool m_stopped = false;
    bool m_died = false;
};
