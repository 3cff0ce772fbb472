// The main window of Kelvaro and the classes it is made of.
//
// frmVOXA_R_1 is the whole working surface: the user picks a drive (Drive1, a DriveList), a
// folder (Dir1, a FolderList) and a file type pattern (Combo1); the matching files of the
// folder form the folder listing (File1, a FolderListing, never shown) and are copied into
// the target list List1. The user types a name prefix (Text1) and a start number (Text2);
// leaving Text2 fills the new-name list List2 by the naming rule of rename/naming.h. The
// button Command1 starts the batch rename, the Edit menu restores names or deletes the
// rename history, the File menu prints the target list or ends the program, the Help menu
// shows the version line or opens the read-me window. The controls and handlers keep the
// names the form has always had, so that the rename, restore and print commands (each in
// its own source file) can read and set them directly. The two program-wide values MaxFiles
// and StartNo live in Module_Globals. Message boxes, folder operations and the print device
// come from Services, so that tests can replace them.
//
// The Number menu (mnuNumber) chooses the order in which the files get their running numbers
// and whether a photo and its sidecars share one (rename/numbering_order.h); the choice is
// kept between starts. The target list shows the files in that order, so that each preview row
// faces its file; with the name order and no pairs it is the folder listing as it is.
//
// A folder can also come from outside: the program's argument, a drop on the window, or a later
// start of the program handing its argument over. goToFolder() moves the folder list there and
// lists its files with the file type in Combo1, as if the user had opened it; a folder that
// comes while a run or a message box is in progress is kept and opened when it has ended.
//
// The two lists stand side by side, row i of List2 the new name of row i of List1; the pairing
// (SideBySideLists) scrolls and selects them together, and every listing shows both from their
// first row. F5 lists the folder again.
//
// Handlers run synchronously, one at a time: setting a text box's text from code runs its
// change handler before setText() returns, Dir1->setPath() runs Dir1_Change, and moving the
// focus from code runs the GotFocus/LostFocus handlers of the controls involved. Focus moves
// caused by another window taking the activation (a message box) run no focus handler.
#pragma once

#include "drive_list.h"
#include "folder_list.h"
#include "folder_listing.h"
#include "module_globals.h"
#include "numbering_order.h"
#include "services.h"

// The controls' classes, so that every command working on the form can reach them.
#include <QAction>
#include <QComboBox>
#include <QElapsedTimer>
#include <QLabel>
#include <QLineEdit>
#include <QListWidget>
#include <QMainWindow>
#include <QMenu>
#include <QPushButton>

#include <memory>

class SideBySideLists;

namespace ui {
class CentredWindow;
}

// The entries of a list box, top to bottom.
QStringList listEntries(const QListWidget *list);

class frmVOXA_R_1 : public QMainWindow
{
    Q_OBJECT

public:
    explicit frmVOXA_R_1(const Services &services, QWidget *parent = nullptr);
    ~frmVOXA_R_1() override;

    const Services &services() const { return m_services; }
    // The message boxes of the services (real boxes when none were given). When a box has
    // been answered, the window is active again at once, so that the focus moves that follow
    // run their handlers as they do when the user moves the focus.
    ui::MessageBoxes &messages();

    // Puts the latest progress step not yet shown into the caption.
    void flushProgress();

    ModuleGlobals Module_Globals;

    // Controls, by their form names (also their object names).
    QLabel *Label1 = nullptr; // heading of the prefix box
    QLabel *Label2 = nullptr; // status line
    QLabel *Label3 = nullptr; // heading of the target list
    QLabel *Label4 = nullptr; // heading of the new-name list
    QLabel *Label5 = nullptr; // arrow between the lists
    QLabel *Label6 = nullptr; // heading of the file type box
    QLabel *Label7 = nullptr; // heading of the start-number box
    QComboBox *Combo1 = nullptr; // file type pattern
    DriveList *Drive1 = nullptr;
    FolderList *Dir1 = nullptr;
    QLineEdit *Text1 = nullptr; // name prefix
    QLineEdit *Text2 = nullptr; // start number
    QListWidget *List1 = nullptr; // target list
    QListWidget *List2 = nullptr; // new-name list
    QPushButton *Command1 = nullptr; // starts the batch rename
    renaming::FolderListing File1;

    QMenu *mnuFile = nullptr;
    QMenu *mnuEdit = nullptr;
    QMenu *mnuHelp = nullptr;
    QAction *mnuFprint = nullptr;
    QAction *nmuEnd = nullptr;
    QAction *nmuUndo = nullptr;
    QAction *mnuDeletelog = nullptr;
    QAction *mnuVer = nullptr;
    QAction *mnuReadme = nullptr;
    QMenu *mnuNumber = nullptr;
    QAction *mnuOrderName = nullptr;
    QAction *mnuOrderNatural = nullptr;
    QAction *mnuOrderTaken = nullptr;
    QAction *mnuOrderModified = nullptr;
    QAction *mnuPairs = nullptr;

    // Start-up, size and menus (main window).
    void Form_Load();
    void Form_Resize();
    void mnuVer_Click();
    void nmuEnd_Click();
    void mnuReadme_Click(); // print_commands.cpp

    // Target selection.
    void LIST2_CLEAR();
    void Dir1_Change();
    void Drive1_Change();
    void Combo1_Click();
    void Combo1_KeyPress(int &KeyAscii);
    void Combo1_GotFocus();
    void Dir1_GotFocus();
    void Drive1_GotFocus();

    // New-name entry and preview.
    void Text1_Change();
    void Text1_GotFocus();
    void Text1_LostFocus();
    void Text1_KeyPress(int &KeyAscii);
    void Text2_Change();
    void Text2_KeyPress(int &KeyAscii);
    void Text2_LostFocus();

    // Commands defined in their own source files.
    void Command1_Click(); // command1_click.cpp: the batch rename
    void nmuUndo_Click(); // restore_commands.cpp: restore names
    void mnuDeletelog_Click(); // restore_commands.cpp: delete history
    void mnuFprint_Click(); // print_commands.cpp: print the target list
    void mnuNumber_Click(); // numbering_menu.cpp: an order or the pairs option chosen

    // The numbering order and pairs option the Number menu shows.
    renaming::NumberingChoice numberingChoice() const;
    // The running number of row i of the target list, less the start number: its group.
    int groupOf(int row) const;
    // How many running numbers the target list takes (its groups).
    int groupCount() const;

    // Moves the folder list to the folder `path` asks for (a file: the folder holding it) and
    // lists it, as if the user had chosen it there, also when the folder list already shows
    // it; a folder that cannot be shown is told in a box, and so is a path whose bytes are not
    // UTF-8 (folder_request.h). While busy(), the path is kept (the latest one only) and goes
    // to the folder when the run or box has ended. Returns whether the folder list shows that
    // folder now.
    bool goToFolder(const QByteArray &path);
    // Lists the folder again, its subfolders too, as F5 does: files added, removed or renamed
    // by other programs since the last listing show, and the preview is emptied.
    void relistFolder();
    // Brings the window to the front, out of its minimised state.
    void bringToFront();
    // Whether a rename or restore runs or a message box is open.
    bool busy() const;

    // Marks a rename or restore as running for as long as it lives.
    class Running
    {
    public:
        explicit Running(frmVOXA_R_1 *window)
            : m_window(window)
        {
            ++m_window->m_busy;
        }
        ~Running() { m_window->leaveBusy(); }
        Running(const Running &) = delete;
        Running &operator=(const Running &) = delete;

    private:
        frmVOXA_R_1 *m_window;
    };

protected:
    bool event(QEvent *event) override;
    void resizeEvent(QResizeEvent *event) override;
    void showEvent(QShowEvent *event) override;
    void changeEvent(QEvent *event) override;
    bool eventFilter(QObject *watched, QEvent *event) override;
    void dragEnterEvent(QDragEnterEvent *event) override;
    void dragMoveEvent(QDragMoveEvent *event) override;
    void dropEvent(QDropEvent *event) override;

private:
    void createControls();
    void createMenus();
    void connectEvents();
    bool filterFocus(QObject *watched, QEvent *event);
    bool filterKeyPress(QObject *watched, QEvent *event);
    bool isMenuShortcut(const QKeyEvent *event) const;
    void tellOfInterruptedRun();
    void tellOfNamesLeftOut();
    void createNumberMenu(); // numbering_menu.cpp
    // The folder listing in numbering order, reading dates where the order needs them with
    // their progress in the caption; Esc stops the reading and goes back to the name order.
    QStringList numberedListing(); // numbering_menu.cpp
    void showProgress(const QString &caption);
    // Ends one run or box; once nothing is busy any more, a kept folder is opened.
    void leaveBusy();
    void openKeptFolderLater();
    void openKeptFolder();

    Services m_services;
    ui::CentredWindow *m_centred; // a child of the window
    SideBySideLists *m_sideBySide = nullptr; // a child of the window
    QAction *m_relist = nullptr; // F5
    QByteArray m_keptFolder; // a folder that came while busy, opened when that has ended
    QString m_driveShownFor; // the folder whose drive Drive1 was last set to by a listing
    QElapsedTimer m_sinceProgress;
    int m_busy = 0; // runs in progress and message boxes open
    QString m_pendingCaption;
    QString m_leftOutToldFor; // the listing whose names left out were last told
    QList<int> m_groups; // per row of List1 its group, when files share numbers; else empty
    std::unique_ptr<ui::MessageBoxes> m_ownMessages;
    std::unique_ptr<ui::MessageBoxes> m_messages;
};
