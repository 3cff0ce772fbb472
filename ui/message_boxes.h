// The three kinds of message box Kelvaro shows, behind one small interface so that tests can
// answer them from a script and record what was shown. The main window, the read-me window
// and the print runs all show their messages through it.
#pragma once

#include <QString>

class QWidget;

namespace ui {

enum class Icon { None, Question, Exclamation };

class MessageBoxes
{
public:
    virtual ~MessageBoxes() = default;

    // A question before a rename, restore or deletion: OK and Cancel, the given icon, title
    // "確認". Returns true for OK; Cancel and closing the box return false.
    virtual bool confirm(const QString &text, Icon icon) = 0;

    // An input check while the user types: Retry and Cancel, exclamation icon, title
    // "Kelvaro". Returns true for Retry; Cancel and closing the box return false.
    virtual bool retry(const QString &text) = 0;

    // A plain message or refusal: OK only, no icon, title "Kelvaro".
    virtual void inform(const QString &text) = 0;
};

// The real boxes, built on QMessageBox. The first button is the default, so Enter answers
// OK or Retry, and Esc answers Cancel.
class QtMessageBoxes : public MessageBoxes
{
public:
    explicit QtMessageBoxes(QWidget *parent = nullptr)
        : m_parent(parent)
    { }
    void setParent(QWidget *parent) { m_parent = parent; }

    bool confirm(const QString &text, Icon icon) override;
    bool retry(const QString &text) override;
    void inform(const QString &text) override;

private:
    QWidget *m_parent;
};

} // namespace ui
