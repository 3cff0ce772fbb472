// One print run, the same for both printouts (the target list and the read-me text): choose
// the printer, show the busy pointer on the window that prints, set the font, print the lines,
// end the document, and set the pointer back to normal. Any failure on the way, a cancelled
// print dialog included, abandons the document (nothing partial reaches the printer), shows
// "印刷処理を中断します" and sets the pointer back to normal.
#pragma once

#include "message_boxes.h"
#include "print_device.h"

#include <QStringList>

#include <functional>
#include <memory>

class QWidget;

namespace printing {

using PrintDeviceFactory = std::function<std::unique_ptr<PrintDevice>()>;

// Prints the lines of one document; returns false on any failure (of the device, or of the
// caller's own source such as a file that cannot be read).
using LineWriter = std::function<bool(PrintDevice &)>;

// Both printouts use this face and size.
constexpr double PrintPointSize = 12.0;

// Runs one print on `device` (a null device is a failure). `window` shows the busy pointer
// from the close of the print dialog to the end. Returns true when the document was ended.
bool runPrintJob(PrintDevice *device, QWidget *window, ui::MessageBoxes &messages,
                 const LineWriter &writeLines);

// Prints `lines` in order, stopping at the first line the device refuses.
bool printLines(PrintDevice &device, const QStringList &lines);

// The print of the target list: refuses an empty target list with "印刷対象ファイルがありません"
// (no dialog, no device), otherwise prints the report of the two lists with a device made by
// `makeDevice`, showing the busy pointer on `window`.
void printTargetList(const QStringList &oldNames, const QStringList &newNames,
                     const PrintDeviceFactory &makeDevice, QWidget *window,
                     ui::MessageBoxes &messages);

} // namespace printing
