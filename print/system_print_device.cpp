#include "system_print_device.h"

#include "japanese_fonts.h"

#include <QFont>
#include <QFontDatabase>
#include <QFontInfo>
#include <QFontMetricsF>
#include <QPainter>
#include <QPrintDialog>
#include <QPrinter>

#include <algorithm>
#include <vector>

namespace printing {

namespace {

// Holds the lines back and lays the whole document out only when it is ended. Qt's print
// engines on Linux cannot abort a print run that has begun (ending the painter always hands
// the pages to the printer), so holding the document back until the end is what lets a failed
// print be abandoned without sending a partial document. It also lets the document be printed
// one size smaller when its widest line is wider than the page: every line is one file of the
// report, with its columns aligned by blanks, so the whole document shrinks by one factor,
// which keeps each line whole and the columns aligned, where wrapping or clipping would not.
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
        m_font = fixedPitchFont(face, pointSize);
        return QFontMetricsF(m_font, &m_printer).lineSpacing() > 0 && m_printer.height() > 0;
    }

    bool printLine(const QString &text) override
    {
        if (!m_chosen || m_font.pointSizeF() <= 0)
            return false;
        m_lines.push_back({ m_font, text });
        return true;
    }

    bool endDocument() override
    {
        if (!m_chosen)
            return false;
        m_chosen = false;
        // A document without lines sends nothing (not even an empty sheet).
        if (m_lines.empty())
            return true;
        fitToPageWidth();
        QPainter painter;
        if (!painter.begin(&m_printer))
            return false;
        // A line that does not fit on the rest of the page goes to the top of the next; the
        // first line of a page is always placed, however tall the font.
        bool ok = true;
        double y = 0;
        for (std::size_t i = 0; i < m_lines.size() && ok; ++i) {
            const QFontMetricsF metrics(m_lines[i].font, &m_printer);
            if (i > 0 && y + metrics.lineSpacing() > m_printer.height()) {
                ok = m_printer.newPage();
                y = 0;
            }
            painter.setFont(m_lines[i].font);
            painter.drawText(QPointF(0, y + metrics.ascent()), m_lines[i].text);
            y += metrics.lineSpacing();
        }
        // A page the printer refuses mid-way: ask the engine to drop the run. Engines that
        // cannot (CUPS, PDF) keep the pages made so far, so the failure is still reported.
        if (!ok)
            m_printer.abort();
        ok = painter.end() && ok && m_printer.printerState() != QPrinter::Error;
        m_lines.clear();
        return ok;
    }

    void abandon() override
    {
        m_lines.clear();
        m_chosen = false;
    }

private:
    // The face to print `face` in: the first of `face` itself (where it is installed) and the
    // faces made to stand in for it that is truly fixed-pitch, so that the columns the report
    // aligns with blanks line up on paper; `face` as the system resolves it when none is.
    // Unhinted, so that every glyph has its design width at every size the document is
    // scaled to.
    QFont fixedPitchFont(const QString &face, double pointSize) const
    {
        QStringList families { QStringLiteral("IPAMincho"), QStringLiteral("IPAGothic"),
                               QStringLiteral("Noto Sans Mono CJK JP") };
        if (QFontDatabase::hasFamily(face))
            families.prepend(face);
        for (const QString &family : families) {
            QFont font(family);
            font.setPointSizeF(pointSize);
            font.setHintingPreference(QFont::PreferNoHinting);
            if (QFontInfo(font).family() == family && isFixedPitch(font))
                return font;
        }
        QFont font(face);
        font.setPointSizeF(pointSize);
        font.setStyleHint(QFont::TypeWriter);
        font.setHintingPreference(QFont::PreferNoHinting);
        return font;
    }

    // Whether every half-width character of the report is as wide as a blank and every
    // full-width one as wide as two, in `font` on the printer.
    bool isFixedPitch(const QFont &font) const
    {
        const QFontMetricsF metrics(font, &m_printer);
        const double blank = metrics.horizontalAdvance(u' ');
        const auto columns
            = [&](const QString &text) { return metrics.horizontalAdvance(text) / blank; };
        return blank > 0 && qFuzzyCompare(columns(QStringLiteral("-aZ.0ｱé")), 7.0)
            && qFuzzyCompare(columns(QStringLiteral("漢かア〜○α①")), 14.0);
    }

    struct Line
    {
        QFont font;
        QString text;
    };

    // The widest line in the fonts as they stand, in printer pixels.
    double widestLine() const
    {
        double widest = 0;
        for (const Line &line : m_lines)
            widest = std::max(widest,
                              QFontMetricsF(line.font, &m_printer).horizontalAdvance(line.text));
        return widest;
    }

    // Scales every line's font by one factor, so that the widest line fits the printable
    // width. Text widths follow the size closely but not exactly (hinting), so the factor found
    // from the proportion is lowered a step at a time until the widest line fits.
    void fitToPageWidth()
    {
        const double page = m_printer.width();
        const double widest = widestLine();
        std::vector<double> sizes;
        for (const Line &line : m_lines)
            sizes.push_back(line.font.pointSizeF());
        for (double factor = page / widest; widestLine() > page && factor > 0.01; factor *= 0.99) {
            for (std::size_t i = 0; i < m_lines.size(); ++i)
                m_lines[i].font.setPointSizeF(sizes[i] * factor);
        }
    }

    QPrinter m_printer;
    QString m_pdfPath;
    bool m_chosen = false;
    QFont m_font;
    std::vector<Line> m_lines;
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
