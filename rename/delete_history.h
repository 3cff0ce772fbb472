// Delete history: discards the history chain of one folder and file type, files 0 to 100,
// every number the restore looks at, in whatever spelling of the file type the folder holds
// them. Files behind a gap go too; file 101, which the restore never reads, stays, and so does
// every file that another file type's chain can claim unless the folder shows it to be this
// chain's (history.h). A file type that gives no plain history name, or a chain with a file in
// two spellings or in doubt where it would go on, is refused with nothing deleted; so is a
// chain whose newest rename was cut off (recovery.h): its files would lose their first names
// for good, and the restore must finish it first.
#pragma once

#include <QString>
#include <QStringList>

namespace renaming {

class Folder;

struct HistoryDeletion
{
    QStringList deleted;
    // Files that exist but could not be deleted, with the system's reason, "name (reason)".
    // They are reported: a file left behind would let a later restore undo renames the user
    // meant to make final.
    QStringList notDeleted;
    QString refusal; // the command was refused and deleted nothing
    bool interrupted = false; // refused because a cut-off run is to be finished by the restore
    QString notSynced; // deleted, but the folder could not be synced: the system's reason

    // The text that tells the user; empty when every existing file was deleted.
    QString message() const;
};

// Deletes history files 0 to 100 of the file type `pattern` ("*.jpg"); a missing number is
// passed over. With `dryRun` nothing is deleted, and `deleted` holds the files that would be.
HistoryDeletion deleteHistory(Folder &folder, const QString &pattern, bool dryRun = false);

} // namespace renaming
