// Recovery of an interrupted batch rename or restore, from the history files alone.
//
// A power cut, a crash or a killed process in the middle of the two passes of a batch rename
// or of an undo step leaves every file of the set under one of four names of its line j:
//   current           line j of history file r (the name after recorded rename r)
//   batch temporary   the batch rename's pass-1 name: the current name with ".zyx" in place
//                     of the extension part (prefix + four digits + ".zyx"), or the current
//                     name + ".zyx" in a batch where files share a number (naming.h)
//   restore temporary "zyx" + four digits + ".zyx", the undo step's pass-1 name
//   earlier           line j of history file r − 1 (the name to give back)
// The history files of the step are still there: the batch writes and syncs them before its
// first rename, the restore deletes them only after its last rename is on disk.
//
// Where each file is, is derived, not guessed. The folder is asked once for every candidate
// name. A line with exactly one candidate present is placed there, and that name is taken
// away from every other line; this repeats until nothing changes. What stays open is a set of
// lines whose names are exchanged among themselves (a → b, b → a), present under either name.
// The passes decide those: both programs move lines 0, 1, 2, … in order, so an interruption
// leaves one of four shapes (a prefix of the lines moved on, the rest not yet), and only one
// of them fits the lines already placed. A folder that is wholly an exchange with no temporary
// name is taken as not yet undone, the state a restore meets nearly always. Anything else that
// does not fit (a file deleted, a name taken by a new file) refuses, naming the name.
//
// The renames that follow keep the folder inside those shapes, so that a second interruption
// is recovered in the same way: a batch that stopped is wound back as the batch rename itself
// would roll back (new names to their temporary names, then temporary names to the old names,
// last line first); an undo step that stopped is carried on forward. Every rename is checked
// against the names present before the first one is made, and none ever replaces a file.
#pragma once

#include <QList>
#include <QString>
#include <QStringList>

namespace renaming {

class Folder;

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

// One rename of a recovery.
struct RecoveryMove
{
    int line = 0;
    QString from;
    QString to;
    bool toEarlier = false; // the file reaches its earlier name (else a temporary name)
};

// Where the files of a step are and what brings each back to its earlier name.
struct StepState
{
    bool fits = false; // every file found, and every rename below is free to go ahead
    // Every file found under its current name: no interruption to recover, whether or not
    // the renames below are free to go ahead.
    bool normal = false;
    bool temporariesPresent = false; // a temporary name of the step is in the folder
    QStringList at; // fits: the name line j's file carries now
    QList<RecoveryMove> moves; // fits: in order
    QString misfit; // !fits: the name that does not fit
};

// Derives the state of the folder for the step and plans its renames; changes nothing.
StepState deriveStepState(Folder &folder, const StepNames &names);

// Whether the folder holds files left under temporary names by an interrupted batch rename
// or restore of the newest step of the chain of the file type `pattern` ("*.jpg"). One
// listing when there is no chain; otherwise reads the two newest history files and asks for
// each line's names once.
bool interruptedRunPending(Folder &folder, const QString &pattern);

} // namespace renaming
