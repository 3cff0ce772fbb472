#include "print_job.h"

#include "japanese_fonts.h"
#include "messages.h"
#include "target_list_report.h"

#include <QWidget>

namespace printing {

bool runPrintJob(PrintDevice *device, QWidget *window, ui::MessageBoxes &messages,
                 const LineWriter &writeLines)
{
    const auto setNormalPointer = [window] {
        if (window)
            window->unsetCursor();
    };

    bool done = false;
    if (device && device->choosePrinter(window)) {
        if (window)
            window->setCursor(Qt::WaitCursor);
        done = device->setFont(ui::MinchoFace, PrintPointSize) && writeLines(*device)
            && device->endDocument();
    }
    if (!done) {
        if (device)
            device->abandon();
        messages.inform(msg::PrintAborted);
    }
    setNormalPointer();
    return done;
}

bool printLines(PrintDevice &device, const QStringList &lines)
{
    for (const QString &line : lines) {
        if (!device.printLine(line))
            return false;
    }
    return true;
}

void printTargetList(const QStringList &oldNames, const QStringList &newNames,
                     const PrintDeviceFactory &makeDevice, QWidget *window,
                     ui::MessageBoxes &messages)
{
    if (oldNames.isEmpty()) {
        messages.inform(msg::NothingToPrint);
        return;
    }
    const std::unique_ptr<PrintDevice> device = makeDevice ? makeDevice() : nullptr;
    const QStringList report = targetListReport(oldNames, newNames);
    runPrintJob(device.get(), window, messages,
                [&report](PrintDevice &d) { return printLines(d, report); });
}

} // namespace printing
