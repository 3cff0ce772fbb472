#include "desktop_window.h"

#include <QEvent>
#include <QGuiApplication>
#include <QPainter>
#include <QPixmap>
#include <QScreen>
#include <QSvgRenderer>
#include <QWidget>
#include <QWindow>

namespace ui {

QIcon programIcon()
{
    QSvgRenderer picture(QStringLiteral(":/kelvaro.svg"));
    QIcon icon;
    for (const int size : { 16, 22, 24, 32, 48, 64, 128 }) {
        QPixmap pixmap(size, size);
        pixmap.fill(Qt::transparent);
        QPainter painter(&pixmap);
        picture.render(&painter);
        painter.end();
        icon.addPixmap(pixmap);
    }
    return icon;
}

CentredWindow::CentredWindow(QWidget *window)
    : QObject(window)
    , m_window(window)
{
    window->installEventFilter(this);
}

void CentredWindow::centre()
{
    const QScreen *screen
        = m_window->screen() ? m_window->screen() : QGuiApplication::primaryScreen();
    if (!screen)
        return;
    // The frame as the window manager reports it now (the widget's copy of it is brought up
    // to date only later) around the widget's size (the native window's follows only once the
    // window system has answered).
    QWindow *handle = m_window->windowHandle();
    const QSize outer = handle ? m_window->size().grownBy(handle->frameMargins())
                               : m_window->frameGeometry().size();
    const QRect area = screen->geometry();
    const QPoint topLeft(area.x() + (area.width() - outer.width()) / 2,
                         area.y() + (area.height() - outer.height()) / 2);
    if (!handle) {
        m_window->move(topLeft);
        return;
    }
    m_frame = handle->frameMargins();
    if (handle->framePosition() != topLeft)
        handle->setFramePosition(topLeft);
}

bool CentredWindow::eventFilter(QObject *watched, QEvent *event)
{
    // The native window exists once the widget is shown; the frame's arrival shows there as a
    // move, resize or expose of the native window, which the widget itself may not see.
    if (watched == m_window && event->type() == QEvent::Show && !m_handle) {
        m_handle = m_window->windowHandle();
        if (m_handle)
            m_handle->installEventFilter(this);
    } else if (watched == m_handle
               && (event->type() == QEvent::Expose || event->type() == QEvent::Move
                   || event->type() == QEvent::Resize)
               && m_handle->frameMargins() != m_frame
               && !(m_window->windowState()
                    & (Qt::WindowMinimized | Qt::WindowMaximized | Qt::WindowFullScreen))) {
        centre();
    }
    return false;
}

} // namespace ui
