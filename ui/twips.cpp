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

} // namespace ui
