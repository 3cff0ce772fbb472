// A print device for tests: records every call, can be told to fail at a chosen point, and
// notes the pointer shape of the printing window when each line arrives.
#pragma once

#include "print_device.h"

#include <QStringList>
#include <QWidget>

#include <memory>

struct PrintRecord
{
    QStringList calls; // "choose", "font ＭＳ 明朝 12", "end", "abandon"
    QStringList lines; // the printed lines, in order
    QList<Qt::CursorShape> pointerAtLine; // the window's pointer as each line was printed
    QWidget *window = nullptr; // the window passed to choosePrinter()
    int devicesMade = 0;
};

class RecordingPrintDevice : public printing::PrintDevice
{
public:
    explicit RecordingPrintDevice(PrintRecord &record)
        : m_record(record)
    { }

    bool cancelDialog = false;
    bool failFont = false;
    int failAtLine = -1; // index of the first line the device refuses
    bool failEnd = false;

    bool choosePrinter(QWidget *parent) override
    {
        m_record.window = parent;
        m_record.calls << QStringLiteral("choose");
        return !cancelDialog;
    }
    bool setFont(const QString &face, double pointSize) override
    {
        m_record.calls << QStringLiteral("font %1 %2").arg(face).arg(pointSize);
        return !failFont;
    }
    bool printLine(const QString &text) override
    {
        if (m_record.lines.size() == failAtLine)
            return false;
        m_record.lines << text;
        if (m_record.window)
            m_record.pointerAtLine << m_record.window->cursor().shape();
        return true;
    }
    bool endDocument() override
    {
        m_record.calls << QStringLiteral("end");
        return !failEnd;
    }
    void abandon() override { m_record.calls << QStringLiteral("abandon"); }

private:
    PrintRecord &m_record;
};

// A factory for Services::makePrintDevice and the print functions; `setUp` adjusts each
// device it makes.
inline auto recordingDevices(PrintRecord &record,
                             std::function<void(RecordingPrintDevice &)> setUp = {})
{
    return [&record, setUp]() -> std::unique_ptr<printing::PrintDevice> {
        ++record.devicesMade;
        auto device = std::make_unique<RecordingPrintDevice>(record);
        if (setUp)
            setUp(*device);
        return device;
    };
}
