// Recovery of an interrupted batch rename or restore, from the history files alone.
//
// A power cut, a crash or a killed process in the middle of the passes of a batch rename
// or of an undo step leaves every file of the set under one of four names of its line j:
//   current           line j of history file r (the name after recorded rename r)
//   batch temporary   the batch rename's pass-1 name: the current name with ".zyx" in place
//                     of the extension part (prefix + four digits + ".zyx"), or the current
//                     name + ".zyx" in a batch where files share a number (naming.h)
//   restore temporary "zyx" + four digits + ".zyx", the undo step's pass-1 name
//   earlier           line j of history file r − 1 (the name to give back)
// The history files of the step are still there: the batch writes and syncs them before its
// first rename, the restore deletes them only after its last rename is on disk. A batch or an
// undo step in one pass (no earlier name of the step is a current one, see namesMayMeet) uses
// no temporary name: it leaves a mixture of current and earlier names, and since no name then
// belongs to two lines, every line is placed by the first rule below.
//
// Where each file is, is derived, not guessed. The folder is asked once for every candidate
// name. A line with exactly one candidate present is placed there, and that name is taken
// away from every other line; this repeats until nothing changes. What stays open is a set of
// lines whose names are exchanged among themselves (a → b, b → a), present under either name.
// The passes decide those: both programs move lines 0, 1, 2, … in order, so an interruption
// leaves one of four shapes (a prefix of the lines moved on, the rest not yet), and only one
// of them fits the lines already placed. A folder that is wholly an exchange with no temporary
// name is taken as not yet undone, the state a restore meets nearly always. Anything else that
// does not fit (a file deleted, a name taken by a new file, a name of the set that no line is
// placed at) refuses, naming the name.
//
// A file can also be found under two names of its line: where the file system has no rename
// that refuses a taken name, a rename is a link to the new name and then the removal of the
// old one, and an interruption between the two leaves both. A line with two of its names
// present is looked at: when both hold one file (same device and inode), the name further
// from the line's earlier name is removed first; where the file system cannot tell, both stay,
// the extra name is reported, and the step's history stays with it until the user has
// removed it (Folder::removeName states the rule).
//
// The renames that follow keep the folder inside those shapes, so that a second interruption
// is recovered in the same way: a batch that stopped is wound back as the batch rename itself
// would roll back (new names to their temporary names, then temporary names to the old names,
// last line first); an undo step that stopped, or a run of one pass, is carried on forward
// through the restore's temporary names. Every rename is checked against the names present
// before the first one is made, and none ever replaces a file.
//
// A step whose files all stand under their earlier names, with no temporary name about, is a
// batch cut off after its history was written and before its first rename, or an undo step
// cut off after its last rename and before its history went: the restore finishes it by
// deleting the step's history file, without a rename.
#pragma once

#include "folder.h"

#include <QList>
#include <QSet>
#include <QString>
#include <QStringList>

#include <vector>

namespace renaming {

// The candidate names of every line of undo step r.
struct StepNames
{
    QStringList current; // file r
    QStringList earlier; // file r − 1
    QStringList temporary; // the restore's temporary names
    QStringList batchTemporary; // empty where the line's names do not follow the naming rule
};

// The batch rename's temporary name of a file renamed from `earlier` to `current`, or an
// empty text when `current` is not a new name made from `earlier` by the naming rule.
QString batchTemporaryOf(const QString &current, const QString &earlier);

// Fills the two temporary lists of `names` from its current and earlier names.
void addTemporaryNames(StepNames *names);

// One rename of a recovery, or the removal of a second name.
struct RecoveryMove
{
    int line = 0;
    QString from;
    QString to;
    bool toEarlier = false; // the file reaches its earlier name (else a temporary name)
    bool drop = false; // `from` is a second name of the file that `to` holds: it is removed
};

// Where the files of a step are and what brings each back to its earlier name.
struct StepState
{
    bool fits = false; // every file found, and every rename below is free to go ahead
    // Every file found under its current name: no interruption to recover, whether or not
    // the renames below are free to go ahead.
    bool normal = false;
    // Traces of a run cut off: a temporary name of the step is in the folder, or, in a step
    // whose earlier names are none of its current names (a run of one pass), an earlier name
    // stands beside a current one.
    bool tracesPresent = false;
    QStringList at; // fits: the name line j's file carries now
    QList<RecoveryMove> moves; // fits: in order
    QString misfit; // !fits: the name that does not fit
    // Names that may be second names of a file of the step, kept because the file system
    // cannot tell: "name → the name the file is placed at".
    QStringList keptNames;
};

// Where the files of a run are (first name → temporary name → final name: the batch rename's
// old, temporary and new names, an undo step's current, temporary and earlier names; or, in a
// run of one pass, first name → final name), as the file system's replies and, after any
// failure, a look at the names show it; and the renames that change it. A run that failed is
// rolled back from here: every file goes back to its first name as far as the folder lets it,
// and confirmedAtFirst() says whether the folder shows them all there.
class Places
{
public:
    enum class At : unsigned char {
        First,
        FirstAndTemporary,
        Temporary,
        TemporaryAndFinal,
        Final,
        FirstAndFinal, // one pass: a link to the final name made, the first not yet removed
        Unknown
    };

    // With `onePass`, files go from their first names straight to their final ones and back;
    // `temporary` is not used.
    Places(Folder &folder, const QStringList &first, const QStringList &temporary,
           const QStringList &final, bool onePass = false);

    At at(qsizetype i) const { return m_at[size_t(i)]; }

    // Renames file i from the place `from` to `to` (First to Temporary, Temporary to Final,
    // First to Final in one pass, or back), and notes where the file then is. A rename onto the
    // file's own name is none.
    MoveResult move(qsizetype i, At from, At to);

    // Renames back, newest first, every file the run moved: the second pass from its last
    // rename, then the first (or the one pass), up to the first file that cannot be moved back
    // (or whose place the folder cannot tell): that one and every file before it stay where
    // they are, and none is ever forced. A file under two names keeps the one nearer its first
    // name.
    void rollBack();

    // Whether the run knows every file to be under its first name, and one listing of the
    // folder shows them there.
    bool confirmedAtFirst() const;

    // The names file i may carry now: one, two for a file under two names, or every name it
    // may have reached, marked so, when the folder could not be asked.
    QString placeOf(qsizetype i) const;

    // Names kept because the file system cannot tell whether they hold a file of the run:
    // "name → the file's name".
    const QStringList &keptNames() const { return m_kept; }

private:
    void dropSecondName(qsizetype i);
    const QString &name(qsizetype i, At place) const;
    void keep(const QString &extra, const QString &file);

    Folder &m_folder;
    const QStringList &m_first;
    const QStringList &m_temporary;
    const QStringList &m_final;
    bool m_onePass;
    std::vector<At> m_at;
    std::vector<bool> m_linked; // under two names by a link the file system reported made
    QSet<QString> m_keptNames;
    QStringList m_kept;
};

// Derives the state of the folder for the step and plans its renames; changes nothing.
StepState deriveStepState(Folder &folder, const StepNames &names);

// Whether the newest step of the chain of the file type `pattern` ("*.jpg") was cut off: files
// left under temporary names or under two names by an interrupted batch rename or restore, or
// any other placement the restore can finish (every file under its earlier name: a batch cut
// off before its first rename, an undo step before its history went; a rollback that could not
// bring every file back). The restore finishes such a run; nothing else may touch the chain
// meanwhile. One listing when there is no chain; otherwise reads the newest history file, and
// the one before it when its names are not all there, and asks for each line's names once.
bool interruptedRunPending(Folder &folder, const QString &pattern);

} // namespace renaming
