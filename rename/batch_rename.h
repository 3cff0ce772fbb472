// The batch rename: every target file of one folder gets its new name in one go, and the
// folder's history chain records it so that the restore can undo it later.
//
// A run has three stages, so that a window can ask its question between the second and the
// third and a benchmark can run them back to back:
//   planBatch   the two lists and the prefix become a plan with a temporary name per target;
//               nothing on disk is looked at.
//   checkBatch  the plan is checked against the folder; nothing is changed. A target that
//               has gone, a temporary or new name that another file already holds, an old or
//               new name that the history could not give back (isRecordableName: a prefix
//               "../x" must never move files out of the folder, a line break would split the
//               history line), a file type that gives no valid history name, or a history
//               write that would replace a file refuses the batch here, before anything is
//               touched.
//   runBatch    writes the history, then renames: in one pass, or in two (see below).
//
// The history lines of a run that starts a chain follow the target list. A run appended to a
// chain follows the order of the chain's newest file instead, which names the same files in the
// order an earlier run (in another numbering order, or another program) gave them: line j of
// every file of a chain must name the same file. The passes rename in the order of the lines,
// which is what the recovery of an interrupted run relies on.
//
// Why two passes: a new name may be the old name of another target (abc0001.jpg becomes
// abc0002.jpg while abc0002.jpg becomes abc0003.jpg) or a file's own old name. Moving every
// target to its temporary name first frees all old names before any file takes its final one.
//
// Why mostly one: in the usual batch (DSC_0001.jpg ... become trip0001.jpg ...) no new name is
// an old name, so no rename can meet a file of the batch, and each file goes straight to its
// new name. Where every request costs milliseconds (a share, a phone), that halves the time.
// The rule (renamesInOnePass) compares the names as loosely as any file system does (without
// regard to case or Unicode spelling, looseNameKey), so that a batch that might meet itself on
// some file system takes the two passes. Nothing else changes: the same checks before the
// question, the history written and synced first with the same bytes, the same no-replace
// rename. An interruption leaves each file under its old or its new name, or (where a rename
// is a link and an unlink) under both; the recovery places every file from the history alone,
// since no name belongs to two lines (recovery.h).
//
// Why the history comes first and is synced: after a power cut at any point of the passes,
// the history files that describe the run must already be on disk, or the renamed files could
// not be traced back. Each history file is written complete or not at all.
//
// The history writes replace no file either, and the batch refuses unless the chain it adds
// to is one the restore will undo exactly (see planHistory in the source).
//
// Renames never replace a file (Folder::renameNoReplace); a clash makes a rename fail. When a
// history write fails, nothing is renamed and the chain is put back as it was. When a rename
// fails, every rename of the run is undone, newest first. No failure is taken at its word: a
// share can carry out a rename and then report an error, so where each file is comes from the
// replies that said done and, after every failure, from a look at the folder. The chain is put
// back only once a listing shows every file under its old name and the folder is synced; a
// file that is not is listed with the names it may carry, and the run's history files then
// stay, so that nothing is left untraceable and the restore can finish the run.
#pragma once

#include <QList>
#include <QString>
#include <QStringList>

#include <functional>

namespace renaming {

class Folder;

// What the main window holds at the moment of the click.
struct BatchInput
{
    QStringList oldNames; // the target list
    QStringList newNames; // the new-name list, entry i for target i
    QString prefix;
    int startNo = 0;
    QString pattern; // the file type pattern, such as "*.jpg"
    // Per target, the index of its group, when files share running numbers (a photo and its
    // sidecar): target i then has number startNo + groups[i]. Empty: startNo + i.
    QList<int> groups = {};
};

// One run's working tables: the snapshot of the two lists and the temporary names.
struct BatchPlan
{
    QStringList oldNames;
    QStringList newNames;
    QStringList temporaryNames; // prefix + four digits + ".zyx" (see batchTemporaryNames)
    QString pattern; // names the history chain: "*.jpg" gives VOXAjpg0.log, ...
};

enum class BatchStatus {
    Ready, // planned and checked; nothing has been changed
    Done, // every target carries its new name; the history records the run
    DoneNotSynced, // as Done, but the folder could not be synced: the renames may not last
    NoNewNames, // the new-name list is empty
    ListsDiffer, // lists of different lengths, a file listed twice, a number outside 0..9999
    MissingFile, // a target is no longer in the folder
    NameTaken, // a temporary, new or history name is held by another file, or given twice
    BadName, // an old or new name the history cannot hold, or a bad temporary or history name
    FaultyHistory, // the chain is unfit to add to, or has a file in two spellings
    TooManyChanges, // the chain holds as many renames as the restore can undo
    HistoryWriteFailed, // nothing renamed; the chain put back
    RolledBack, // a rename failed; every file is back under its old name
    NotRolledBack, // a rename failed and some files could not be renamed back
};

// A target that is not under its old name after a failed run.
struct StrandedFile
{
    QString oldName;
    QString currentName;
};

struct BatchOutcome
{
    BatchStatus status = BatchStatus::Ready;
    // The offending name: the missing or clashing file, the bad name, the history file that
    // could not be written, or the file whose rename failed.
    QString name;
    QString otherName; // a failed rename: the name it was to get
    QString reason; // the system's reason for a failed write or rename
    int historyNumber = 0; // the history file the run wrote (Done, NotRolledBack)
    // NotRolledBack: in target order; the current name is every name the file may carry
    QList<StrandedFile> stranded;
    QStringList historyNotRestored; // history files that could not be put back as they were
    // RolledBack: the history was kept on purpose, because the folder could not be synced.
    bool historyKept = false;
    // Names a target may also carry, kept because the file system cannot tell whether they
    // hold the same file: "name → the target's name".
    QStringList keptNames;

    bool ok() const
    {
        return status == BatchStatus::Ready || status == BatchStatus::Done
            || status == BatchStatus::DoneNotSynced;
    }
    // Whether files may have been renamed, so that a listing of the folder is out of date.
    bool filesTouched() const
    {
        return status == BatchStatus::Done || status == BatchStatus::DoneNotSynced
            || status == BatchStatus::RolledBack || status == BatchStatus::NotRolledBack;
    }
    // The text that tells the user; empty for Ready and Done.
    QString message() const;
};

// One rename of a pass, reported after it is done.
struct RenameStep
{
    enum class Pass { Away, To };
    Pass pass;
    int index;
    QString from;
    QString to;
};
using RenameProgress = std::function<void(const RenameStep &)>;

// The window caption that shows a step.
QString captionOf(const RenameStep &step);

// Snapshot and temporary names; refuses an empty new-name list and lists of different lengths.
BatchOutcome planBatch(const BatchInput &input, BatchPlan *plan);

// Checks the plan against the folder; Ready when the batch may go ahead.
BatchOutcome checkBatch(Folder &folder, const BatchPlan &plan);

// Whether the plan's files go straight to their new names: no new name may reach the entry of
// any old name of the batch, its own included, on any file system (namesMayMeet).
bool renamesInOnePass(const BatchPlan &plan);

// Records the plan in the history chain and renames; Done, or a failure with everything put
// back as far as possible. `progress` is called after every rename, of the one pass or of the
// two; a rename of one pass is reported as one of the second (from the old name to the new).
BatchOutcome runBatch(Folder &folder, const BatchPlan &plan, const RenameProgress &progress = {});

// All three stages without a question in between.
BatchOutcome renameBatch(Folder &folder, const BatchInput &input,
                         const RenameProgress &progress = {});

} // namespace renaming
