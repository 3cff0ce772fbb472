#include "batch_rename.h"

#include "folder.h"
#include "history.h"
#include "messages.h"
#include "naming.h"
#include "recovery.h"
#include "restore.h"

#include <QHash>
#include <QSet>

#include <algorithm>
#include <numeric>
#include <optional>
#include <vector>

namespace renaming {

namespace {

// Names that the file system treats as one: exact where names are case-sensitive, folded
// where they are not, so that two new names differing only in case count as a clash.
QString nameKey(const QString &name)
{
#if defined(Q_OS_WIN) || defined(Q_OS_DARWIN)
    return name.toCaseFolded();
#else
    return name;
#endif
}

BatchOutcome refusal(BatchStatus status, const QString &name = {})
{
    BatchOutcome outcome;
    outcome.status = status;
    outcome.name = name;
    return outcome;
}

// The history files this run writes: file 0 with the old names when a chain starts, then
// file k with the new names.
struct HistoryWrite
{
    QString name;
    QByteArray bytes;
    bool written = false; // written by this run, or perhaps: it is removed again on a failure
    bool takenOver = false; // already in the folder with these names: not written, never removed
};

// Whether `earlier` (the newest history file) names exactly the targets `oldNames`, in any
// order; fills `lines` with the index in `oldNames` of each of its lines. Neither list names a
// file twice (the history reader and planBatch refuse that), so equal sizes and every line
// found make the lines a reordering of the targets.
bool findLines(const QStringList &earlier, const QStringList &oldNames,
               std::vector<qsizetype> *lines)
{
    QHash<QString, qsizetype> index;
    index.reserve(oldNames.size());
    for (qsizetype i = 0; i < oldNames.size(); ++i)
        index.insert(oldNames[i], i);
    lines->clear();
    for (const QString &name : earlier) {
        const auto found = index.constFind(name);
        if (found == index.cend())
            return false;
        lines->push_back(*found);
    }
    return true;
}

// The plan with its targets in the order of `lines`.
BatchPlan inLineOrder(const BatchPlan &plan, const std::vector<qsizetype> &lines)
{
    BatchPlan ordered;
    ordered.pattern = plan.pattern;
    for (qsizetype i : lines) {
        ordered.oldNames << plan.oldNames[i];
        ordered.newNames << plan.newNames[i];
        ordered.temporaryNames << plan.temporaryNames[i];
    }
    return ordered;
}

// The history files the run is to write, with the number it writes, or the refusal. The run
// must leave a chain that the restore accepts and that gives every target back its name:
//   - a write never replaces a file: anything at a name to be written (a file 0 without a
//     file 1, an entry at the next number that cannot be read) may be a stranger's. One file 0
//     alone that holds exactly the targets' names is the trace of a batch that never began
//     (cut off between its two history writes) or of a restore that finished its renames (cut
//     off between its two deletions): the run would write those very names, so it takes the
//     file over as its own file 0;
//   - a chain of 100 files is one the restore refuses, so no batch writes file 100;
//   - appended to a chain, the run needs every file of it fit and of as many lines as it
//     has targets, and file k − 1 must name the targets as they are now. Otherwise the
//     restore would refuse the whole chain, or give the files names they never had.
// File k − 1 may name the targets in another order than the plan (an earlier run numbered
// them in another order): `lines` gets the plan's index of the target on each of its lines,
// the order in which the run writes its history and renames.
BatchOutcome planHistory(const HistoryChain &chain, const BatchPlan &plan,
                         std::vector<HistoryWrite> *writes, int *number,
                         std::vector<qsizetype> *lines)
{
    if (!chain.badName().isEmpty())
        return refusal(BatchStatus::BadName, chain.badName());
    if (!chain.ambiguousName().isEmpty())
        return refusal(BatchStatus::FaultyHistory, chain.ambiguousName());
    const int k = chain.nextNumber();
    if (k >= HighestChainNumber)
        return refusal(BatchStatus::TooManyChanges);
    const bool takeOver = k == 1 && !chain.present(1) && chain.read(0) == plan.oldNames;
    for (int n = k == 1 && !takeOver ? 0 : k; n <= k; ++n) {
        if (chain.present(n))
            return refusal(BatchStatus::NameTaken, chain.fileName(n));
    }
    lines->resize(std::size_t(plan.oldNames.size()));
    std::iota(lines->begin(), lines->end(), 0);
    for (int n = k - 1; k > 1 && n >= 0; --n) {
        const auto names = chain.read(n);
        if (!names || names->size() != plan.oldNames.size()
            || (n == k - 1 && !findLines(*names, plan.oldNames, lines)))
            return refusal(BatchStatus::FaultyHistory, chain.fileName(n));
    }
    writes->clear();
    if (k == 1)
        writes->push_back({ chain.fileName(0), encodeHistory(plan.oldNames), false, takeOver });
    writes->push_back({ chain.fileName(k), encodeHistory(inLineOrder(plan, *lines).newNames) });
    *number = k;
    return {};
}

// Removes every history file this run wrote, newest first, and stops at the first that cannot
// be removed: what is left is then still a chain, which the restore clears (its files are all
// under their names of the file before), never a newest file without the one before it.
// Returns the files left.
QStringList removeHistory(Folder &folder, std::vector<HistoryWrite> &writes)
{
    QStringList left;
    for (auto it = writes.rbegin(); it != writes.rend(); ++it) {
        if (!it->written)
            continue;
        if (left.isEmpty() && folder.remove(it->name))
            it->written = false;
        else
            left.prepend(it->name);
    }
    folder.sync();
    return left;
}

} // namespace

QString BatchOutcome::message() const
{
    const QString because = reason.isEmpty() ? QString() : QStringLiteral(" (%1)").arg(reason);
    const QString failedRename = name + QStringLiteral(" → ") + otherName + because;
    QString text;
    switch (status) {
    case BatchStatus::Ready:
    case BatchStatus::Done:
        break;
    case BatchStatus::DoneNotSynced:
        text = msg::RenameDoneNotSynced + reason;
        break;
    case BatchStatus::NoNewNames:
        return msg::NoNewNames;
    case BatchStatus::ListsDiffer:
        return msg::ListsDiffer;
    case BatchStatus::MissingFile:
        return msg::RenameMissingFile + name;
    case BatchStatus::NameTaken:
        return msg::RenameNameTaken + name;
    case BatchStatus::BadName:
        return msg::RenameBadName + name;
    case BatchStatus::FaultyHistory:
        return msg::RenameFaultyHistory + name;
    case BatchStatus::TooManyChanges:
        return msg::RenameTooManyChanges;
    case BatchStatus::HistoryWriteFailed:
        text = msg::RenameHistoryWriteFailed + name + because;
        break;
    case BatchStatus::RolledBack:
        text = msg::RenameFailedRolledBack + failedRename;
        break;
    case BatchStatus::NotRolledBack:
        text = msg::RenameFailed + failedRename + u'\n' + msg::RenameNotRolledBack;
        for (const StrandedFile &file : stranded)
            text += u'\n' + file.oldName + QStringLiteral(" → ") + file.currentName;
        break;
    }
    if (!historyNotRestored.isEmpty())
        text += u'\n' + (historyKept ? msg::HistoryKeptUnconfirmed : msg::HistoryNotRestored)
            + historyNotRestored.join(QStringLiteral("、"));
    if (!keptNames.isEmpty())
        text += u'\n' + msg::SecondNamesKept + u'\n' + keptNames.join(u'\n');
    return text.startsWith(u'\n') ? text.mid(1) : text;
}

QString captionOf(const RenameStep &step)
{
    return step.pass == RenameStep::Pass::Away ? msg::renamingAway(step.from, step.to)
                                               : msg::renamingTo(step.from, step.to);
}

BatchOutcome planBatch(const BatchInput &input, BatchPlan *plan)
{
    if (input.newNames.isEmpty())
        return refusal(BatchStatus::NoNewNames);
    if (input.oldNames.size() != input.newNames.size())
        return refusal(BatchStatus::ListsDiffer);

    // Files that share a number must have the new names the naming rule gives them, so that
    // the temporary names follow from the history alone (batchTemporaryNames).
    const bool grouped = !input.groups.isEmpty();
    if (grouped && input.groups.size() != input.oldNames.size())
        return refusal(BatchStatus::ListsDiffer);

    BatchPlan p;
    p.oldNames = input.oldNames;
    p.newNames = input.newNames;
    p.pattern = input.pattern;
    p.temporaryNames.reserve(p.oldNames.size());
    QSet<QString> oldKeys;
    oldKeys.reserve(p.oldNames.size());
    for (qsizetype i = 0; i < p.oldNames.size(); ++i) {
        // The target list comes from a folder listing and never names a file twice; a list
        // that does could not be renamed file by file.
        const QString key = nameKey(p.oldNames[i]);
        if (oldKeys.contains(key))
            return refusal(BatchStatus::ListsDiffer);
        oldKeys.insert(key);
        // The running numbers of a valid new-name list lie in 0..9999, so every target has a
        // temporary name; a list built for another start number does not.
        const int number = grouped ? input.groups[i] : int(i);
        const auto temp = temporaryName(input.prefix, input.startNo, number);
        if (!temp
            || (grouped
                && newName(input.prefix, input.startNo, number, p.oldNames[i]) != p.newNames[i]))
            return refusal(BatchStatus::ListsDiffer);
        p.temporaryNames.append(*temp);
    }
    p.temporaryNames = batchTemporaryNames(p.temporaryNames, p.newNames);
    *plan = std::move(p);
    return {};
}

BatchOutcome checkBatch(Folder &folder, const BatchPlan &plan)
{
    // Names first: a bad name is refused whatever the folder holds. An old name must come
    // back from the history exactly as it is, or the batch could never be undone.
    for (qsizetype i = 0; i < plan.oldNames.size(); ++i) {
        for (const QString *name : { &plan.oldNames[i], &plan.newNames[i] }) {
            if (!isRecordableName(*name))
                return refusal(BatchStatus::BadName, *name);
        }
        // The restore's own temporary names (prefix "zyx") would confuse the recovery of an
        // interrupted run with that of an interrupted undo step.
        if (!isPlainFileName(plan.temporaryNames[i])
            || isRestoreTemporaryName(plan.temporaryNames[i]))
            return refusal(BatchStatus::BadName, plan.temporaryNames[i]);
    }

    std::vector<HistoryWrite> writes;
    int k = 0;
    std::vector<qsizetype> lines;
    if (BatchOutcome history
        = planHistory(HistoryChain(folder, plan.pattern), plan, &writes, &k, &lines);
        !history.ok())
        return history;

    QSet<QString> oldKeys;
    oldKeys.reserve(plan.oldNames.size());
    for (const QString &name : plan.oldNames)
        oldKeys.insert(nameKey(name));

    QSet<QString> newKeys;
    newKeys.reserve(plan.newNames.size());
    for (const QString &name : plan.newNames) {
        const QString key = nameKey(name);
        if (newKeys.contains(key))
            return refusal(BatchStatus::NameTaken, name);
        newKeys.insert(key);
    }

    const FolderNames onDisk(folder);
    for (const QString &name : plan.oldNames) {
        if (!onDisk.contains(name))
            return refusal(BatchStatus::MissingFile, name);
    }
    // Any file under a temporary name, a leftover of an interrupted run or a file of type
    // ".zyx", would make its pass-1 rename fail.
    for (const QString &name : plan.temporaryNames) {
        if (onDisk.contains(name))
            return refusal(BatchStatus::NameTaken, name);
    }
    // The restore moves the files through zyx0000.zyx, zyx0001.zyx, ...: a batch whose undo
    // would meet another file there could not be undone.
    for (qsizetype j = 0; j < plan.oldNames.size(); ++j) {
        if (const QString name = restoreTemporaryName(int(j)); onDisk.contains(name))
            return refusal(BatchStatus::NameTaken, name);
    }
    // Between the passes the targets hold the temporary names, so none may be the new name
    // of another target (a.jpg and a.jpg.zyx sharing a number would meet there).
    QSet<QString> temporaryKeys;
    temporaryKeys.reserve(plan.temporaryNames.size());
    for (const QString &name : plan.temporaryNames)
        temporaryKeys.insert(nameKey(name));
    for (qsizetype i = 0; i < plan.newNames.size(); ++i) {
        if (plan.newNames[i] != plan.temporaryNames[i]
            && temporaryKeys.contains(nameKey(plan.newNames[i])))
            return refusal(BatchStatus::NameTaken, plan.newNames[i]);
    }
    // A new name may be a target's old name, freed by pass 1, but no other file's.
    for (const QString &name : plan.newNames) {
        if (!oldKeys.contains(nameKey(name)) && onDisk.contains(name))
            return refusal(BatchStatus::NameTaken, name);
    }
    return {};
}

bool renamesInOnePass(const BatchPlan &plan)
{
    return !namesMayMeet(plan.oldNames, plan.newNames);
}

BatchOutcome runBatch(Folder &folder, const BatchPlan &given, const RenameProgress &progress)
{
    const qsizetype count = given.oldNames.size();
    // The folder is looked at anew: it may have changed while the question was open.
    const HistoryChain chain(folder, given.pattern);
    std::vector<HistoryWrite> writes;
    int k = 0;
    std::vector<qsizetype> lines;
    if (BatchOutcome history = planHistory(chain, given, &writes, &k, &lines); !history.ok())
        return history;
    // From here on the targets go in the order of the history lines.
    const BatchPlan plan = inLineOrder(given, lines);

    BatchOutcome outcome;

    // Hidden temporaries that earlier writes of this chain left when they were cut off.
    for (const QString &leftover : chain.leftoverTemporaries())
        folder.remove(leftover);

    for (HistoryWrite &write : writes) {
        OpResult result;
        if (!write.takenOver) {
            const CreateResult created = folder.createFileDurably(write.name, write.bytes);
            write.written = created.ok || created.maybeCreated;
            result = created;
        }
        // The renames may only begin once the history is certain to survive a power cut.
        if (result && &write == &writes.back())
            result = folder.sync();
        if (!result) {
            outcome.status = BatchStatus::HistoryWriteFailed;
            outcome.name = write.name;
            outcome.reason = result.reason;
            outcome.historyNotRestored = removeHistory(folder, writes);
            return outcome;
        }
    }

    using At = Places::At;
    const bool onePass = renamesInOnePass(plan);
    Places places(folder, plan.oldNames, plan.temporaryNames, plan.newNames, onePass);
    // One pass over the lines, from one place to another; false at the first rename that fails.
    auto pass = [&](At from, At to) -> bool {
        const QStringList &source = from == At::First ? plan.oldNames : plan.temporaryNames;
        const QStringList &target = to == At::Final ? plan.newNames : plan.temporaryNames;
        const auto shown = to == At::Final ? RenameStep::Pass::To : RenameStep::Pass::Away;
        for (qsizetype i = 0; i < count; ++i) {
            if (const MoveResult r = places.move(i, from, to); !r) {
                outcome.name = plan.oldNames[i];
                outcome.otherName = target[i];
                outcome.reason = r.reason;
                return false;
            }
            if (progress)
                progress({ shown, int(i), source[i], target[i] });
        }
        return true;
    };
    auto passes = [&]() -> bool {
        if (onePass)
            return pass(At::First, At::Final);
        return pass(At::First, At::Temporary) && pass(At::Temporary, At::Final);
    };

    if (passes()) {
        outcome.status = BatchStatus::Done;
        outcome.historyNumber = k;
        // Without the sync the renames may not survive a power cut: the user is told, and the
        // history that undoes them stays as it is in any case.
        if (const OpResult synced = folder.sync(); !synced) {
            outcome.status = BatchStatus::DoneNotSynced;
            outcome.reason = synced.reason;
        }
        return outcome;
    }

    places.rollBack();
    outcome.keptNames = places.keptNames();
    // The history goes only when the folder shows every file under its old name, and that
    // state is on disk; otherwise the run stays recorded, as an interrupted one that the
    // restore finishes.
    // A name kept beside a file keeps the history too, which explains it until the user has
    // removed it and the restore has cleared the run.
    if (places.confirmedAtFirst()) {
        outcome.status = BatchStatus::RolledBack;
        if (!outcome.keptNames.isEmpty()) {
            outcome.historyKept = true;
        } else if (const OpResult synced = folder.sync(); !synced) {
            outcome.historyKept = true;
            for (const HistoryWrite &write : writes) {
                if (write.written)
                    outcome.historyNotRestored.append(write.name);
            }
        } else {
            outcome.historyNotRestored = removeHistory(folder, writes);
        }
        return outcome;
    }
    outcome.status = BatchStatus::NotRolledBack;
    outcome.historyNumber = k;
    for (qsizetype i = 0; i < count; ++i) {
        if (places.at(i) != At::First)
            outcome.stranded.append({ plan.oldNames[i], places.placeOf(i) });
    }
    // Every file under its old name as far as the run knows, yet the folder does not show it.
    if (outcome.stranded.isEmpty()) {
        for (qsizetype i = 0; i < count; ++i)
            outcome.stranded.append({ plan.oldNames[i], places.placeOf(i) + msg::PlaceUnknown });
    }
    return outcome;
}

BatchOutcome renameBatch(Folder &folder, const BatchInput &input, const RenameProgress &progress)
{
    BatchPlan plan;
    if (BatchOutcome planned = planBatch(input, &plan); !planned.ok())
        return planned;
    if (BatchOutcome checked = checkBatch(folder, plan); !checked.ok())
        return checked;
    return runBatch(folder, plan, progress);
}

} // namespace renaming
