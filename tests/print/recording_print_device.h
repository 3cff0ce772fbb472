// A print device for tests: records every call in order ("choose", "font ＭＳ 明朝 12", the text
// of each line, "end", "abandon"), refuses the `failAt`-th call, and marks a line that arrives
// while the printing window does not show the busy pointer.
#pragma once

#include "print_job.h"

#include <QStringList>
#include <QWidget>

struct PrintRecord
{
    int failAt = 0; // 1-based; 0: none
    QStringList calls;
    QWidget *window = nullptr; // the window passed to choosePrinter()
};

class RecordingPrintDevice : public printing::PrintDevice
{
public:
    explicit RecordingPrintDevice(PrintRecord &record)
        : m_r(record)
    { }
    bool choosePrinter(QWidget *parent) override
    {
        m_r.window = parent;
        return step("choose");
    }
    bool setFont(const QString &face, double size) override
    {
        return step(QStringLiteral("font %1 %2").arg(face).arg(size));
    }
    bool printLine(const QString &text) override
    {
        return step(m_r.window->cursor().shape() == Qt::WaitCursor ? text : "(not busy) " + text);
    }
    bool endDocument() override { return step("end"); }
    void abandon() override { m_r.calls << "abandon"; }

private:
    bool step(const QString &call)
    {
        m_r.calls << call;
        return m_r.calls.size() != m_r.failAt;
    }
    PrintRecord &m_r;
};

inline printing::PrintDeviceFactory recordingDevices(PrintRecord &record)
{
    return [&record] { return std::make_unique<RecordingPrintDevice>(record); };
}
