#include "system_print_device.h"

#include "japanese_fonts.h"

#include <QFont>
#include <QFontMetricsF>
#include <QPainter>
#include <QPrintDialog>
#include <QPrinter>

#include <vector>

namespace printing {

namespace {

// Lays the lines out on pages as they come and paints the whole document only when it is
// ended. Qt's print engines on Linux cannot abort a print run that has begun (ending the
// painter always hands the pages to the printer), so holding the document back until the
// end is what lets a failed print be abandoned without sending a partial document.
class QtPrintDevice : public PrintDevice
{
public:
    explicit QtPrintDevice(const QString &pdfPath)
        : m_printer(QPrinter::HighResolution)
        , m_pdfPath(pdfPath)
    { }

    bool choosePrinter(QWidget *parent) override
    {
        if (!m_pdfPath.isEmpty()) {
            m_printer.setOutputFormat(QPrinter::PdfFormat);
            m_printer.setOutputFileName(m_pdfPath);
        } else {
            QPrintDialog dialog(&m_printer, parent);
            if (dialog.exec() != QDialog::Accepted)
                return false;
        }
        // Only the printer is taken from the dialog: the whole document is printed, once.
        m_printer.setCopyCount(1);
        m_printer.setPrintRange(QPrinter::AllPages);
        m_printer.setFromTo(0, 0);
        m_chosen = m_printer.isValid();
        return m_chosen;
    }

    bool setFont(const QString &face, double pointSize) override
    {
        if (!m_chosen || pointSize <= 0)
            return false;
        ui::installJapaneseFonts();
        m_font = QFont(face);
        m_font.setPointSizeF(pointSize);
        m_font.setStyleHint(QFont::TypeWriter);
        // Metrics in the printer's own resolution, so that the lines fill the page as
        // they will be painted.
        const QFontMetricsF metrics(m_font, &m_printer);
        m_lineHeight = metrics.lineSpacing();
        m_ascent = metrics.ascent();
        m_pageHeight = m_printer.height();
        return m_lineHeight > 0 && m_pageHeight > 0;
    }

    bool printLine(const QString &text) override
    {
        if (m_lineHeight <= 0)
            return false;
        // A line that does not fit on the rest of the page goes to the top of the next;
        // the first line of a page is always placed, however tall the font.
        if (m_pages.empty() || (m_y > 0 && m_y + m_lineHeight > m_pageHeight)) {
            m_pages.emplace_back();
            m_y = 0;
        }
        m_pages.back().push_back({ m_y + m_ascent, m_font, text });
        m_y += m_lineHeight;
        return true;
    }

    bool endDocument() override
    {
        if (!m_chosen)
            return false;
        m_chosen = false;
        // A document without lines sends nothing (not even an empty sheet).
        if (m_pages.empty())
            return true;
        QPainter painter;
        if (!painter.begin(&m_printer))
            return false;
        bool ok = true;
        for (std::size_t p = 0; p < m_pages.size(); ++p) {
            if (p > 0 && !m_printer.newPage()) {
                ok = false;
                break;
            }
            for (const Line &line : m_pages[p]) {
                painter.setFont(line.font);
                painter.drawText(QPointF(0, line.baseline), line.text);
            }
        }
        // A page the printer refuses mid-way: ask the engine to drop the run. Engines that
        // cannot (CUPS, PDF) keep the pages made so far, so the failure is still reported.
        if (!ok)
            m_printer.abort();
        ok = painter.end() && ok && m_printer.printerState() != QPrinter::Error;
        m_pages.clear();
        return ok;
    }

    void abandon() override
    {
        m_pages.clear();
        m_chosen = false;
    }

private:
    struct Line
    {
        double baseline;
        QFont font;
        QString text;
    };

    QPrinter m_printer;
    QString m_pdfPath;
    bool m_chosen = false;
    QFont m_font;
    double m_lineHeight = 0;
    double m_ascent = 0;
    double m_pageHeight = 0;
    double m_y = 0;
    std::vector<std::vector<Line>> m_pages;
};

} // namespace

std::unique_ptr<PrintDevice> makeSystemPrintDevice()
{
    return std::make_unique<QtPrintDevice>(QString());
}

std::unique_ptr<PrintDevice> makePdfPrintDevice(const QString &pdfPath)
{
    return std::make_unique<QtPrintDevice>(pdfPath);
}

} // namespace printing
