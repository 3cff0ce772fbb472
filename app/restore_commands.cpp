// The Edit menu's restore and delete history commands. The work is the engine's
// (rename/restore.h, rename/delete_history.h); these handlers ask the questions, show the
// progress in the caption and the status line, and re-list the folder as names change.
#include "frm_voxa_r_1.h"

#include "delete_history.h"
#include "history.h"
#include "messages.h"
#include "restore.h"

#include <QComboBox>
#include <QLabel>
#include <QLineEdit>
#include <QListWidget>

void frmVOXA_R_1::nmuUndo_Click()
{
    const Running running(this);
    ui::MessageBoxes &boxes = messages();
    if (!boxes.confirm(msg::AskRestore, ui::Icon::Question)) {
        Label2->setText(msg::StatusIdle);
        return;
    }
    Label2->setText(msg::StatusRestoring);
    Label2->repaint();

    const QString folderPath = Dir1->path();
    const QString pattern = Combo1->currentText();
    const QCursor previousCursor = cursor();
    setCursor(Qt::WaitCursor);

    bool stepsOffered = false;
    renaming::RestoreCallbacks callbacks;
    callbacks.confirmStep = [&](int r) {
        stepsOffered = true;
        return boxes.confirm(msg::askUndoStep(r), ui::Icon::Exclamation);
    };
    callbacks.progress = [this](const QString &caption) { showProgress(caption); };
    callbacks.stepFinished = [this](int) {
        Dir1_Change();
        LIST2_CLEAR();
    };

    // A folder that cannot be opened has no history file that could be read.
    renaming::RestoreOutcome outcome;
    outcome.status = renaming::RestoreStatus::NoHistory;
    if (auto folder = services().openFolder(folderPath, nullptr))
        outcome = renaming::restoreNames(*folder, pattern, callbacks);

    setCursor(previousCursor);
    // Names kept beside a restored file, or a last sync that failed, are told even on success.
    const QString told = outcome.message();
    if (outcome.status == renaming::RestoreStatus::AllUndone) {
        if (!told.isEmpty())
            boxes.inform(told);
        List1->clear();
        LIST2_CLEAR();
        setWindowTitle(msg::AppTitle);
        Text1->setText(QString());
        Dir1_Change();
        LIST2_CLEAR();
        Text1->setFocus();
    } else {
        if (stepsOffered)
            setWindowTitle(msg::AppTitle);
        if (!told.isEmpty())
            boxes.inform(told);
        // Listed after the failure is told, so that the hint the listing gives about files
        // left behind follows its cause.
        if (outcome.filesTouched()) {
            Dir1_Change();
            LIST2_CLEAR();
        }
    }
    Label2->setText(msg::StatusIdle);
}

void frmVOXA_R_1::mnuDeletelog_Click()
{
    if (!messages().confirm(msg::AskDeleteHistory, ui::Icon::Exclamation))
        return;
    const auto folder = services().openFolder(Dir1->path(), nullptr);
    if (!folder)
        return;
    const renaming::HistoryDeletion deletion
        = renaming::deleteHistory(*folder, Combo1->currentText());
    if (const QString text = deletion.message(); !text.isEmpty())
        messages().inform(text);
}
