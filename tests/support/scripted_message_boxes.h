// A message-box answerer for tests: answers from a script and records every box shown.
#pragma once

#include "message_boxes.h"

#include <QList>
#include <QString>

#include <deque>
#include <functional>

class ScriptedMessageBoxes : public ui::MessageBoxes
{
public:
    struct Shown
    {
        QString text;
        ui::Icon icon;
        bool question; // confirm() or retry(), not inform()
    };

    // Answers for confirm() and retry(), taken in order: true is OK or Retry, false Cancel.
    // When the script runs out, `fallback` answers.
    void answer(std::initializer_list<bool> answers) { m_answers.insert(m_answers.end(), answers); }
    bool fallback = false;

    // Called with every box as it is shown, while the caller waits for the answer; lets a test
    // look at the window at that moment.
    std::function<void(const Shown &)> onShow;

    QList<Shown> shown;
    QStringList texts() const
    {
        QStringList t;
        for (const Shown &s : shown)
            t << s.text;
        return t;
    }
    void clear() { shown.clear(); }

    bool confirm(const QString &text, ui::Icon icon) override
    {
        return record({ text, icon, true });
    }
    bool retry(const QString &text) override
    {
        return record({ text, ui::Icon::Exclamation, true });
    }
    void inform(const QString &text) override { record({ text, ui::Icon::None, false }); }

private:
    bool record(const Shown &s)
    {
        shown.append(s);
        if (onShow)
            onShow(s);
        if (!s.question)
            return true;
        if (m_answers.empty())
            return fallback;
        const bool a = m_answers.front();
        m_answers.pop_front();
        return a;
    }
    std::deque<bool> m_answers;
};
