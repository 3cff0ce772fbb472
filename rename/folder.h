// Operations on the one folder a batch works in, behind a small interface so that tests can
// make the k-th rename fail or stop dead as a power cut would.
//
// Every name given to a Folder is a plain file name inside it, never a path. The real
// implementation works relative to one open directory handle, so a rename can never move a
// file out of the folder the user chose, even if the folder is renamed meanwhile.
//
// Renames never replace a file. A plain rename(2) replaces its target silently, and
// QFile::rename falls back to copying, which can overwrite a file that appeared at the target
// name and still report success; neither may ever touch the user's files.
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
    explicit operator bool() const { return ok; }
    static OpResult success() { return {}; }
    static OpResult failure(const QString &why) { return { false, why }; }
};

class Folder
{
public:
    virtual ~Folder() = default;

    // The path the folder was opened with.
    virtual QString path() const = 0;

    // Whether any entry (file, folder, link) carries the name; links are not followed.
    virtual bool exists(const QString &name) = 0;

    // Whether the name is a regular file that can be opened for reading.
    virtual bool canRead(const QString &name) = 0;

    // Reads a whole regular file; links are not followed. Fails for a file larger than
    // `maxBytes`.
    virtual OpResult readFile(const QString &name, QByteArray *bytes, qint64 maxBytes) = 0;

    // Creates `name` with exactly `bytes`, complete or not at all, and fails rather than
    // replace an entry that holds the name: the bytes go to a new file created exclusively in
    // the folder, are flushed to disk, and the file is then given the name without replacing.
    // The folder itself is not synced; call sync() before relying on the new name surviving
    // a power cut.
    virtual OpResult createFileDurably(const QString &name, const QByteArray &bytes) = 0;

    // Renames `from` to `to`, failing rather than replacing when `to` exists. Where the file
    // system offers no rename that refuses a taken name, and no hard links either, the name
    // is looked up right before a plain rename: only another program creating that very name
    // in the same instant could then be replaced.
    virtual OpResult renameNoReplace(const QString &from, const QString &to) = 0;

    // Deletes the entry `name` (a link itself, never its target).
    virtual OpResult remove(const QString &name) = 0;

    // The names of all entries of the folder, read in one listing, or nothing where a listing
    // cannot answer exists() exactly. Lets a check of thousands of names do one listing
    // instead of one system call per name.
    virtual std::optional<QSet<QString>> entryNames() { return std::nullopt; }

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

    // When the entry was last modified, in milliseconds since the epoch; nothing when it
    // cannot be asked.
    virtual std::optional<qint64> modifiedAt(const QString &name)
    {
        Q_UNUSED(name);
        return std::nullopt;
    }

    // A new descriptor of this very folder for reading its entries, which the caller closes;
    // -1 where there is none (Windows, test doubles), and a listing then goes by path().
    // Listing through it reads the folder that the renames work in, whatever its path spells.
    virtual int newListingHandle() { return -1; }
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

private:
    Folder &m_folder;
    std::optional<QSet<QString>> m_names;
};

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
