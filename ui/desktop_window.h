// What each top-level window of the program takes from the desktop: the program's icon, and
// a place in the centre of the screen.
//
// A window is centred with its frame, and the frame is the window manager's: Qt knows it only
// once the window manager has framed the window, after it is shown, and counts it as zero
// until then. A window centred at show time alone ends up off centre by the frame's share.
// CentredWindow therefore centres the window again whenever the frame the window manager
// reports differs from the one it last centred with; a move by the user is left alone.
#pragma once

#include <QIcon>
#include <QMargins>
#include <QObject>
#include <QPointer>

class QWidget;
class QWindow;

namespace ui {

// The program's icon, drawn from its SVG picture at the usual icon sizes.
QIcon programIcon();

class CentredWindow : public QObject
{
public:
    // Watches the top-level `window`, whose child it becomes.
    explicit CentredWindow(QWidget *window);

    // Moves the window so that its frame, as far as it is known, is centred on its screen.
    void centre();

protected:
    bool eventFilter(QObject *watched, QEvent *event) override;

private:
    QWidget *m_window;
    QPointer<QWindow> m_handle; // the native window watched for the frame
    QMargins m_frame; // the frame of the last centring
};

} // namespace ui
