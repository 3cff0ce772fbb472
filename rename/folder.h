// Operations on the one folder a batch works in.
//
// Every name given to a Folder is a plain file name inside it, never a path. The real
// implementation works relative to one open directory handle, so a rename can never move a
// file out of the folder the user chose, even if the folder is renamed meanwhile.
//
// The interface has two layers. The requests are what the file system answers, one system
// call each (a look at a name, a listing, a read, an exclusive write of a new file, the three
// kinds of rename, an unlink, a sync); the real folders implement them, and test doubles wrap
// them to make any one of them fail, fail after acting, or stop the program dead. The steps
// the engine takes (a rename that never replaces, a file written complete or not at all, the
// removal of a name) are composed of those requests here, once, for every folder.
//
// Renames never replace a file. A plain rename(2) replaces its target silently, and
// QFile::rename falls back to copying, which can overwrite a file that appeared at the target
// name and still report success; neither may ever touch the user's files.
//
// A request can fail after it has done its work: a network share may carry out a rename and
// lose the reply, or answer an unlink with an error after the name is gone. So no step trusts
// a failure: after any failed request it looks at the names involved and reports what the
// folder holds, and a name of a file is only ever removed while another name is known to hold
// that same file (see removeName).
#pragma once

#include <QByteArray>
#include <QSet>
#include <QString>
#include <QStringDecoder>

#include <functional>
#include <memory>
#include <optional>

namespace renaming {

struct OpResult
{
    bool ok = true;
    QString reason; // the system's reason for a failure
    int error = 0; // the system's error number (errno) of a failure, 0 when there is none
    explicit operator bool() const { return ok; }
    static OpResult success() { return {}; }
    static OpResult failure(const QString &why, int error = 0) { return { false, why, error }; }
};

// What a look at one name found.
struct FileStatus
{
    bool known = false; // false: the look itself failed, and nothing is known of the name
    int error = 0; // the system's error number when the look failed
    bool exists = false; // an entry of any kind holds the name (links are not followed)
    bool regular = false;
    bool ownedByUser = false; // the file belongs to the user the program runs as
    quint64 device = 0;
    quint64 inode = 0;
    quint64 links = 0; // how many names the file has
    qint64 size = 0;
    qint64 modified = 0; // nanoseconds since the epoch
};

// Whether two names hold one file.
enum class Sameness {
    Same, // one file: same device and inode, with two links or more
    Different,
    // Both look alike but the file system gives no inode numbers that tell (FUSE mounts such
    // as sshfs number each name on its own): neither name may be removed for the other.
    Unknown,
};

// Whether the looks at two names show one file under both.
Sameness samenessOf(const QString &nameA, const FileStatus &a, const QString &nameB,
                    const FileStatus &b);

// Where a file is after a rename was asked for.
struct MoveResult : OpResult
{
    enum class At {
        To, // under the new name only: done (ok), also when the reply was lost
        From, // under the old name; the new name, if present, holds another file
        Both, // under both names, one file (a link made, the old name not yet removed)
        Unknown, // the folder could not be asked, or neither name holds it
    };
    At at = At::To;
    // At::From: the new name is held by a file that may be this one under a second name, on a
    // file system whose inode numbers cannot tell; it must be kept.
    bool maybeSecondName = false;
    // At::Both: the file system reported the link made, which proves the two names one file
    // even where inode numbers cannot.
    bool linkReported = false;
};

// What shows that two names hold one file before one of them is removed.
enum class Proof {
    LinkReported, // the file system reported the link between them made, and `kept` is still there
    Look, // a look at both names now (same device and inode, two links)
};

// The outcome of a durable write: ok when the file stands complete under its name.
struct CreateResult : OpResult
{
    // Failed, but whether the file now stands under its name could not be found out.
    bool maybeCreated = false;
};

class Folder
{
public:
    virtual ~Folder() = default;

    // The path the folder was opened with.
    virtual QString path() const = 0;

    // ---- Requests: one answer of the file system each ----------------------------------

    // Looks at a name; links are not followed.
    virtual FileStatus status(const QString &name) = 0;

    // Whether the name is a regular file that can be opened for reading.
    virtual bool canRead(const QString &name) = 0;

    // Reads a whole regular file; links are not followed. Fails for a file larger than
    // `maxBytes`.
    virtual OpResult readFile(const QString &name, QByteArray *bytes, qint64 maxBytes) = 0;

    // The names of all entries of the folder, read in one listing, or nothing where a listing
    // cannot answer exists() exactly. Lets a check of thousands of names do one listing
    // instead of one system call per name.
    virtual std::optional<QSet<QString>> entryNames() { return std::nullopt; }

    // Creates `name`, which no entry may hold, with exactly `bytes`, and flushes the file's
    // contents to disk.
    virtual OpResult writeNewFile(const QString &name, const QByteArray &bytes) = 0;

    // renameat2(RENAME_NOREPLACE): fails on a taken name. Fails with EINVAL or ENOSYS where the
    // file system does not offer it (FUSE, NFS, SMB).
    virtual OpResult renameExclusive(const QString &from, const QString &to) = 0;

    // A second name for a file (link(2)); fails on a taken name.
    virtual OpResult link(const QString &from, const QString &to) = 0;

    // A plain rename(2), which replaces a file at `to`. Only ever asked right after a look
    // found `to` free, on a file system that offers neither of the two above.
    virtual OpResult renameOver(const QString &from, const QString &to) = 0;

    // Removes the entry `name` (a link itself, never its target).
    virtual OpResult unlink(const QString &name) = 0;

    // Flushes the folder's entries to disk, so that renames and new files done so far survive
    // a power cut.
    virtual OpResult sync() = 0;

    // Whether this process may list the folder and reach its entries and, with `write`, also
    // create, rename and delete them; the system's reason (permission denied, read-only file
    // system) when not. Asked before a command plans anything, so that a folder that refuses
    // is told as such, rather than as files that are missing or a rename that failed.
    virtual OpResult checkAccess(bool write)
    {
        Q_UNUSED(write);
        return {};
    }

    // A new descriptor of this very folder for reading its entries, which the caller closes;
    // -1 where there is none (Windows, test doubles), and a listing then goes by path().
    // Listing through it reads the folder that the renames work in, whatever its path spells.
    virtual int newListingHandle() { return -1; }

    // ---- Steps, composed of the requests ------------------------------------------------

    bool exists(const QString &name) { return status(name).exists; }

    // When the entry was last modified, in milliseconds since the epoch; nothing when it is
    // not there or cannot be looked at.
    std::optional<qint64> modifiedAt(const QString &name)
    {
        const FileStatus look = status(name);
        if (!look.exists)
            return std::nullopt;
        return look.modified / 1000000;
    }

    // Renames `from` to `to`, never replacing a file at `to`. After a failure the result says
    // where the file is, found by looking. Virtual only so that a test double can make a whole
    // step fail; every folder composes it the same way.
    virtual MoveResult renameNoReplace(const QString &from, const QString &to);

    // Creates `name` with exactly `bytes`, complete or not at all, and fails rather than
    // replace an entry that holds the name: the bytes go to a new file created exclusively in
    // the folder, are flushed to disk, and the file is then given the name without replacing.
    // The folder itself is not synced; call sync() before relying on the new name surviving
    // a power cut.
    virtual CreateResult createFileDurably(const QString &name, const QByteArray &bytes);

    // Deletes an entry of the program's own (a history file, a leftover temporary). A failure
    // that left the name gone counts as done.
    virtual OpResult remove(const QString &name);

    // Removes the name `extra` of a file that `kept` also holds, when `proof` shows one file.
    // Done (at To) when only `kept` is left; otherwise At::From when the two are not known to
    // be one file (nothing removed), At::Both when the removal failed, At::Unknown when the
    // folder could not be asked.
    MoveResult removeName(const QString &extra, const QString &kept, Proof proof = Proof::Look);

    // Looks at both names.
    Sameness sameFile(const QString &a, const QString &b);

private:
    // How this folder's file system renames without replacing. Only an answer of the file
    // system about the method itself decides it (a missing source or a taken name says
    // nothing, nor does a link refused for one file the user does not own), and from then on
    // every rename of the folder takes that path at once, so that a batch costs the same per
    // file on every file system.
    enum class RenameMethod {
        Untried,
        NoReplaceFlag, // renameat2(RENAME_NOREPLACE): the kernel refuses a taken name
        LinkUntried, // the flag is refused; hard links not known yet
        LinkThenUnlink, // a hard link fails on a taken name; the old name is then removed
        CheckedRename, // neither: look the name up, then a plain rename
    };

    MoveResult dropName(const QString &extra, const QString &kept, Proof proof,
                        bool justLinked = false);
    FileStatus lookAgain(const QString &name, const std::optional<QSet<QString>> &listing);
    MoveResult move(const QString &from, const QString &to);
    MoveResult moveByLink(const QString &from, const QString &to);
    MoveResult finishLink(const QString &from, const QString &to);
    MoveResult checkedMove(const QString &from, const QString &to);
    MoveResult lookAfterFailure(const QString &from, const QString &to, const OpResult &failed,
                                FileStatus *source = nullptr, FileStatus *target = nullptr);

    RenameMethod m_renameMethod = RenameMethod::Untried;
};

// Answers "is this name in the folder?" for thousands of names from one listing where the
// folder gives one, instead of one system call per name. The answer is exact for the names as
// spelled; where the file system ignores case, a name spelled otherwise counts as absent, and
// the no-replace rename that follows still fails rather than replace. The listing is taken
// once: use it only while the folder does not change.
class FolderNames
{
public:
    explicit FolderNames(Folder &folder)
        : m_folder(folder)
        , m_names(folder.entryNames())
    { }
    bool contains(const QString &name) const
    {
        return m_names ? m_names->contains(name) : m_folder.exists(name);
    }
    // Whether the names come from one listing, spelled exactly as the entries are.
    bool listed() const { return m_names.has_value(); }

private:
    Folder &m_folder;
    std::optional<QSet<QString>> m_names;
};

// A name as any file system might compare it when it looks a name up, so that two names with
// different keys are two names everywhere, and two with one key may be one name somewhere:
//   - without regard to case (FAT, exFAT, NTFS, SMB, case-folding ext4 and APFS), with full
//     case folding: "ß" meets "SS", the dotless "ı" meets "I" as NTFS's table maps it;
//   - every Unicode spelling of one text as one (APFS and HFS+ normalise names, so do
//     case-folding ext4 and ZFS, which may also take compatibility forms: "ｐ" meets "p");
//   - without the format characters some of them pass over (U+200B to U+200F, U+FEFF, ...);
//   - without trailing dots and blanks, which Windows and the shares it serves drop.
// It errs towards one name: a key shared by two names only costs a batch its one pass.
QString looseNameKey(const QString &name);

// Whether a name of `names` may reach the same entry as a name of `others` on some file system
// (looseNameKey).
bool namesMayMeet(const QStringList &names, const QStringList &others);

// The name whose durable write left `entry` behind as its temporary file when it was cut off,
// or an empty text when `entry` is no such file.
QString durableWriteTarget(const QString &entry);

// Opens a real folder of the file system; returns null with the system's reason on failure.
std::unique_ptr<Folder> openFolder(const QString &path, QString *reason);

// The same for a path as the system spells it: on Linux its bytes go to open() unchanged, so
// that a folder whose name is not UTF-8 is opened, never the folder that its decoded text
// would name (a byte 0xFF decodes to U+FFFD, which is another folder's name). A relative path
// is taken from the process's current folder without reading that folder's name. On Windows
// the bytes are UTF-8.
std::unique_ptr<Folder> openFolderAt(const QByteArray &path, QString *reason);

// Whether the bytes of a path come back unchanged from the text they decode to: only then can
// a QString stand for the path. A name with a byte that is not UTF-8 cannot.
bool isFaithfulPath(const QByteArray &path);

using FolderOpener = std::function<std::unique_ptr<Folder>(const QString &path, QString *reason)>;

// Whether `name` names an entry of a folder rather than a path: not empty, not "." or "..",
// no separator, no NUL. Every Folder refuses other names, so that no text can reach outside.
bool isEntryName(QStringView name);

// Whether `name` can be given to a file and written to a history file as one line: an entry
// name without a line break, without a lone surrogate (no spelling on disk), and not longer
// than the file system allows. Other control characters (TAB, ESC) are kept as they are.
bool isPlainFileName(const QString &name);

// Folder entries are decoded keeping every character, a leading U+FEFF included: a decoder
// that drops it would list a file under a name it does not have.
inline constexpr QStringDecoder::Flags EntryNameDecoding
    = QStringDecoder::Flag::Stateless | QStringDecoder::Flag::ConvertInitialBom;

} // namespace renaming
