#include "frm_readme.h"

#include "desktop_window.h"
#include "japanese_fonts.h"
#include "messages.h"
#include "readme_text.h"
#include "twips.h"

#include <QApplication>
#include <QCloseEvent>
#include <QLabel>
#include <QListWidget>
#include <QMouseEvent>
#include <QPushButton>

namespace {

// The client area, in twips: the form's outer size of 8800 × 7000 twips less the fixed dialog
// frame it was drawn for (3-pixel borders and a 19-pixel caption). The frame of the window
// manager comes on top of it, however wide that is.
constexpr int ClientWidthTwips = 8710;
constexpr int ClientHeightTwips = 6625;

// Each printed read-me line is indented by this many half-width blanks.
constexpr qsizetype PrintIndent = 15;

QFont makeFont(const QString &face, double pointSize, bool bold = false)
{
    QFont font(face);
    font.setPointSizeF(pointSize);
    font.setBold(bold);
    return font;
}

QLabel *makeSwatch(QWidget *parent, const QString &caption, QColor background, QColor text)
{
    auto *swatch = new QLabel(caption, parent);
    swatch->setAlignment(Qt::AlignCenter);
    swatch->setFont(makeFont(ui::GothicFace, 12, true));
    swatch->setAutoFillBackground(true);
    QPalette palette = swatch->palette();
    palette.setColor(QPalette::Window, background);
    palette.setColor(QPalette::WindowText, text);
    swatch->setPalette(palette);
    swatch->setFocusPolicy(Qt::NoFocus);
    return swatch;
}

} // namespace

frmReadme *frmReadme::open(QWidget *mainWindow, const QString &readmeFile,
                           printing::PrintDeviceFactory makeDevice, ui::MessageBoxes *messages)
{
    if (mainWindow)
        mainWindow->setCursor(Qt::WaitCursor);
    frmReadme *window = openWindowOf(mainWindow);
    if (!window) {
        window = new frmReadme(mainWindow, readmeFile, std::move(makeDevice), messages);
        window->show();
    }
    window->raise();
    window->activateWindow();
    return window;
}

frmReadme *frmReadme::openWindowOf(const QWidget *mainWindow)
{
    const QWidgetList windows = QApplication::topLevelWidgets();
    for (QWidget *widget : windows) {
        auto *window = qobject_cast<frmReadme *>(widget);
        if (window && !window->m_closed && window->m_mainWindow == mainWindow)
            return window;
    }
    return nullptr;
}

frmReadme::frmReadme(QWidget *mainWindow, const QString &readmeFile,
                     printing::PrintDeviceFactory makeDevice, ui::MessageBoxes *messages)
    // No parent: the read-me window stays open when the main window is closed.
    : QWidget(nullptr,
              Qt::Dialog | Qt::CustomizeWindowHint | Qt::WindowTitleHint | Qt::WindowCloseButtonHint
                  | Qt::MSWindowsFixedSizeDialogHint)
    , m_mainWindow(mainWindow)
    , m_readmeFile(readmeFile)
    , m_makeDevice(std::move(makeDevice))
    , m_messages(messages)
    , m_ownMessages(this)
    , m_centred(new ui::CentredWindow(this))
{
    setAttribute(Qt::WA_DeleteOnClose);
    setObjectName(QStringLiteral("frmReadme"));
    createControls();
    connectEvents();
    Form_Load();
}

void frmReadme::createControls()
{
    ui::installJapaneseFonts();
    setWindowTitle(msg::ReadmeCaption);
    setWindowIcon(ui::programIcon());
    setAutoFillBackground(true);
    QPalette palette = this->palette();
    palette.setColor(QPalette::Window, QColor(192, 192, 192));
    setPalette(palette);

    const ui::Twips twips(this);

    lstReadme = new QListWidget(this);
    lstReadme->setObjectName(QStringLiteral("lstReadme"));
    lstReadme->setGeometry(twips.rect(840, 120, 6975, 5325));
    lstReadme->setFont(makeFont(ui::MinchoFace, 9.75));
    lstReadme->setEditTriggers(QAbstractItemView::NoEditTriggers);

    lblC1 = makeSwatch(this, QStringLiteral("C1"), QColor(0, 0, 128), QColor(255, 255, 0));
    lblC2 = makeSwatch(this, QStringLiteral("C2"), QColor(255, 255, 255), QColor(0, 0, 0));
    lblC3 = makeSwatch(this, QStringLiteral("C3"), QColor(0, 0, 0), QColor(255, 255, 255));
    lblC4 = makeSwatch(this, QStringLiteral("C4"), QColor(255, 0, 0), QColor(255, 255, 255));
    lblC1->setObjectName(QStringLiteral("lblC1"));
    lblC2->setObjectName(QStringLiteral("lblC2"));
    lblC3->setObjectName(QStringLiteral("lblC3"));
    lblC4->setObjectName(QStringLiteral("lblC4"));
    lblC1->setGeometry(twips.rect(1920, 5760, 375, 255));
    lblC2->setGeometry(twips.rect(2520, 5760, 375, 255));
    lblC3->setGeometry(twips.rect(3120, 5760, 375, 255));
    lblC4->setGeometry(twips.rect(3720, 5760, 375, 255));

    Command2 = new QPushButton(msg::ReadmePrintButton, this);
    Command2->setObjectName(QStringLiteral("Command2"));
    Command2->setGeometry(twips.rect(4800, 5760, 1215, 375));

    Command1 = new QPushButton(msg::ReadmeCloseButton, this);
    Command1->setObjectName(QStringLiteral("Command1"));
    Command1->setGeometry(twips.rect(6360, 5760, 1335, 375));

    // Focus order: the close button (focused on opening), the list, the print button.
    setTabOrder(Command1, lstReadme);
    setTabOrder(lstReadme, Command2);
    Command1->setFocus();
}

void frmReadme::connectEvents()
{
    connect(Command1, &QPushButton::clicked, this, &frmReadme::Command1_Click);
    connect(Command2, &QPushButton::clicked, this, &frmReadme::Command2_Click);
    // Labels have no click signal; their mouse releases are taken in eventFilter().
    for (QLabel *swatch : { lblC1, lblC2, lblC3, lblC4 })
        swatch->installEventFilter(this);
}

// Fills the list once, when the window is made. A missing or unreadable read-me file leaves
// the list empty.
void frmReadme::Form_Load()
{
    const QStringList lines = readme::loadReadme(m_readmeFile).value_or(QStringList());
    lstReadme->addItems(lines);
}

// The window keeps its outer size whatever the window system or the user attempts, and a
// window in its normal state stays centred on the screen.
void frmReadme::Form_Resize()
{
    const QSize client = ui::Twips(this).size(ClientWidthTwips, ClientHeightTwips);
    if (minimumSize() != client || maximumSize() != client)
        setFixedSize(client);
    if (!(windowState() & (Qt::WindowMinimized | Qt::WindowMaximized | Qt::WindowFullScreen)))
        m_centred->centre();
}

void frmReadme::Command1_Click()
{
    close();
}

void frmReadme::Command2_Click()
{
    messages().inform(msg::PrinterWarning);
    const std::unique_ptr<printing::PrintDevice> device = m_makeDevice ? m_makeDevice() : nullptr;
    // The file is read again: the printout follows the file as it is now, not the list.
    const QString file = m_readmeFile;
    printing::runPrintJob(device.get(), this, messages(), [&file](printing::PrintDevice &d) {
        const std::optional<QStringList> lines = readme::loadReadme(file);
        if (!lines)
            return false;
        const QString indent(PrintIndent, u' ');
        for (const QString &line : *lines) {
            if (!d.printLine(indent + line))
                return false;
        }
        return true;
    });
}

void frmReadme::lblC1_Click()
{
    setListColours(lblC1);
}
void frmReadme::lblC2_Click()
{
    setListColours(lblC2);
}
void frmReadme::lblC3_Click()
{
    setListColours(lblC3);
}
void frmReadme::lblC4_Click()
{
    setListColours(lblC4);
}

// The list takes the swatch's background colour, then its text colour.
void frmReadme::setListColours(const QLabel *swatch)
{
    QPalette palette = lstReadme->palette();
    palette.setColor(QPalette::Base, swatch->palette().color(QPalette::Window));
    palette.setColor(QPalette::Text, swatch->palette().color(QPalette::WindowText));
    lstReadme->setPalette(palette);
}

// The boxes given by the main window may belong to it; once it is gone the window shows
// its own.
ui::MessageBoxes &frmReadme::messages()
{
    return m_messages && m_mainWindow ? *m_messages : m_ownMessages;
}

// However the window is closed (its close button or the title bar), the main window's busy
// pointer, set when the read-me window was opened, goes back to normal.
void frmReadme::closeEvent(QCloseEvent *event)
{
    m_closed = true;
    if (m_mainWindow)
        m_mainWindow->unsetCursor();
    event->accept();
}

void frmReadme::resizeEvent(QResizeEvent *event)
{
    QWidget::resizeEvent(event);
    Form_Resize();
}

void frmReadme::showEvent(QShowEvent *event)
{
    QWidget::showEvent(event);
    Form_Resize();
}

bool frmReadme::eventFilter(QObject *watched, QEvent *event)
{
    if (event->type() == QEvent::MouseButtonRelease) {
        const auto *mouse = static_cast<QMouseEvent *>(event);
        const auto *swatch = qobject_cast<QLabel *>(watched);
        if (swatch && mouse->button() == Qt::LeftButton
            && swatch->rect().contains(mouse->position().toPoint())) {
            if (swatch == lblC1)
                lblC1_Click();
            else if (swatch == lblC2)
                lblC2_Click();
            else if (swatch == lblC3)
                lblC3_Click();
            else if (swatch == lblC4)
                lblC4_Click();
            return true;
        }
    }
    return QWidget::eventFilter(watched, event);
}
