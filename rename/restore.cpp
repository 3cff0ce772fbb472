#include "restore.h"

#include "folder.h"
#include "history.h"
#include "messages.h"

#include <QSet>

#include <algorithm>

namespace renaming {

namespace {

RestoreOutcome outcome(RestoreStatus status, const QString &name = {}, const QString &reason = {})
{
    RestoreOutcome o;
    o.status = status;
    o.name = name;
    o.reason = reason;
    return o;
}

// A rename of the step failed: everything the step renamed is renamed back, newest first, and
// the outcome tells where the files are, as the folder shows it.
RestoreOutcome failedRename(Places &places, const UndoStep &step, qsizetype failed,
                            const QString &reason)
{
    places.rollBack();
    RestoreOutcome o = outcome(RestoreStatus::RolledBack, step.current[failed], reason);
    o.keptNames = places.keptNames();
    if (places.confirmedAtFirst())
        return o;
    o.status = RestoreStatus::NotRolledBack;
    for (qsizetype j = 0; j < step.current.size(); ++j) {
        if (places.at(j) != Places::At::First)
            o.unrestored.append({ step.current[j], places.placeOf(j) });
    }
    if (o.unrestored.isEmpty()) {
        for (qsizetype j = 0; j < step.current.size(); ++j)
            o.unrestored.append({ step.current[j], places.placeOf(j) + msg::PlaceUnknown });
    }
    return o;
}

// Deletes one history file; a file that is already gone counts as deleted (Folder::remove
// looks), one the folder cannot be asked about does not.
bool removeHistoryFile(Folder &folder, const QString &name, QString *reason)
{
    const OpResult removed = folder.remove(name);
    if (!removed)
        *reason = removed.reason;
    return removed.ok;
}

} // namespace

QString restoreTemporaryName(int index)
{
    return QStringLiteral("zyx%1.zyx").arg(index, 4, 10, QLatin1Char('0'));
}

QString RestoreOutcome::message() const
{
    const QString because = reason.isEmpty() ? QString() : QStringLiteral(" (%1)").arg(reason);
    const QString kept = keptNames.isEmpty()
        ? QString()
        : u'\n' + msg::SecondNamesKept + u'\n' + keptNames.join(u'\n');
    const QString text = messageText(because);
    return (text + kept).startsWith(u'\n') ? (text + kept).mid(1) : text + kept;
}

QString RestoreOutcome::messageText(const QString &because) const
{
    switch (status) {
    case RestoreStatus::Ready:
    case RestoreStatus::Done:
    case RestoreStatus::AllUndone:
    case RestoreStatus::Cancelled:
        return {};
    case RestoreStatus::NotSynced:
        return msg::RestoreDoneNotSynced + reason;
    case RestoreStatus::NamesKept:
        return {}; // the kept names say it
    case RestoreStatus::TooManyChanges:
        return msg::TooManyChanges;
    case RestoreStatus::NoHistory:
        return msg::NoHistory;
    case RestoreStatus::FaultyHistory:
        return msg::FaultyHistory;
    case RestoreStatus::BadName:
        return msg::RestoreBadName + name;
    case RestoreStatus::MissingFile:
        return msg::RestoreMissingFile + name;
    case RestoreStatus::NameTaken:
        return msg::RestoreNameTaken + name;
    case RestoreStatus::RolledBack:
        return msg::RestoreFailedRolledBack + name + because;
    case RestoreStatus::NotRolledBack: {
        QString text = msg::RestoreFailed + name + because + u'\n' + msg::RenameNotRolledBack;
        for (const UnrestoredFile &file : unrestored)
            text += u'\n' + file.historyName + QStringLiteral(" → ") + file.currentName;
        return text;
    }
    case RestoreStatus::HistoryNotDeleted:
        return msg::HistoryNotDeleted + name + because;
    case RestoreStatus::Mismatch:
        return msg::RecoveryMismatch + name;
    case RestoreStatus::ResumeFailed:
        return msg::RestoreFailed + name + because + u'\n' + msg::InterruptedHint;
    }
    return {};
}

ChainScan scanChain(const HistoryChain &chain)
{
    ChainScan scan;
    if (!chain.badName().isEmpty()) {
        scan.status = ChainStatus::BadName;
        return scan;
    }
    if (!chain.ambiguousName().isEmpty()) {
        scan.status = ChainStatus::Faulty;
        return scan;
    }
    const int k = chain.chainLength();
    if (k > HighestChainNumber) {
        scan.status = ChainStatus::TooManyChanges;
        return scan;
    }
    scan.newest = k - 1;
    if (scan.newest <= 0) {
        scan.status = ChainStatus::NoHistory;
        return scan;
    }

    // Every file is read and checked now, so that a bad one refuses the restore before its
    // first step rather than halfway through the chain.
    for (int i = scan.newest; i >= 0; --i) {
        const auto names = chain.read(i);
        if (!names || (i < scan.newest && names->size() != scan.entries)) {
            scan.status = ChainStatus::Faulty;
            return scan;
        }
        scan.entries = int(names->size());
    }
    scan.status = ChainStatus::Healthy;
    return scan;
}

std::optional<UndoStep> readUndoStep(const HistoryChain &chain, int r, int entries)
{
    auto current = chain.read(r);
    auto earlier = chain.read(r - 1);
    if (!current || !earlier || current->size() != earlier->size()
        || (entries >= 0 && current->size() != entries))
        return std::nullopt;
    UndoStep step;
    step.number = r;
    step.current = std::move(*current);
    step.earlier = std::move(*earlier);
    addTemporaryNames(&step);
    return step;
}

RestoreOutcome planUndoStep(Folder &folder, const HistoryChain &chain, int r, int entries,
                            UndoStep *step)
{
    // The files are read again: they may have changed while an earlier question was open.
    std::optional<UndoStep> read = readUndoStep(chain, r, entries);
    if (!read)
        return outcome(RestoreStatus::FaultyHistory);

    const StepState state = deriveStepState(folder, *read);
    if (state.fits && !state.normal) {
        read->resumes = true;
        read->moves = state.moves;
        read->keptNames = state.keptNames;
        *step = std::move(*read);
        return outcome(RestoreStatus::Ready);
    }
    // Leftovers of an interrupted run that do not fit it: say which name is wrong, rather
    // than that a current name is missing, which is what the folder shows after any
    // interruption.
    if (!state.normal && state.tracesPresent) {
        // Where a name that does not fit may be a second name of a file of the set, the user
        // is told so: it can be removed by hand, and the restore then goes through.
        RestoreOutcome refused = outcome(RestoreStatus::Mismatch, state.misfit);
        refused.keptNames = state.keptNames;
        return refused;
    }

    const FolderNames onDisk(folder);
    for (const QString &name : std::as_const(read->current)) {
        if (!onDisk.contains(name))
            return outcome(RestoreStatus::MissingFile, name);
    }
    for (const QString &name : std::as_const(read->temporary)) {
        if (onDisk.contains(name))
            return outcome(RestoreStatus::NameTaken, name);
    }
    // An earlier name may be carried now by a file of the set, which pass 1 moves away; any
    // other holder would make pass 2 fail. A temporary name is held by the set itself
    // between the passes.
    const QSet<QString> currentSet(read->current.cbegin(), read->current.cend());
    const QSet<QString> temporarySet(read->temporary.cbegin(), read->temporary.cend());
    for (const QString &name : std::as_const(read->earlier)) {
        if (temporarySet.contains(name) || (!currentSet.contains(name) && onDisk.contains(name)))
            return outcome(RestoreStatus::NameTaken, name);
    }
    read->onePass = !namesMayMeet(read->current, read->earlier);
    *step = std::move(*read);
    return outcome(RestoreStatus::Ready);
}

namespace {

// Makes the planned renames of a step that finishes an interrupted run. A failure stops it
// where it is: every file is then under a name its line explains, so nothing is renamed back.
RestoreOutcome resumeUndoStep(Folder &folder, const UndoStep &step, const RestoreProgress &progress)
{
    for (const RecoveryMove &move : step.moves) {
        if (move.drop) {
            if (const MoveResult dropped = folder.removeName(move.from, move.to); !dropped)
                return outcome(RestoreStatus::ResumeFailed, move.from, dropped.reason);
            continue;
        }
        if (const OpResult renamed = folder.renameNoReplace(move.from, move.to); !renamed)
            return outcome(RestoreStatus::ResumeFailed, move.from, renamed.reason);
        if (progress)
            progress(move.toEarlier ? msg::restoringTo(move.from, move.to)
                                    : msg::restoringAway(move.from, move.to));
    }
    return outcome(RestoreStatus::Ready);
}

} // namespace

RestoreOutcome runUndoStep(Folder &folder, const UndoStep &step, const RestoreProgress &progress)
{
    if (step.resumes)
        return resumeUndoStep(folder, step, progress);
    using At = Places::At;
    Places places(folder, step.current, step.temporary, step.earlier, step.onePass);
    // One pass over the lines, from one place to another; false at the first rename that fails.
    std::optional<RestoreOutcome> failed;
    const auto pass = [&](At from, At to) {
        const QStringList &source = from == At::First ? step.current : step.temporary;
        const QStringList &target = to == At::Final ? step.earlier : step.temporary;
        for (qsizetype j = 0; j < source.size(); ++j) {
            if (const MoveResult renamed = places.move(j, from, to); !renamed) {
                failed = failedRename(places, step, j, renamed.reason);
                return false;
            }
            if (progress)
                progress(to == At::Final ? msg::restoringTo(source[j], target[j])
                                         : msg::restoringAway(source[j], target[j]));
        }
        return true;
    };
    const bool done = step.onePass
        ? pass(At::First, At::Final)
        : pass(At::First, At::Temporary) && pass(At::Temporary, At::Final);
    return done ? outcome(RestoreStatus::Ready) : *failed;
}

RestoreOutcome retireUndoStep(Folder &folder, const HistoryChain &chain, int r)
{
    const QString newest = chain.fileName(r);
    // The renames reach the disk before the history that explains them goes.
    if (const OpResult synced = folder.sync(); !synced)
        return outcome(RestoreStatus::HistoryNotDeleted, newest, synced.reason);
    QString reason;
    if (!removeHistoryFile(folder, newest, &reason))
        return outcome(RestoreStatus::HistoryNotDeleted, newest, reason);
    if (r == 1) {
        const QString first = chain.fileName(0);
        if (!removeHistoryFile(folder, first, &reason))
            return outcome(RestoreStatus::HistoryNotDeleted, first, reason);
    }
    // A deletion lost in a power cut would bring back a step that is already undone.
    if (const OpResult synced = folder.sync(); !synced)
        return outcome(RestoreStatus::NotSynced, newest, synced.reason);
    return outcome(RestoreStatus::Done);
}

namespace {

// A file 0 alone whose every name the folder holds is the trace of a batch cut off between its
// two history writes, or of a one-step restore cut off between its two deletions: it records
// no rename, and nothing is lost without it. Whether the restore removes it.
bool isLoneTrace(Folder &folder, const HistoryChain &chain)
{
    if (!chain.readable(0) || chain.present(1))
        return false;
    const auto names = chain.read(0);
    if (!names)
        return false;
    const FolderNames onDisk(folder);
    return onDisk.listed() && std::all_of(names->begin(), names->end(), [&](const QString &name) {
               return onDisk.contains(name);
           });
}

} // namespace

RestoreOutcome restoreNames(Folder &folder, const QString &pattern,
                            const RestoreCallbacks &callbacks)
{
    const HistoryChain chain(folder, pattern);
    const ChainScan scan = scanChain(chain);
    if (scan.status != ChainStatus::BadName) {
        // The program's own temporaries of history files whose writes were cut off.
        for (const QString &leftover : chain.leftoverTemporaries())
            folder.remove(leftover);
    }
    switch (scan.status) {
    case ChainStatus::BadName:
        return outcome(RestoreStatus::BadName, chain.badName());
    case ChainStatus::TooManyChanges:
        return outcome(RestoreStatus::TooManyChanges);
    case ChainStatus::NoHistory:
        if (isLoneTrace(folder, chain) && folder.remove(chain.fileName(0)))
            folder.sync();
        return outcome(RestoreStatus::NoHistory);
    case ChainStatus::Faulty:
        return outcome(RestoreStatus::FaultyHistory);
    case ChainStatus::Healthy:
        break;
    }

    int undone = 0;
    const auto finish = [&undone](RestoreOutcome o) {
        o.stepsUndone = undone;
        return o;
    };
    for (int r = scan.newest; r >= 1; --r) {
        if (callbacks.confirmStep && !callbacks.confirmStep(r))
            return finish(outcome(RestoreStatus::Cancelled));
        UndoStep step;
        if (RestoreOutcome planned = planUndoStep(folder, chain, r, scan.entries, &step);
            !planned.ok())
            return finish(planned);
        if (callbacks.stepPlanned && !callbacks.stepPlanned(step))
            return finish(outcome(RestoreStatus::Cancelled));
        if (RestoreOutcome run = runUndoStep(folder, step, callbacks.progress); !run.ok())
            return finish(run);
        // The history explains the names kept beside the step's files: it stays with them.
        if (!step.keptNames.isEmpty()) {
            if (callbacks.stepFinished)
                callbacks.stepFinished(r);
            RestoreOutcome stopped = outcome(RestoreStatus::NamesKept);
            stopped.keptNames = step.keptNames;
            return finish(stopped);
        }
        const RestoreOutcome retired = retireUndoStep(folder, chain, r);
        if (callbacks.stepFinished)
            callbacks.stepFinished(r);
        if (retired.status == RestoreStatus::NotSynced)
            ++undone;
        if (!retired.ok())
            return finish(retired);
        ++undone;
    }
    return finish(outcome(RestoreStatus::AllUndone));
}

} // namespace renaming
