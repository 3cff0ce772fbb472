#include "delete_history.h"

#include "folder.h"
#include "history.h"
#include "messages.h"
#include "recovery.h"

namespace renaming {

QString HistoryDeletion::message() const
{
    if (!refusal.isEmpty())
        return refusal;
    if (!notDeleted.isEmpty())
        return msg::HistoryNotDeleted + notDeleted.join(u'\n');
    if (!notSynced.isEmpty())
        return msg::DeleteDoneNotSynced + notSynced;
    return {};
}

HistoryDeletion deleteHistory(Folder &folder, const QString &pattern, bool dryRun)
{
    HistoryDeletion result;
    const HistoryChain chain(folder, pattern);
    if (!chain.badName().isEmpty()) {
        result.refusal = msg::DeleteBadName + chain.badName();
        return result;
    }
    // Which of two spellings belongs to the chain cannot be told; neither is deleted.
    if (!chain.ambiguousName().isEmpty()) {
        result.refusal = msg::FaultyHistory;
        return result;
    }
    if (interruptedRunPending(folder, pattern)) {
        result.refusal = msg::DeleteInterrupted;
        result.interrupted = true;
        return result;
    }
    for (int k = 0; k <= HighestChainNumber; ++k) {
        // Another type's file under this chain's name is never touched.
        if (!chain.owned(k))
            continue;
        const QString name = chain.fileName(k);
        if (dryRun)
            result.deleted.append(name);
        // A failure that left the name gone counts as done (Folder::remove looks).
        else if (const OpResult removed = folder.remove(name))
            result.deleted.append(name);
        else
            result.notDeleted.append(QStringLiteral("%1 (%2)").arg(name, removed.reason));
    }
    if (dryRun)
        return result;
    for (const QString &leftover : chain.leftoverTemporaries())
        folder.remove(leftover);
    // The deletions reach the disk now; a chain that came back after a power cut could be
    // restored by mistake.
    if (const OpResult synced = folder.sync(); !synced)
        result.notSynced = synced.reason.isEmpty() ? QStringLiteral("?") : synced.reason;
    return result;
}

} // namespace renaming
