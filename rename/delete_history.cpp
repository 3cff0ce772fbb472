#include "delete_history.h"

#include "folder.h"
#include "history.h"
#include "messages.h"

namespace renaming {

QString HistoryDeletion::message() const
{
    if (notDeleted.isEmpty())
        return {};
    return msg::HistoryNotDeleted + notDeleted.join(u'\n');
}

HistoryDeletion deleteHistory(Folder &folder, const QString &typePart)
{
    HistoryDeletion result;
    for (int k = 0; k <= HighestChainNumber; ++k) {
        const QString name = historyFileName(typePart, k);
        const OpResult removed = folder.remove(name);
        if (removed)
            result.deleted.append(name);
        else if (folder.exists(name))
            result.notDeleted.append(QStringLiteral("%1 (%2)").arg(name, removed.reason));
    }
    // The deletions reach the disk now; a chain that came back after a power cut could be
    // restored by mistake.
    folder.sync();
    return result;
}

} // namespace renaming
