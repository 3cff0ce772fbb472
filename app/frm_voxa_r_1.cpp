#include "frm_voxa_r_1.h"

#include "desktop_window.h"
#include "folder_request.h"
#include "history.h"
#include "japanese_fonts.h"
#include "messages.h"
#include "naming.h"
#include "recovery.h"
#include "side_by_side_lists.h"
#include "twips.h"

#include <QAction>
#include <QApplication>
#include <QComboBox>
#include <QDir>
#include <QDropEvent>
#include <QFile>
#include <QFocusEvent>
#include <QKeyEvent>
#include <QLabel>
#include <QLineEdit>
#include <QListWidget>
#include <QMenu>
#include <QMenuBar>
#include <QMimeData>
#include <QPushButton>
#include <QTimer>

#include <algorithm>
#include <functional>
#include <utility>

namespace {

constexpr int EnterKey = 13;

// The client area below the menu bar, in twips. The form's outer size (8800 × 7000 twips)
// held this area only inside the frame it was drawn for; under another window manager's
// frame it would cut the area short or leave a band below it, so the window is sized by its
// client area and the frame comes on top, as wide as the window manager draws it.
constexpr int ClientWidth = 8685;
constexpr int ClientHeight = 6315;

const QColor WindowBackground(192, 192, 192);

// The first `count` characters of `text`; a character outside the Basic Multilingual Plane
// is never cut in half.
QString firstCharacters(const QString &text, int count)
{
    qsizetype end = 0;
    for (int n = 0; n < count && end < text.size(); ++n)
        end += (text.at(end).isHighSurrogate() && end + 1 < text.size()
                && text.at(end + 1).isLowSurrogate())
            ? 2
            : 1;
    return text.left(end);
}

QFont japaneseFont(const QString &family, double pointSize, bool bold)
{
    QFont font(family);
    font.setPointSizeF(pointSize);
    font.setBold(bold);
    return font;
}

// Hands every box on and, once it is answered, makes the window active again before the
// handler goes on. The window system gives the activation back to the window only later, and
// until then a focus move from code would change the focus without any focus event, so the
// handlers the move should run (Text1_LostFocus after a Retry, for one) would not run.
// Before a box opens, the caption catches up with the latest progress step, so that while the
// user reads the box it names the rename just done. Counts the boxes open in `open`, and calls
// `closed` when a box has been answered.
class ReactivatingMessageBoxes : public ui::MessageBoxes
{
public:
    ReactivatingMessageBoxes(ui::MessageBoxes &boxes, frmVOXA_R_1 *window, int &open,
                             std::function<void()> closed)
        : m_boxes(boxes)
        , m_window(window)
        , m_open(open)
        , m_closed(std::move(closed))
    { }
    bool confirm(const QString &text, ui::Icon icon) override
    {
        ++m_open;
        m_window->flushProgress();
        return reactivateAfter(m_boxes.confirm(text, icon));
    }
    bool retry(const QString &text) override
    {
        ++m_open;
        m_window->flushProgress();
        return reactivateAfter(m_boxes.retry(text));
    }
    void inform(const QString &text) override
    {
        ++m_open;
        m_window->flushProgress();
        m_boxes.inform(text);
        reactivateAfter(true);
    }

private:
    bool reactivateAfter(bool answer)
    {
        --m_open;
        if (m_window->isVisible() && !m_window->isActiveWindow()
            && !QApplication::activeModalWidget() && !QApplication::activePopupWidget()) {
            m_window->activateWindow();
            QApplication::setActiveWindow(m_window);
        }
        m_closed();
        return answer;
    }

    ui::MessageBoxes &m_boxes;
    frmVOXA_R_1 *m_window;
    int &m_open;
    std::function<void()> m_closed;
};

// The local path a drag brings, when it may be dropped: the first local file or folder among
// its URLs, offered for copying or linking. The bytes of the path, as the URL carries them
// percent-encoded: a name that is not UTF-8 keeps its bytes, and folderRequestOf() refuses it
// rather than open the folder its decoded text would name.
QByteArray droppedPath(const QDropEvent *event)
{
    if (!(event->possibleActions() & (Qt::CopyAction | Qt::LinkAction)))
        return {};
    const QList<QUrl> urls = event->mimeData()->urls();
    for (const QUrl &url : urls) {
        if (url.isLocalFile())
            return QByteArray::fromPercentEncoding(url.path(QUrl::FullyEncoded).toLatin1());
    }
    return {};
}

// Takes a drop as a link, or as a copy when the source offers no link; never as a move, which
// the source would answer by deleting what was dragged.
void acceptDrop(QDropEvent *event)
{
    event->setDropAction((event->possibleActions() & Qt::LinkAction) ? Qt::LinkAction
                                                                     : Qt::CopyAction);
    event->accept();
}

// Shrinks a label's font until each of its texts fits the label, so that no heading or status
// text is cut off where the substitute font runs wider or taller than the form's own faces.
void fitFont(QLabel *label, const QStringList &texts)
{
    QFont font = label->font();
    const auto fits = [&] {
        const QFontMetricsF metrics(font);
        return std::all_of(texts.begin(), texts.end(), [&](const QString &text) {
            return metrics.horizontalAdvance(text) <= label->width() - 2
                && metrics.tightBoundingRect(text).height() <= label->height();
        });
    };
    while (font.pointSizeF() > 5 && !fits())
        font.setPointSizeF(font.pointSizeF() - 0.25);
    label->setFont(font);
}

} // namespace

QStringList listEntries(const QListWidget *list)
{
    QStringList entries;
    entries.reserve(list->count());
    for (int i = 0; i < list->count(); ++i)
        entries << list->item(i)->text();
    return entries;
}

frmVOXA_R_1::frmVOXA_R_1(const Services &services, QWidget *parent)
    : QMainWindow(parent)
    , m_services(services)
    , m_centred(new ui::CentredWindow(this))
{
    if (!m_services.messages)
        m_ownMessages = std::make_unique<ui::QtMessageBoxes>(this);
    m_messages = std::make_unique<ReactivatingMessageBoxes>(
        m_services.messages ? *m_services.messages : *m_ownMessages, this, m_busy,
        [this] { openKeptFolderLater(); });
    ui::installJapaneseFonts();
    setWindowIcon(ui::programIcon());
    createControls();
    createMenus();
    connectEvents();
    // A folder or file dropped anywhere on the window opens its folder; the text boxes would
    // take it as text instead.
    setAcceptDrops(true);
    for (QWidget *box : { static_cast<QWidget *>(Text1), static_cast<QWidget *>(Text2),
                          static_cast<QWidget *>(Combo1->lineEdit()) })
        box->setAcceptDrops(false);
    Form_Load();
}

frmVOXA_R_1::~frmVOXA_R_1()
{
    // Focus moves while the controls are torn down are no user's doing.
    for (QWidget *w :
         std::initializer_list<QWidget *> { Combo1, Drive1, Dir1, Text1, Text2, Command1 })
        w->removeEventFilter(this);
}

ui::MessageBoxes &frmVOXA_R_1::messages()
{
    return *m_messages;
}

void frmVOXA_R_1::createControls()
{
    auto *client = new QWidget(this);
    client->setObjectName(QStringLiteral("client"));
    QPalette background = client->palette();
    background.setColor(QPalette::Window, WindowBackground);
    client->setPalette(background);
    client->setAutoFillBackground(true);
    setCentralWidget(client);

    const ui::Twips twips(this);
    client->setFixedSize(twips.size(ClientWidth, ClientHeight));

    auto label = [&](QLabel *&member, const char *name, const QString &text, QColor colour,
                     Qt::Alignment alignment, int left, int top, int width, int height) {
        member = new QLabel(text, client);
        member->setObjectName(QLatin1String(name));
        member->setAlignment(alignment | Qt::AlignVCenter);
        member->setAutoFillBackground(true);
        QPalette p = member->palette();
        p.setColor(QPalette::Window, colour);
        member->setPalette(p);
        member->setGeometry(twips.rect(left, top, width, height));
    };
    auto place = [&](QWidget *w, const char *name, int left, int top, int width, int height) {
        w->setObjectName(QLatin1String(name));
        w->setGeometry(twips.rect(left, top, width, height));
    };

    label(Label2, "Label2", QString(), QColor(128, 255, 128), Qt::AlignHCenter, 1740, 120, 5295,
          240);
    Label2->setFont(japaneseFont(ui::GothicFace, 12, false));
    label(Label6, "Label6", QStringLiteral("改名ファイルタイプ"), QColor(192, 255, 192),
          Qt::AlignHCenter, 480, 600, 2175, 255);

    Combo1 = new QComboBox(client);
    Combo1->setEditable(true);
    // The text is used exactly as typed: no completion, and Enter adds no item.
    Combo1->setCompleter(nullptr);
    Combo1->setInsertPolicy(QComboBox::NoInsert);
    place(Combo1, "Combo1", 480, 840, 2175, 300);

    Drive1 = new DriveList(client);
    place(Drive1, "Drive1", 480, 1320, 2175, 300);
    Dir1 = new FolderList(client);
    place(Dir1, "Dir1", 480, 1680, 2175, 3390);

    label(Label1, "Label1", QStringLiteral("改名後のファイル名の頭"), QColor(192, 255, 255),
          Qt::AlignLeft, 2880, 840, 1875, 180);
    Text1 = new QLineEdit(client);
    place(Text1, "Text1", 4920, 720, 1575, 375);
    label(Label7, "Label7", QStringLiteral("Start No:"), QColor(192, 255, 255), Qt::AlignRight,
          6720, 840, 975, 255);
    Text2 = new QLineEdit(client);
    place(Text2, "Text2", 7800, 720, 855, 390);

    label(Label3, "Label3", QStringLiteral("作業対象ファイル名"), QColor(255, 192, 255),
          Qt::AlignHCenter, 3000, 1320, 2175, 255);
    List1 = new QListWidget(client);
    place(List1, "List1", 2880, 1680, 2415, 3480);
    label(Label5, "Label5", QStringLiteral("->"), QColor(224, 224, 224), Qt::AlignLeft, 5400, 2400,
          375, 255);
    Label5->setFont(japaneseFont(ui::PGothicFace, 14.25, true));
    {
        QPalette p = Label5->palette();
        p.setColor(QPalette::WindowText, QColor(64, 64, 64));
        Label5->setPalette(p);
    }
    label(Label4, "Label4", QStringLiteral("改名後ファイル名"), QColor(192, 255, 255),
          Qt::AlignHCenter, 6000, 1320, 2175, 255);
    List2 = new QListWidget(client);
    place(List2, "List2", 5880, 1680, 2415, 3480);
    m_sideBySide = new SideBySideLists(List1, List2, this);

    Command1 = new QPushButton(msg::RenameButton, client);
    place(Command1, "Command1", 4440, 5400, 1455, 375);
    Command1->setFont(japaneseFont(ui::PGothicFace, 9, true));

    for (QLabel *heading : { Label1, Label3, Label4, Label5, Label6, Label7 })
        fitFont(heading, { heading->text() });
    fitFont(Label2,
            { msg::StatusAtStart, msg::StatusIdle, msg::StatusRenaming, msg::StatusRestoring });

    // Screen readers announce each box and list by the heading that stands above it.
    const std::pair<QWidget *, QLabel *> headed[] = { { Combo1, Label6 },
                                                      { Text1, Label1 },
                                                      { Text2, Label7 },
                                                      { List1, Label3 },
                                                      { List2, Label4 } };
    for (const auto &[control, heading] : headed) {
        control->setAccessibleName(heading->text());
        heading->setBuddy(control);
    }
    Command1->setAccessibleName(Command1->text());
    Drive1->setAccessibleName(msg::DriveListName);
    Dir1->setAccessibleName(msg::FolderListName);

    // The focus order of the form: Combo1, Drive1, Dir1, Text1, Command1, List1, List2, Text2.
    QWidget *order[] = { Combo1, Drive1, Dir1, Text1, Command1, List1, List2, Text2 };
    for (std::size_t i = 0; i + 1 < std::size(order); ++i)
        setTabOrder(order[i], order[i + 1]);
}

void frmVOXA_R_1::createMenus()
{
    auto action = [&](QMenu *menu, QAction *&member, const char *name, const QString &caption,
                      Qt::Key key) {
        member = menu->addAction(caption);
        member->setObjectName(QLatin1String(name));
        member->setShortcut(QKeySequence(Qt::CTRL | key));
    };
    mnuFile = menuBar()->addMenu(QStringLiteral("ファイル(&F)"));
    mnuFile->setObjectName(QStringLiteral("mnuFile"));
    action(mnuFile, mnuFprint, "mnuFprint", QStringLiteral("作業対象ファイル印刷(&P)"), Qt::Key_P);
    action(mnuFile, nmuEnd, "nmuEnd", QStringLiteral("終了(&X)"), Qt::Key_X);
    mnuEdit = menuBar()->addMenu(QStringLiteral("編集(&E)"));
    mnuEdit->setObjectName(QStringLiteral("mnuEdit"));
    action(mnuEdit, nmuUndo, "nmuUndo", QStringLiteral("ファイル名の復元(&U)"), Qt::Key_U);
    action(mnuEdit, mnuDeletelog, "mnuDeletelog", QStringLiteral("改名履歴の削除(&D)"), Qt::Key_D);
    mnuNumber = menuBar()->addMenu(msg::NumberMenu);
    mnuNumber->setObjectName(QStringLiteral("mnuNumber"));
    mnuHelp = menuBar()->addMenu(QStringLiteral("ヘルプ(&H)"));
    mnuHelp->setObjectName(QStringLiteral("mnuHelp"));
    action(mnuHelp, mnuVer, "mnuVer", QStringLiteral("バージョン情報(&V)"), Qt::Key_V);
    action(mnuHelp, mnuReadme, "mnuReadme", QStringLiteral("お読み下さい(&H)"), Qt::Key_H);
    createNumberMenu();

    // F5 lists the folder again, as in file managers; it is a key of the window, not a menu item.
    m_relist = new QAction(this);
    m_relist->setObjectName(QStringLiteral("relistFolder"));
    m_relist->setShortcut(QKeySequence(Qt::Key_F5));
    m_relist->setShortcutContext(Qt::WindowShortcut);
    addAction(m_relist);
}

// The form's event map.
void frmVOXA_R_1::connectEvents()
{
    connect(Combo1, &QComboBox::activated, this, [this] { Combo1_Click(); });
    // An editable combo box would pick the item matching the typed text when the user
    // leaves it; the pattern changes only by Enter or by choosing an item.
    QObject::disconnect(Combo1->lineEdit(), &QLineEdit::editingFinished, nullptr, nullptr);
    QObject::disconnect(Combo1->lineEdit(), &QLineEdit::returnPressed, nullptr, nullptr);
    connect(Drive1, &QComboBox::activated, this, [this] { Drive1_Change(); });
    connect(Dir1, &FolderList::pathChanged, this, [this] { Dir1_Change(); });
    // textChanged, not textEdited: a text set from code runs the handler too.
    connect(Text1, &QLineEdit::textChanged, this, [this] { Text1_Change(); });
    connect(Text2, &QLineEdit::textChanged, this, [this] { Text2_Change(); });
    connect(Command1, &QPushButton::clicked, this, [this] { Command1_Click(); });

    connect(mnuFprint, &QAction::triggered, this, [this] { mnuFprint_Click(); });
    connect(nmuEnd, &QAction::triggered, this, [this] { nmuEnd_Click(); });
    connect(nmuUndo, &QAction::triggered, this, [this] { nmuUndo_Click(); });
    connect(mnuDeletelog, &QAction::triggered, this, [this] { mnuDeletelog_Click(); });
    connect(mnuVer, &QAction::triggered, this, [this] { mnuVer_Click(); });
    connect(mnuReadme, &QAction::triggered, this, [this] { mnuReadme_Click(); });
    for (QAction *a : { mnuOrderName, mnuOrderNatural, mnuOrderTaken, mnuOrderModified, mnuPairs })
        connect(a, &QAction::triggered, this, [this] { mnuNumber_Click(); });
    connect(m_relist, &QAction::triggered, this, [this] { relistFolder(); });

    // Focus and key events of the controls with GotFocus, LostFocus or KeyPress handlers.
    for (QWidget *w :
         std::initializer_list<QWidget *> { Combo1, Drive1, Dir1, Text1, Text2, Command1 })
        w->installEventFilter(this);
}

// ---------------------------------------------------------------------------------------------
// Events

void frmVOXA_R_1::resizeEvent(QResizeEvent *event)
{
    QMainWindow::resizeEvent(event);
    Form_Resize();
}

void frmVOXA_R_1::showEvent(QShowEvent *event)
{
    QMainWindow::showEvent(event);
    Form_Resize();
}

bool frmVOXA_R_1::eventFilter(QObject *watched, QEvent *event)
{
    switch (event->type()) {
    case QEvent::FocusIn:
    case QEvent::FocusOut:
        return filterFocus(watched, event);
    case QEvent::KeyPress:
        return filterKeyPress(watched, event);
    case QEvent::ShortcutOverride:
        // A line edit claims Ctrl+X, Ctrl+V and others for itself; the menu's shortcuts win.
        // Leaving the event unaccepted lets the shortcut run.
        if (isMenuShortcut(static_cast<QKeyEvent *>(event))) {
            event->ignore();
            return true;
        }
        return false;
    default:
        return QMainWindow::eventFilter(watched, event);
    }
}

bool frmVOXA_R_1::isMenuShortcut(const QKeyEvent *event) const
{
    const QKeySequence pressed(event->keyCombination());
    for (const QAction *a : { mnuFprint, nmuEnd, nmuUndo, mnuDeletelog, mnuVer, mnuReadme }) {
        if (a->isEnabled() && a->shortcut() == pressed)
            return true;
    }
    return false;
}

bool frmVOXA_R_1::filterFocus(QObject *watched, QEvent *event)
{
    const auto *focus = static_cast<QFocusEvent *>(event);
    // Another window taking or giving back the activation (a message box, a popup list) is
    // no move of the focus inside this window.
    if (focus->reason() == Qt::ActiveWindowFocusReason || focus->reason() == Qt::PopupFocusReason)
        return false;
    // The control takes the event first, so that the handler sees it focused or unfocused.
    static_cast<QObject *>(watched)->event(event);
    const bool in = event->type() == QEvent::FocusIn;
    if (watched == Combo1 && in)
        Combo1_GotFocus();
    else if (watched == Drive1 && in)
        Drive1_GotFocus();
    else if (watched == Dir1 && in)
        Dir1_GotFocus();
    else if (watched == Text1)
        in ? Text1_GotFocus() : Text1_LostFocus();
    else if (watched == Text2 && !in)
        Text2_LostFocus();
    return true;
}

bool frmVOXA_R_1::filterKeyPress(QObject *watched, QEvent *event)
{
    const auto *key = static_cast<QKeyEvent *>(event);
    const bool enter = key->key() == Qt::Key_Return || key->key() == Qt::Key_Enter;
    if (watched == Command1) {
        // Enter presses the button, as Space does.
        if (enter && key->modifiers() == Qt::NoModifier) {
            Command1->click();
            return true;
        }
        return false;
    }
    if (watched != Combo1 && watched != Text1 && watched != Text2)
        return false;
    // Key-press handlers see the character a key types; Enter is character 13.
    if (!enter && key->text().isEmpty())
        return false;
    int KeyAscii = enter ? EnterKey : key->text().at(0).unicode();
    if (watched == Combo1) {
        Combo1_KeyPress(KeyAscii);
        // Enter has done its work; the combo box must not act on it again.
        return enter || KeyAscii == 0;
    }
    if (watched == Text1)
        Text1_KeyPress(KeyAscii);
    else
        Text2_KeyPress(KeyAscii);
    return KeyAscii == 0;
}

// ---------------------------------------------------------------------------------------------
// Start-up, size and menus

void frmVOXA_R_1::Form_Load()
{
    setWindowTitle(msg::AppTitle);
    Module_Globals.MaxFiles = renaming::MaxTargetFiles;
    Combo1->addItems({ QStringLiteral("*.jpg"), QStringLiteral("*.gif"), QStringLiteral("*.txt"),
                       QStringLiteral("*.doc") });
    Combo1->setCurrentIndex(0);
    Combo1->setEditText(QStringLiteral("*.jpg"));
    Label2->setText(msg::StatusAtStart);

    // Drive1, Dir1 and the folder listing start on the process's current folder, or on the
    // folder the program was given. Setting the folder lists nothing: the target list stays
    // empty until the user chooses. A folder given from outside is a choice, though: it is
    // listed, with the file type now in Combo1, as soon as the window is up (a message the
    // listing may show then has a window to stand on).
    const QString current
        = m_services.startFolder.isEmpty() ? QDir::currentPath() : m_services.startFolder;
    {
        const QSignalBlocker blocker(Dir1);
        Dir1->setPath(current);
    }
    Drive1->showFolder(Dir1->path());
    File1.setPath(Dir1->path());
    if (m_services.listStartFolder && !m_services.startFolder.isEmpty()) {
        m_keptFolder = QFile::encodeName(m_services.startFolder);
        openKeptFolderLater();
    }

    // Emptying the boxes runs their change handlers, which empty the new-name list and set
    // StartNo to 0. QLineEdit reports no change for a text that stays empty, so the handlers
    // are run here when that is so.
    const bool text1Empty = Text1->text().isEmpty();
    Text1->setText(QString());
    if (text1Empty)
        Text1_Change();
    const bool text2Empty = Text2->text().isEmpty();
    Text2->setText(QString());
    if (text2Empty)
        Text2_Change();
}

void frmVOXA_R_1::Form_Resize()
{
    if (windowState() & (Qt::WindowMinimized | Qt::WindowMaximized | Qt::WindowFullScreen))
        return;
    const QSize client = ui::Twips(this).size(ClientWidth, ClientHeight);
    const QSize whole = client + QSize(0, menuBar()->heightForWidth(client.width()));
    if (minimumSize() != whole || maximumSize() != whole)
        setFixedSize(whole);
    m_centred->centre();
}

void frmVOXA_R_1::mnuVer_Click()
{
    messages().inform(msg::VersionLine);
}

void frmVOXA_R_1::nmuEnd_Click()
{
    QApplication::closeAllWindows();
    QCoreApplication::quit();
}

// ---------------------------------------------------------------------------------------------
// Folders from outside the window

bool frmVOXA_R_1::busy() const
{
    return m_busy > 0 || QApplication::activeModalWidget();
}

bool frmVOXA_R_1::goToFolder(const QByteArray &path)
{
    if (busy()) {
        m_keptFolder = path;
        return false;
    }
    const FolderRequest request = folderRequestOf(path);
    const QString before = Dir1->path();
    if (request.folder.isEmpty() || !Dir1->setPath(request.folder)) {
        messages().inform(request.folder.isEmpty() ? request.problem
                                                   : msg::FolderNotReadable + request.folder);
        return false;
    }
    // Moving to another folder has listed it; the folder already shown is listed here.
    if (Dir1->path() == before)
        Dir1_Change();
    return true;
}

void frmVOXA_R_1::relistFolder()
{
    Dir1->reload();
    Dir1_Change();
}

void frmVOXA_R_1::leaveBusy()
{
    --m_busy;
    openKeptFolderLater();
}

// Queued: the handler that ran the box or the run goes on to its end first.
void frmVOXA_R_1::openKeptFolderLater()
{
    if (!m_keptFolder.isEmpty())
        QTimer::singleShot(0, this, [this] { openKeptFolder(); });
}

void frmVOXA_R_1::openKeptFolder()
{
    if (m_keptFolder.isEmpty() || busy())
        return;
    goToFolder(std::exchange(m_keptFolder, QByteArray()));
}

// A modal window of another part of the program (the print dialog, a box of the read-me
// window) has closed.
bool frmVOXA_R_1::event(QEvent *event)
{
    if (event->type() == QEvent::WindowUnblocked)
        openKeptFolderLater();
    return QMainWindow::event(event);
}

void frmVOXA_R_1::bringToFront()
{
    setWindowState(windowState() & ~Qt::WindowMinimized);
    show();
    raise();
    activateWindow();
}

void frmVOXA_R_1::dragEnterEvent(QDragEnterEvent *event)
{
    dragMoveEvent(event);
}

void frmVOXA_R_1::dragMoveEvent(QDragMoveEvent *event)
{
    if (!droppedPath(event).isEmpty())
        acceptDrop(event);
    else
        event->ignore();
}

// A folder dropped while busy() is kept, as one handed over.
void frmVOXA_R_1::dropEvent(QDropEvent *event)
{
    const QByteArray path = droppedPath(event);
    if (path.isEmpty()) {
        event->ignore();
        return;
    }
    acceptDrop(event);
    // The drop ends first: a message box the listing may show must not hold up the source.
    QTimer::singleShot(0, this, [this, path] { goToFolder(path); });
}

// ---------------------------------------------------------------------------------------------
// Target selection

void frmVOXA_R_1::LIST2_CLEAR()
{
    List2->clear();
}

void frmVOXA_R_1::Dir1_Change()
{
    // Finding a folder's drive reads the system's mount table: only when the folder changed,
    // not at every listing of the same folder.
    if (Dir1->path() != std::exchange(m_driveShownFor, Dir1->path()))
        Drive1->showFolder(Dir1->path());
    if (renaming::isEveryFilePattern(Combo1->currentText())) {
        File1.setPath(Dir1->path());
        if (!messages().retry(msg::ChooseExtension))
            return;
        Combo1->setFocus();
    } else {
        // One listing: setting the path and then the pattern would read the folder twice.
        File1.setPathAndPattern(Dir1->path(), Combo1->currentText());
        if (File1.count() > Module_Globals.MaxFiles) {
            messages().inform(msg::tooManyFiles(Module_Globals.MaxFiles));
            return;
        }
        const QStringList names = numberedListing();
        // In one go: 9,999 names added one by one with repaints would take seconds.
        List1->setUpdatesEnabled(false);
        List1->clear();
        LIST2_CLEAR();
        List1->addItems(names);
        List1->setUpdatesEnabled(true);
        m_sideBySide->showFromTop();
        // A run cut off leaves its history, and mostly temporary names (which end in ".zyx"):
        // without either in the listing the history need not be read (a second listing).
        if (File1.sawTemporaryName() || File1.sawHistoryName())
            tellOfInterruptedRun();
        tellOfNamesLeftOut();
    }
    if (List1->count() > 1)
        Text1->setFocus();
}

// Temporary names of the newest recorded rename left in the folder mean that a rename or a
// restore was cut off (a power cut, a killed process); the restore can bring the files back.
void frmVOXA_R_1::tellOfInterruptedRun()
{
    const std::unique_ptr<renaming::Folder> folder = services().openFolder(Dir1->path(), nullptr);
    if (folder && renaming::interruptedRunPending(*folder, Combo1->currentText()))
        messages().inform(msg::InterruptedHint);
}

// Files whose names are not UTF-8 cannot be renamed and given their names back, so the
// listing leaves them out; the user is told how many, once for each folder and file type.
void frmVOXA_R_1::tellOfNamesLeftOut()
{
    const QString listing = File1.path() + u'\n' + File1.pattern();
    if (File1.notUtf8() == 0 || listing == m_leftOutToldFor)
        return;
    m_leftOutToldFor = listing;
    messages().inform(msg::notUtf8LeftOut(File1.notUtf8()));
}

// Shows the rename just done in the caption while a rename or restore runs. Each change of
// the caption is work for the window system (a new title property, which the window manager
// draws again in the title bar), and a batch makes two steps per file: done at every step,
// that work takes longer than the renames themselves. So a step reaches the screen at most
// once per ProgressIntervalMs, measured on a monotonic clock: the step that comes once the
// interval is over is shown, the ones in between are only kept as the latest, and
// flushProgress() shows the latest before every message box. The passes never yield to the
// event loop, so no other handler can run in between; repainting the status line with each
// shown step is what lets the warning and the caption reach the screen.
void frmVOXA_R_1::showProgress(const QString &caption)
{
    constexpr qint64 ProgressIntervalMs = 50;
    m_pendingCaption = caption;
    if (!m_sinceProgress.isValid() || m_sinceProgress.elapsed() >= ProgressIntervalMs)
        flushProgress();
}

void frmVOXA_R_1::flushProgress()
{
    if (m_pendingCaption.isNull())
        return;
    setWindowTitle(std::exchange(m_pendingCaption, QString()));
    Label2->repaint();
    m_sinceProgress.start();
}

// A caption set by a handler ("Kelvaro" after a run) replaces any progress step not yet
// shown, and the first step of the next run is shown at once.
void frmVOXA_R_1::changeEvent(QEvent *event)
{
    QMainWindow::changeEvent(event);
    if (event->type() == QEvent::WindowTitleChange) {
        m_pendingCaption = QString();
        m_sinceProgress.invalidate();
    }
}

void frmVOXA_R_1::Drive1_Change()
{
    const QString previous = Dir1->path();
    const QString root = Drive1->drive();
    // The drive's current folder, or its root when that folder has gone. A drive that cannot
    // be read is passed over: the folder list stays and the drive list shows its drive again.
    if (!Dir1->setPath(Drive1->currentFolder()) && !Dir1->setPath(root))
        Drive1->showFolder(previous);
}

void frmVOXA_R_1::Combo1_Click()
{
    Dir1_Change();
}

void frmVOXA_R_1::Combo1_KeyPress(int &KeyAscii)
{
    if (KeyAscii == EnterKey)
        Dir1_Change();
}

void frmVOXA_R_1::Combo1_GotFocus()
{
    LIST2_CLEAR();
}

void frmVOXA_R_1::Dir1_GotFocus()
{
    LIST2_CLEAR();
}

void frmVOXA_R_1::Drive1_GotFocus()
{
    LIST2_CLEAR();
}

// ---------------------------------------------------------------------------------------------
// New-name entry and preview

void frmVOXA_R_1::Text1_Change()
{
    LIST2_CLEAR();
    if (renaming::prefixWidth(Text1->text()) <= renaming::MaxPrefixWidth)
        return;
    if (!messages().retry(msg::PrefixTooWide))
        return;
    Text1->setText(firstCharacters(Text1->text(), 4));
    LIST2_CLEAR();
    Text1->setFocus();
}

void frmVOXA_R_1::Text1_GotFocus()
{
    if (File1.count() != 0)
        return;
    if (!messages().retry(msg::NoFiles))
        return;
    Combo1->setFocus();
    messages().inform(msg::ChooseTypeAndFolder);
}

void frmVOXA_R_1::Text1_LostFocus()
{
    Text2->setFocus();
}

void frmVOXA_R_1::Text1_KeyPress(int &KeyAscii)
{
    if (KeyAscii != EnterKey)
        return;
    KeyAscii = 0;
    Text2->setFocus();
}

void frmVOXA_R_1::Text2_Change()
{
    LIST2_CLEAR();
    const double v = renaming::basicVal(Text2->text());
    const int c = groupCount();
    if (!renaming::startNumberFits(v, c, Module_Globals.MaxFiles)) {
        if (messages().retry(msg::NumberNotAllowed)) {
            Text2->setText(QString());
            LIST2_CLEAR();
            Text2->setFocus();
        }
    }
    Module_Globals.StartNo = renaming::toStartNo(renaming::basicVal(Text2->text()));
}

void frmVOXA_R_1::Text2_KeyPress(int &KeyAscii)
{
    if (KeyAscii != EnterKey)
        return;
    KeyAscii = 0;
    Command1->setFocus();
}

void frmVOXA_R_1::Text2_LostFocus()
{
    LIST2_CLEAR();
    if (List1->count() == 0)
        return;
    const QString prefix = Text1->text();
    const int startNo = Module_Globals.StartNo;
    // Entry i of the target list for every file of the folder listing; after a refused
    // listing the two may differ in length, and the preview never reads past either.
    const int files = std::min(File1.count(), List1->count());
    QStringList names;
    names.reserve(files);
    for (int i = 0; i < files; ++i) {
        if (const auto name
            = renaming::newName(prefix, startNo, groupOf(i), List1->item(i)->text()))
            names.append(*name);
    }
    List2->setUpdatesEnabled(false);
    List2->addItems(names);
    List2->setUpdatesEnabled(true);
}
