// The print device: the four operations that both prints of Kelvaro (the target-list report
// and the read-me text) go through, behind an interface so that tests can record the lines
// or print to a PDF file instead of a printer.
#pragma once

#include <QString>

class QWidget;

namespace printing {

class PrintDevice
{
public:
    virtual ~PrintDevice() = default;

    // Shows the system print dialog, modal over `parent`. Returns false when the user
    // cancels the dialog or the printer cannot be used; the caller then takes the abort path.
    virtual bool choosePrinter(QWidget *parent) = 0;

    // Sets the face and size of all text printed afterwards.
    virtual bool setFont(const QString &face, double pointSize) = 0;

    // Prints one line at the left edge of the printable area and moves one line height
    // down; begins a new page when the line does not fit on the rest of the page.
    virtual bool printLine(const QString &text) = 0;

    // Closes the document and hands it to the printer.
    virtual bool endDocument() = 0;

    // Discards a document that failed part-way, so that no partial document is sent.
    virtual void abandon() = 0;
};

} // namespace printing
