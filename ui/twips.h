// Window measures in twips (1/1440 inch), as the forms are laid out, converted to pixels by
// the screen's logical resolution: at 96 dots per inch 15 twips make one pixel. Windows
// whose outer size is fixed in twips and that stay centred on the screen use the last two
// functions from their resize handling.
#pragma once

#include <QRect>
#include <QSize>

class QScreen;
class QWidget;

namespace ui {

class Twips
{
public:
    // The scale of `screen`; without a screen (no display at all) 96 dots per inch.
    explicit Twips(const QScreen *screen);
    // The scale of the screen that shows `widget`.
    explicit Twips(const QWidget *widget);

    int toPixelsX(int twips) const;
    int toPixelsY(int twips) const;
    QSize size(int widthTwips, int heightTwips) const;
    QRect rect(int leftTwips, int topTwips, int widthTwips, int heightTwips) const;

private:
    double m_dpiX = 96.0;
    double m_dpiY = 96.0;
};

} // namespace ui
