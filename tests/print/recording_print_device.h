// A print device for tests: records every call, refuses the call named by `failOn` ("choose",
// "font", "line N" for the line at index N, "end"), and notes the printing window's pointer
// shape as each line arrives.
#pragma once

#include "print_job.h"

#include <QStringList>
#include <QWidget>

struct PrintRecord
{
    QString failOn;
    QStringList calls; // "choose", "font ＭＳ 明朝 12", "end", "abandon"
    QStringList lines;
    QList<Qt::CursorShape> pointerAtLine;
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
        return step(QStringLiteral("choose"));
    }
    bool setFont(const QString &face, double size) override
    {
        return step(QStringLiteral("font %1 %2").arg(face).arg(size));
    }
    bool printLine(const QString &text) override
    {
        if (m_r.failOn == QStringLiteral("line %1").arg(m_r.lines.size()))
            return false;
        m_r.lines << text;
        m_r.pointerAtLine << m_r.window->cursor().shape();
        return true;
    }
    bool endDocument() override { return step(QStringLiteral("end")); }
    void abandon() override { m_r.calls << QStringLiteral("abandon"); }

private:
    bool step(const QString &call)
    {
        m_r.calls << call;
        return m_r.failOn.isEmpty() || !call.startsWith(m_r.failOn);
    }
    PrintRecord &m_r;
};

inline printing::PrintDeviceFactory recordingDevices(PrintRecord &record)
{
    return [&record] { return std::make_unique<RecordingPrintDevice>(record); };
}
