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

// Runs a modal box whose first button is the default and whose second is the escape
// button; returns true when the first button was pressed.
bool ask(QWidget *parent, const QString &title, const QString &text, Icon icon,
         QMessageBox::StandardButton first, QMessageBox::StandardButton second)
{
    QMessageBox box(toQt(icon), title, text, first | second, parent);
    box.setDefaultButton(first);
    box.setEscapeButton(second);
    return box.exec() == first;
}

} // namespace

bool QtMessageBoxes::confirm(const QString &text, Icon icon)
{
    return ask(m_parent, msg::ConfirmTitle, text, icon, QMessageBox::Ok, QMessageBox::Cancel);
}

bool QtMessageBoxes::retry(const QString &text)
{
    return ask(m_parent, msg::AppTitle, text, Icon::Exclamation, QMessageBox::Retry,
               QMessageBox::Cancel);
}

void QtMessageBoxes::inform(const QString &text)
{
    QMessageBox box(QMessageBox::NoIcon, msg::AppTitle, text, QMessageBox::Ok, m_parent);
    box.exec();
}

} // namespace ui
