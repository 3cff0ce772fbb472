#include "restore.h"

#include "folder.h"
#include "history.h"
#include "messages.h"

#include <QSet>

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

// Renames back what a failed step did, newest first: the first `to` renames of pass 2, then
// the first `away` renames of pass 1. Returns the files that are not back under their
// current names.
QList<UnrestoredFile> rollBack(Folder &folder, const UndoStep &step, qsizetype away, qsizetype to)
{
    QStringList where = step.current;
    for (qsizetype j = 0; j < away; ++j)
        where[j] = step.temporary[j];
    for (qsizetype j = 0; j < to; ++j)
        where[j] = step.earlier[j];

    for (qsizetype j = to - 1; j >= 0; --j) {
        if (folder.renameNoReplace(step.earlier[j], step.temporary[j]))
            where[j] = step.temporary[j];
    }
    for (qsizetype j = away - 1; j >= 0; --j) {
        if (where[j] == step.temporary[j]
            && folder.renameNoReplace(step.temporary[j], step.current[j]))
            where[j] = step.current[j];
    }

    QList<UnrestoredFile> left;
    for (qsizetype j = 0; j < where.size(); ++j) {
        if (where[j] != step.current[j])
            left.append({ step.current[j], where[j] });
    }
    return left;
}

RestoreOutcome failedRename(Folder &folder, const UndoStep &step, qsizetype away, qsizetype to,
                            qsizetype failed, const QString &reason)
{
    RestoreOutcome o = outcome(RestoreStatus::RolledBack, step.current[failed], reason);
    o.unrestored = rollBack(folder, step, away, to);
    if (!o.unrestored.isEmpty())
        o.status = RestoreStatus::NotRolledBack;
    return o;
}

// Deletes one history file; a file that is already gone counts as deleted.
bool removeHistoryFile(Folder &folder, const QString &name, QString *reason)
{
    const OpResult removed = folder.remove(name);
    if (removed || !folder.exists(name))
        return true;
    *reason = removed.reason;
    return false;
}

} // namespace

QString restoreTemporaryName(int index)
{
    return QStringLiteral("zyx%1.zyx").arg(index, 4, 10, QLatin1Char('0'));
}

QString RestoreOutcome::message() const
{
    const QString because = reason.isEmpty() ? QString() : QStringLiteral(" (%1)").arg(reason);
    switch (status) {
    case RestoreStatus::Ready:
    case RestoreStatus::Done:
    case RestoreStatus::AllUndone:
    case RestoreStatus::Cancelled:
        return {};
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
        *step = std::move(*read);
        return outcome(RestoreStatus::Ready);
    }
    // Leftovers of an interrupted run that do not fit it: say which name is wrong, rather
    // than that a current name is missing, which is what the folder shows after any
    // interruption.
    if (!state.normal && state.temporariesPresent)
        return outcome(RestoreStatus::Mismatch, state.misfit);

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
    *step = std::move(*read);
    return outcome(RestoreStatus::Ready);
}

namespace {

// Makes the planned renames of a step that finishes an interrupted run. A failure stops it
// where it is: every file is then under a name its line explains, so nothing is renamed back.
RestoreOutcome resumeUndoStep(Folder &folder, const UndoStep &step, const RestoreProgress &progress)
{
    for (const RecoveryMove &move : step.moves) {
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
    const qsizetype n = step.current.size();
    for (qsizetype j = 0; j < n; ++j) {
        const OpResult renamed = folder.renameNoReplace(step.current[j], step.temporary[j]);
        if (!renamed)
            return failedRename(folder, step, j, 0, j, renamed.reason);
        if (progress)
            progress(msg::restoringAway(step.current[j], step.temporary[j]));
    }
    for (qsizetype j = 0; j < n; ++j) {
        const OpResult renamed = folder.renameNoReplace(step.temporary[j], step.earlier[j]);
        if (!renamed)
            return failedRename(folder, step, n, j, j, renamed.reason);
        if (progress)
            progress(msg::restoringTo(step.temporary[j], step.earlier[j]));
    }
    return outcome(RestoreStatus::Ready);
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
        return outcome(RestoreStatus::HistoryNotDeleted, newest, synced.reason);
    return outcome(RestoreStatus::Done);
}

RestoreOutcome restoreNames(Folder &folder, const QString &pattern,
                            const RestoreCallbacks &callbacks)
{
    const HistoryChain chain(folder, pattern);
    const ChainScan scan = scanChain(chain);
    switch (scan.status) {
    case ChainStatus::BadName:
        return outcome(RestoreStatus::BadName, chain.badName());
    case ChainStatus::TooManyChanges:
        return outcome(RestoreStatus::TooManyChanges);
    case ChainStatus::NoHistory:
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
        if (RestoreOutcome run = runUndoStep(folder, step, callbacks.progress); !run.ok())
            return finish(run);
        const RestoreOutcome retired = retireUndoStep(folder, chain, r);
        if (callbacks.stepFinished)
            callbacks.stepFinished(r);
        if (!retired.ok())
            return finish(retired);
        ++undone;
    }
    return finish(outcome(RestoreStatus::AllUndone));
}

} // namespace renaming
