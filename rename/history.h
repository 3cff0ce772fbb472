// The rename history: numbered text files "VOXA" + file-type part + number + ".log" in the
// renamed folder. File 0 holds the names before the first recorded rename, file k the names
// after recorded rename k; files 0..N without a gap form the chain. Line j of every file of a
// chain names the same physical file at different times, which is what makes a batch undoable.
//
// Bytes on disk: Windows-31J (code page 932) with CR LF after every line, when every name of
// the file survives that code page exactly; such files are what existing readers of the
// format expect. A name that does not survive it (WAVE DASH U+301C, accented letters, emoji)
// would come back as a substitute and the rename could no longer be undone, so such a file is
// written as UTF-8 beginning with a byte-order mark instead. A Windows-31J file never starts
// with those three bytes, so the reader can always tell the two apart.
#pragma once

#include <QByteArray>
#include <QHash>
#include <QString>
#include <QStringList>

#include <optional>

namespace renaming {

class Folder;

// The writer never creates a number above this; from then on it rewrites this one.
inline constexpr int HighestHistoryNumber = 101;
// The restore and delete history look at numbers 0 to this.
inline constexpr int HighestChainNumber = 100;
// The most lines a history file may hold (the most files one batch can have).
inline constexpr int MaxHistoryLines = 9999;
// No well-formed history file is larger (9,999 lines of at most 1,023 bytes each).
inline constexpr qint64 MaxHistoryBytes = 9999 * 1023;

// The text of the pattern after its first "." ("*.jpg" gives "jpg"); the whole pattern
// when it has no dot.
QString fileTypePart(const QString &pattern);

// "VOXA" + file-type part + k + ".log".
QString historyFileName(const QString &typePart, int k);

// Whether `name` is, without regard to case, the name of a history file of some chain:
// "VOXA", any file-type part, a number, ".log". The file-type part may itself end in digits,
// so every such name ending in a digit before ".log" qualifies. These names are the
// program's own: no batch renames a file from or to one, and the listing leaves them out.
bool isHistoryFileName(QStringView name);

// The ways a history file name can be read as file-type part + number: the number is one to
// three of the last digits before ".log", spelled as historyFileName spells it (no leading
// zero) and at most 101. "VOXAmp40.log" reads as ("mp4", 0) and ("mp", 40).
struct HistoryReading
{
    QString typePart;
    int number = 0;
};
QList<HistoryReading> readingsOf(const QString &name);

// Whether `name` is, without regard to case, one of the restore's temporary names
// ("zyx" + four digits + ".zyx"), which every undo step uses for its own files.
bool isRestoreTemporaryName(const QString &name);

// The one rule for the names a history file may hold: names the history gives back exactly
// (plain file names) and that no undo step needs for itself. The batch refuses any old or new
// name that breaks it, the restore any history line that does, so that every batch that
// completes can be undone.
bool isRecordableName(const QString &name);

// The folder path with the platform's separator appended unless it already ends with one.
QString folderPathOf(const QString &folder);

// The bytes of a history file holding `names`, one per line, CR LF after each.
QByteArray encodeHistory(const QStringList &names);

// The names of a history file. A file that starts with the UTF-8 byte-order mark is UTF-8,
// every other one Windows-31J. Lines end in CR LF or a bare LF. Returns nothing when the
// bytes are not valid in their encoding, or hold more than 9,999 lines or a line longer than
// any file name: a damaged file is never a source of guessed names.
std::optional<QStringList> decodeHistory(const QByteArray &bytes);

// The history chain of one folder and file type, as the folder holds it now. Every command
// that reads, writes or deletes history files finds them here, so that they share one rule:
//   - the pattern must give plain history names of the folder; a pattern such as
//     "*.x/../y" gives none, and every command refuses it (badName);
//   - the files are found without regard to the case of their names, as on the file systems
//     the format comes from, where VOXAJPG1.log and VOXAjpg1.log are one file; a new file
//     is written in the spelling the user typed, an existing one is replaced under its own;
//   - two files of one number in different spellings make the chain ambiguous, and every
//     command refuses it (ambiguousName);
//   - a name that another file type's chain can claim as well is the chain's own only when the
//     folder shows it to be (see below); otherwise it is never read, replaced or deleted.
//
// Why names can be claimed twice: the name joins the file-type part and the number without a
// separator, so VOXAmp40.log is file 0 of "*.mp4" and file 40 of "*.mp", VOXA110.log file 0 of
// "*.11" and file 10 of "*.1", VOXA40.log file 0 of "*.4" and file 40 of "*." (the empty
// type). The names stay as they are, since stored folders and other readers rely on them; the
// folder decides, claim against claim, from what is in it:
//   - refuted: a name in the file does not match "*." + the type (every name of a batch of
//     "*.mp" ends in ".mp", old and new, since a new name keeps the old one's extension part);
//   - linked: the file's names are made by the naming rule from the type's file k − 1, as a
//     chain's files are (a file 0 holds names before any rename and is never linked);
//   - continued, for a file 0: the type's file 1 is made from it by the naming rule;
//   - supported: the other end of the type's chain (file 0, or file 1 for file 0) is there,
//     not refuted, with as many lines;
//   - else unknown.
// The stronger claim wins; the file is this chain's when every other claim is refuted. Claims
// of equal strength leave the file in doubt: it is left alone, and where this chain would go
// on through it, the chain counts as ambiguous, since it cannot be told whether the newest
// recorded rename is in that file.
// The folder is listed once, when the chain is made.
class HistoryChain
{
public:
    HistoryChain(Folder &folder, const QString &pattern);

    // The first history name of the pattern that is no plain file name; empty when none is.
    const QString &badName() const { return m_badName; }
    // A history file that stands in the folder in two spellings; empty when none does.
    const QString &ambiguousName() const { return m_ambiguousName; }
    bool usable() const { return m_badName.isEmpty() && m_ambiguousName.isEmpty(); }

    const QString &typePart() const { return m_typePart; }
    // The name of file k as the folder holds it (this chain's file, or else another type's
    // under that name), or as typed when the folder holds none.
    QString fileName(int k) const;
    // Whether the folder holds an entry under the name of file k, in any spelling, whether the
    // file is this chain's or another type's: a writer must not take the name.
    bool present(int k) const { return !m_onDisk[k].isEmpty() || !m_heldByOther[k].isEmpty(); }
    // Whether the folder holds file k and it is this chain's, so that it may be read or deleted.
    bool owned(int k) const { return !m_onDisk[k].isEmpty(); }
    // Whether file k is this chain's and can be opened for reading.
    bool readable(int k) const;
    // The first number of 0..100 whose file cannot be read; 101 when all of them can.
    int chainLength() const;
    // The writer's next number: the first of 1..101 whose file cannot be read, or 101.
    int nextNumber() const;
    // The names of file k, when it is fit to undo from: readable, decodable, at most 9,999
    // lines, every line a recordable name, no name twice. Nothing otherwise.
    std::optional<QStringList> read(int k) const;
    // Hidden temporary files that writes of this chain's files left when they were cut off.
    const QStringList &leftoverTemporaries() const { return m_leftovers; }

private:
    enum class Owner { Mine, Other, InDoubt };
    // How well the folder backs a type's claim on a file as its number k, weakest first.
    enum class Claim { Refuted, Unknown, Supported, Continued, Linked };

    // The number of a history file of this chain, in any spelling; -1 for other names.
    int numberOf(const QString &entry) const;
    // Whose file `entry` is, when it is this chain's file k and other types can claim it too.
    Owner ownerOf(const QString &entry, int k);
    Claim claimOf(const QString &typePart, int k, const std::optional<QStringList> &names);
    // The names of a history file as it decodes, read once; nothing when it cannot be read.
    std::optional<QStringList> namesIn(const QString &entry);
    // The spellings the folder holds of a history file name.
    QStringList spellingsOf(const QString &name);

    Folder &m_folder;
    QString m_typePart;
    QString m_badName;
    QString m_ambiguousName;
    QStringList m_onDisk; // per number 0..101: the spelling in the folder, or empty
    QStringList m_heldByOther; // per number 0..101: a file of another chain (or in doubt)
    QStringList m_leftovers;
    std::optional<QHash<QString, QStringList>> m_historyEntries; // folded name → spellings
    QHash<QString, std::optional<QStringList>> m_contents;
};

} // namespace renaming
