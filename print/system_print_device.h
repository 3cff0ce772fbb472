// The print device on a real printer: QPrinter behind the system print dialog, or, for tests
// and previews, a PDF file written without any dialog. Lines are drawn with QPainter in the
// chosen font, one font line height apart, starting at the top left of the printable area;
// a line that does not fit on the rest of the page begins a new page. When the widest line of
// a document is wider than the printable area, the whole document is printed in sizes scaled
// down by one factor so that it fits. Nothing else is put on the page: no header, footer or
// page number.
#pragma once

#include "print_device.h"

#include <QString>

#include <memory>

namespace printing {

// A device that asks for the printer with the system print dialog. Cancelling the dialog
// counts as a failure, so the caller's abort path runs before anything is printed.
std::unique_ptr<PrintDevice> makeSystemPrintDevice();

// A device that writes the document to the PDF file `pdfPath` and shows no dialog:
// choosePrinter() only prepares the file. For tests and for checking layouts on screen.
std::unique_ptr<PrintDevice> makePdfPrintDevice(const QString &pdfPath);

} // namespace printing
