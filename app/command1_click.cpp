// The rename button. The batch rename itself is the engine's (rename/batch_rename.h); this
// handler reads the controls, asks the question, shows the warning and the progress, and puts
// the window back in order afterwards.
#include "frm_voxa_r_1.h"

#include "batch_rename.h"
#include "history.h"
#include "messages.h"
#include "recovery.h"

#include <QComboBox>
#include <QLabel>
#include <QLineEdit>
#include <QListWidget>

void frmVOXA_R_1::Command1_Click()
{
    const Running running(this);
    ui::MessageBoxes &boxes = messages();
    renaming::BatchInput input { listEntries(List1), listEntries(List2), Text1->text(),
                                 Module_Globals.StartNo, Combo1->currentText() };
    if (numberingChoice().pairs)
        for (int i = 0; i < List1->count(); ++i)
            input.groups << groupOf(i);
    renaming::BatchPlan plan;
    if (const renaming::BatchOutcome planned = renaming::planBatch(input, &plan); !planned.ok()) {
        boxes.inform(planned.message());
        return;
    }

    const QString folderPath = renaming::folderPathOf(Dir1->path());
    QString reason;
    const std::unique_ptr<renaming::Folder> folder = services().openFolder(Dir1->path(), &reason);
    if (!folder) {
        boxes.inform(msg::RenameMissingFile + folderPath + QStringLiteral(" (%1)").arg(reason));
        return;
    }
    // A rename cut off earlier must be undone first: a new batch on top of it would add a
    // history file that no longer matches the folder, and the cut-off one could not be undone.
    // Its temporary names are no stranger's files either: point the user to the restore.
    if (renaming::interruptedRunPending(*folder, plan.pattern)) {
        boxes.inform(msg::InterruptedHint);
        return;
    }
    // Everything that would make a rename fail is found here, before the question.
    if (const renaming::BatchOutcome checked = renaming::checkBatch(*folder, plan); !checked.ok()) {
        boxes.inform(checked.message());
        return;
    }
    if (!boxes.confirm(msg::AskRename, ui::Icon::Question))
        return;

    const QString statusBefore = Label2->text();
    Label2->setText(msg::StatusRenaming);
    Label2->repaint();
    const QCursor cursorBefore = cursor();
    setCursor(Qt::WaitCursor);

    // No yielding to the event loop while files carry temporary names: no other handler may
    // run in between. Only paint the warning and the caption.
    const renaming::BatchOutcome outcome
        = renaming::runBatch(*folder, plan, [this](const renaming::RenameStep &step) {
              showProgress(renaming::captionOf(step));
          });
    setCursor(cursorBefore);

    const bool done = outcome.status == renaming::BatchStatus::Done
        || outcome.status == renaming::BatchStatus::DoneNotSynced;
    if (!done) {
        // Nothing of the batch is left done. When files were touched the listing is re-read,
        // so that the lists show the names the files carry now; the failure is told first, so
        // that a hint the listing gives about files left behind follows its cause.
        setWindowTitle(msg::AppTitle);
        Label2->setText(statusBefore);
        boxes.inform(outcome.message());
        if (outcome.filesTouched())
            Dir1_Change();
        return;
    }

    // Done; where the folder could not be synced, the message says so instead.
    const QString told = outcome.message();
    boxes.inform(told.isEmpty() ? msg::RenameDone : told);
    List1->clear();
    LIST2_CLEAR();
    setWindowTitle(msg::AppTitle);
    Label2->setText(msg::StatusIdle);
    Text1->setText(QString());
    // The folder is listed again in place. Passing through another folder to make the folder
    // list report a change would list that folder too, with its own messages.
    Dir1_Change();
    boxes.inform(msg::restoreHint(folderPath));
    LIST2_CLEAR();
    Text1->setFocus();
}
