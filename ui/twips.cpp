#include "twips.h"

#include <QGuiApplication>
#include <QScreen>
#include <QWidget>

#include <cmath>

namespace ui {

namespace {

constexpr double TwipsPerInch = 1440.0;

int scale(int twips, double dpi)
{
    return int(std::lround(twips * dpi / TwipsPerInch));
}

const QScreen *screenOf(const QWidget *widget)
{
    if (widget && widget->screen())
        return widget->screen();
    return QGuiApplication::primaryScreen();
}

} // namespace

Twips::Twips(const QScreen *screen)
{
    if (screen) {
        m_dpiX = screen->logicalDotsPerInchX();
        m_dpiY = screen->logicalDotsPerInchY();
    }
}

Twips::Twips(const QWidget *widget)
    : Twips(screenOf(widget))
{ }

int Twips::toPixelsX(int twips) const
{
    return scale(twips, m_dpiX);
}

int Twips::toPixelsY(int twips) const
{
    return scale(twips, m_dpiY);
}

QSize Twips::size(int widthTwips, int heightTwips) const
{
    return { toPixelsX(widthTwips), toPixelsY(heightTwips) };
}

QRect Twips::rect(int leftTwips, int topTwips, int widthTwips, int heightTwips) const
{
    return { QPoint(toPixelsX(leftTwips), toPixelsY(topTwips)), size(widthTwips, heightTwips) };
}

void setOuterSizeTwips(QWidget *window, int widthTwips, int heightTwips)
{
    const QSize outer = Twips(window).size(widthTwips, heightTwips);
    // The frame's share of the outer size; zero until the window system has framed the window.
    const QSize frame = window->frameGeometry().size() - window->geometry().size();
    const QSize client = (outer - frame).expandedTo(QSize(1, 1));
    if (window->minimumSize() != client || window->maximumSize() != client)
        window->setFixedSize(client);
}

void centreOnScreen(QWidget *window)
{
    const QScreen *screen = screenOf(window);
    if (!screen)
        return;
    const QRect area = screen->geometry();
    const QSize outer = window->frameGeometry().size();
    const QPoint topLeft(area.x() + (area.width() - outer.width()) / 2,
                         area.y() + (area.height() - outer.height()) / 2);
    // For a top-level window move() places the outer frame.
    if (window->pos() != topLeft)
        window->move(topLeft);
}

} // namespace ui
