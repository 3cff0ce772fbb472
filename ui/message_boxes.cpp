#include "message_boxes.h"

#include "messages.h"

#include <QMessageBox>
#include <QPushButton>

namespace ui {

namespace {

QMessageBox::Icon toQt(Icon icon)
{
    switch (icon) {
    case Icon::Question:
        return QMessageBox::Question;
    case Icon::Exclamation:
        return QMessageBox::Warning;
    case Icon::None:
        break;
    }
    return QMessageBox::NoIcon;
}

// Runs a modal box whose first button is the default and whose second, if any, is the
// escape button; returns true when the first button was pressed. The text is always plain
// text: names of files and folders may hold anything, "<b>" included, and are shown as typed.
bool run(QWidget *parent, const QString &title, const QString &text, Icon icon,
         QMessageBox::StandardButton first,
         QMessageBox::StandardButton second = QMessageBox::NoButton)
{
    QMessageBox box(toQt(icon), title, text, first | second, parent);
    box.setTextFormat(Qt::PlainText);
    box.setDefaultButton(first);
    if (second != QMessageBox::NoButton)
        box.setEscapeButton(second);
    return box.exec() == first;
}

} // namespace

bool QtMessageBoxes::confirm(const QString &text, Icon icon)
{
    return run(m_parent, msg::ConfirmTitle, text, icon, QMessageBox::Ok, QMessageBox::Cancel);
}

bool QtMessageBoxes::retry(const QString &text)
{
    return run(m_parent, msg::AppTitle, text, Icon::Exclamation, QMessageBox::Retry,
               QMessageBox::Cancel);
}

void QtMessageBoxes::inform(const QString &text)
{
    run(m_parent, msg::AppTitle, text, Icon::None, QMessageBox::Ok);
}

} // namespace ui
