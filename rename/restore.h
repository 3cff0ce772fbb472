// The restore: undoes the recorded renames of one folder and file type, newest first, from the
// history chain (history.h). Undoing recorded rename r gives every file named on line j of
// history file r the name on line j of file r − 1, then deletes file r (and file 0 with file 1).
//
// The work is split so that each piece can be used alone:
//   scanChain      finds the chain 0..N and checks every file of it; nothing is renamed.
//   planUndoStep   reads files r and r − 1, finds where the files are and checks the step
//                  against the folder.
//   runUndoStep    renames in one pass or two; on a failure renames back what it did, as far
//                  as the folder, looked at after every failure, shows it can.
//   retireUndoStep makes the renames durable, then deletes the step's history files.
//   restoreNames   all of them in order, with a question before each step.
//
// An undo step also finishes what an interrupted batch rename or undo step left behind
// (recovery.h): when the files are not all under their names of file r, planUndoStep derives
// where each one is and plans the renames that bring it to its name of file r − 1, and
// runUndoStep makes those instead of the two plain passes. A second name of a file is removed
// first; one the file system cannot tell from a second file is kept and reported, and then the
// step's history stays too, until the user has removed it.
//
// History files are untrusted input: they may come from another program, be edited by hand or
// be damaged. Every name in them must be a plain file name of the folder, and every step is
// checked against the folder before its first rename, so that a bad file refuses the restore
// instead of moving or clobbering anything. Renames never replace a file.
//
// Why two passes: a recorded rename may have exchanged names within its set (a → b, b → a).
// Moving every file to a temporary name zyxNNNN.zyx first frees all current names before any
// file takes its earlier one. A step whose earlier names are none of its current names (as
// loosely as any file system compares names, see namesMayMeet) cannot meet itself, and goes
// in one pass, each file straight to its earlier name: the undo of the usual batch, which went
// in one pass too (batch_rename.h).
//
// Why the history goes last: the history file of a step is what explains the names the files
// carry. It is deleted only after the last rename and after the folder is synced, so that a power
// cut never leaves renamed files without it. A last sync that fails is reported (NotSynced).
#pragma once

#include "recovery.h"

#include <QList>
#include <QString>
#include <QStringList>

#include <functional>
#include <optional>

namespace renaming {

class Folder;
class HistoryChain;

// The temporary name of line `index` (counted from 0): "zyx" + four digits + ".zyx".
QString restoreTemporaryName(int index);

enum class ChainStatus {
    Healthy, // files 0..N (N ≥ 1), all readable, all with `entries` plain names
    TooManyChanges, // files 0 to 100 all exist
    NoHistory, // no file 0, or file 0 without file 1
    Faulty, // unequal line counts, undecodable bytes, a name no batch writes, > 9,999 lines,
            // or a file in two spellings
    BadName, // the file type gives history names that are no plain file names
};

struct ChainScan
{
    ChainStatus status = ChainStatus::NoHistory;
    int newest = -1; // N: the highest number of the chain
    int entries = 0; // n: the common line count
};

// Finds the chain by opening files 0, 1, ..., 100 in turn and checks every file of it.
ChainScan scanChain(const HistoryChain &chain);

// One undo step: line j of `current` (file r) goes to line j of `earlier` (file r − 1)
// through line j of `temporary`.
struct UndoStep : StepNames
{
    int number = 0; // r
    // Set when no earlier name of the step may meet a current one: each file goes straight
    // to its earlier name.
    bool onePass = false;
    // Set when the files are not all under their current names: the renames that finish an
    // interrupted run, in place of the passes.
    bool resumes = false;
    QList<RecoveryMove> moves;
    QStringList keptNames; // second names the recovery keeps (StepState::keptNames)
};

// Reads files r and r − 1 into the names of a step: both readable, of `entries` lines (of any
// equal count when negative), every name acceptable, no name twice in a file. Nothing when
// they are unfit.
std::optional<UndoStep> readUndoStep(const HistoryChain &chain, int r, int entries = -1);

enum class RestoreStatus {
    Ready, // the step is planned and checked; nothing has been changed
    Done, // the step is undone and its history files are deleted
    AllUndone, // restoreNames: the step for 1 is done, no file of the chain is left
    Cancelled, // restoreNames: Cancel at a step's question
    TooManyChanges,
    NoHistory,
    FaultyHistory, // the chain or a step's files are unfit; nothing of the step renamed
    BadName, // the file type gives history names that are no plain file names
    MissingFile, // a current name is not in the folder
    NameTaken, // a temporary or earlier name is held by a file outside the set
    Mismatch, // files of an interrupted run are missing, or a name they need is taken
    ResumeFailed, // a rename finishing an interrupted run failed; files left where they are
    RolledBack, // a rename failed; every file of the step is back under its current name
    NotRolledBack, // a rename failed and some files could not be renamed back
    HistoryNotDeleted, // the step is undone but its history file could not be deleted
    NotSynced, // the step is undone and its history deleted, but the folder could not be synced
    // The step's renames are done, but names that may be second names of its files stand
    // (keptNames): its history stays until the user has removed them.
    NamesKept,
};

// A file of a failed step that is not back under its name of file r.
struct UnrestoredFile
{
    QString historyName; // its name on line j of file r
    QString currentName; // the name it carries now
};

struct RestoreOutcome
{
    RestoreStatus status = RestoreStatus::Ready;
    int stepsUndone = 0; // restoreNames: undo steps completed, history deleted
    // The offending name: the missing or clashing file, the file whose rename failed, or the
    // history file that could not be deleted.
    QString name;
    QString reason; // the system's reason for a failed rename, sync or deletion
    // NotRolledBack: in line order; the current name is every name the file may carry
    QList<UnrestoredFile> unrestored;
    // Names kept because the file system cannot tell whether they are second names of a file
    // of the set: "name → the file's name".
    QStringList keptNames;

    bool ok() const
    {
        return status == RestoreStatus::Ready || status == RestoreStatus::Done
            || status == RestoreStatus::AllUndone || status == RestoreStatus::Cancelled;
    }
    // Whether a failed step left files renamed, so that a listing of the folder is out of date.
    bool filesTouched() const
    {
        return status == RestoreStatus::NotRolledBack || status == RestoreStatus::ResumeFailed;
    }
    // The text that tells the user; empty when there is nothing to tell.
    QString message() const;

private:
    QString messageText(const QString &because) const;
};

// Reads files r and r − 1 into a step of `entries` lines and checks it against the folder.
// With every file under its current name: no temporary name taken, every earlier name free
// or carried by a file of the set. After an interruption: every file found under one of its
// line's names and every rename of the recovery free to go ahead. Ready, or the refusal.
RestoreOutcome planUndoStep(Folder &folder, const HistoryChain &chain, int r, int entries,
                            UndoStep *step);

// Called after every rename, of the one pass or the two, with the caption text that shows it.
using RestoreProgress = std::function<void(const QString &caption)>;

// Pass 1 to the temporary names, pass 2 to the earlier names (or the one pass straight to the
// earlier names). Ready when the passes are done; on a failure everything the step renamed is
// renamed back, newest first. A step that resumes an interrupted run makes its planned renames
// instead and stops at a failure: the history files still explain every name, and the next
// restore carries on from there.
RestoreOutcome runUndoStep(Folder &folder, const UndoStep &step,
                           const RestoreProgress &progress = {});

// Syncs the folder, then deletes history file r, and file 0 when r is 1, then syncs again.
// Done; HistoryNotDeleted naming the first file that could not be deleted (or the newest one,
// kept because the renames could not be synced); NotSynced when only the last sync failed.
RestoreOutcome retireUndoStep(Folder &folder, const HistoryChain &chain, int r);

struct RestoreCallbacks
{
    // The question before undoing recorded rename r; false is Cancel. Unset: always OK.
    std::function<bool(int r)> confirmStep;
    // Once step r is planned and checked, before its first rename; false stops there as a
    // Cancel does. Unset: go on.
    std::function<bool(const UndoStep &step)> stepPlanned;
    RestoreProgress progress;
    // After step r has done its renames (its history deleted or not), so that a listing of
    // the folder is out of date. A failed step does not call it: see filesTouched().
    std::function<void(int r)> stepFinished;
};

// Scans the chain of the file type `pattern` ("*.jpg") and undoes its steps, newest first,
// each after its question, until the chain is gone, the user cancels or a step is refused or
// fails. The program's own leftover temporaries of the chain go first; a file 0 alone whose
// names the folder all holds (the trace of a batch that never began or of a restore that
// finished) goes too, and the restore then reports that there is no history.
RestoreOutcome restoreNames(Folder &folder, const QString &pattern,
                            const RestoreCallbacks &callbacks = {});

} // namespace renaming
