// The read-me window: shows the read-me text beside the main window, lets the user switch
// the list between four colour schemes with the swatches C1 to C4, prints the text and
// closes. It is modeless and there is at most one per main window; while it is open the
// main window shows the busy pointer, which closing the read-me window (by its button or by
// its title bar) sets back to normal. Its client area has a fixed size in twips, and the
// window stays centred on the screen. It is discarded when closed, so every opening reads the
// file afresh and starts in the standard list colours.
#pragma once

#include "message_boxes.h"
#include "print_job.h"

#include <QPointer>
#include <QString>
#include <QWidget>

namespace ui {
class CentredWindow;
}

class QLabel;
class QListWidget;
class QPushButton;

class frmReadme : public QWidget
{
    Q_OBJECT

public:
    // Sets the busy pointer on `mainWindow` and shows its read-me window, read from
    // `readmeFile`; when that window is already open, only brings it to the front.
    // `messages` may be null: the window then shows real message boxes, as it does once the
    // main window is gone.
    static frmReadme *open(QWidget *mainWindow, const QString &readmeFile,
                           printing::PrintDeviceFactory makeDevice, ui::MessageBoxes *messages);

    // The open read-me window of `mainWindow`, or null.
    static frmReadme *openWindowOf(const QWidget *mainWindow);

    frmReadme(QWidget *mainWindow, const QString &readmeFile,
              printing::PrintDeviceFactory makeDevice, ui::MessageBoxes *messages);

    QListWidget *lstReadme;
    QLabel *lblC1;
    QLabel *lblC2;
    QLabel *lblC3;
    QLabel *lblC4;
    QPushButton *Command2;
    QPushButton *Command1;

protected:
    void closeEvent(QCloseEvent *event) override;
    void resizeEvent(QResizeEvent *event) override;
    void showEvent(QShowEvent *event) override;
    bool eventFilter(QObject *watched, QEvent *event) override;

private:
    void createControls();
    void connectEvents();
    void Form_Load();
    void Form_Resize();
    void Command1_Click();
    void Command2_Click();
    void lblC1_Click();
    void lblC2_Click();
    void lblC3_Click();
    void lblC4_Click();
    void setListColours(const QLabel *swatch);
    ui::MessageBoxes &messages();

    QPointer<QWidget> m_mainWindow;
    QString m_readmeFile;
    printing::PrintDeviceFactory m_makeDevice;
    ui::MessageBoxes *m_messages;
    ui::QtMessageBoxes m_ownMessages;
    bool m_closed = false;
    ui::CentredWindow *m_centred; // a child of the window
};
