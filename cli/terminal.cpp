#include "terminal.h"

#include "messages.h"

#include <unistd.h>

namespace cli {

namespace {

// The progress line appears after this long, and is redrawn at most this often.
constexpr qint64 ProgressDelayMs = 500;
constexpr qint64 ProgressIntervalMs = 100;

void write(FILE *file, const QString &text)
{
    const QByteArray bytes = text.toUtf8();
    std::fwrite(bytes.constData(), 1, size_t(bytes.size()), file);
}

bool needsEscape(char32_t c)
{
    switch (QChar::category(c)) {
    case QChar::Other_Control:
    case QChar::Other_Format:
    case QChar::Other_Surrogate:
    case QChar::Separator_Line:
    case QChar::Separator_Paragraph:
        return true;
    default:
        return c == u'\\';
    }
}

} // namespace

QString escaped(const QString &text)
{
    QString out;
    out.reserve(text.size());
    for (qsizetype i = 0; i < text.size(); ++i) {
        char32_t c = text.at(i).unicode();
        if (QChar::isHighSurrogate(c) && i + 1 < text.size() && text.at(i + 1).isLowSurrogate()) {
            c = QChar::surrogateToUcs4(text.at(i), text.at(i + 1));
            ++i;
        }
        if (!needsEscape(c)) {
            out += QString::fromUcs4(&c, 1);
            continue;
        }
        switch (c) {
        case u'\\':
            out += QLatin1String("\\\\");
            break;
        case u'\t':
            out += QLatin1String("\\t");
            break;
        case u'\n':
            out += QLatin1String("\\n");
            break;
        case u'\r':
            out += QLatin1String("\\r");
            break;
        default:
            out += c < 0x100 ? QStringLiteral("\\x%1").arg(uint(c), 2, 16, QLatin1Char('0'))
                             : QStringLiteral("\\u%1").arg(uint(c), 4, 16, QLatin1Char('0'));
        }
    }
    return out;
}

Terminal::Terminal(FILE *out, FILE *err, FILE *in)
    : m_out(out)
    , m_err(err)
    , m_in(in)
    , m_errIsTerminal(::isatty(::fileno(err)) == 1)
{ }

void Terminal::print(const QString &line)
{
    write(m_out, line + u'\n');
}

void Terminal::tell(const QString &message)
{
    // The plan comes first, also where both streams go to one terminal or file.
    std::fflush(m_out);
    write(m_err, message + u'\n');
    std::fflush(m_err);
}

bool Terminal::ask(const QString &question)
{
    std::fflush(m_out);
    write(m_err, question + msg::CliYesNo);
    std::fflush(m_err);
    char line[256];
    if (!std::fgets(line, sizeof line, m_in))
        return false;
    const QString answer = QString::fromUtf8(line).trimmed().toLower();
    return answer == QLatin1String("y") || answer == QLatin1String("yes")
        || answer == QStringLiteral("はい");
}

void Terminal::startProgress(const QString &status, int total)
{
    m_status = status;
    m_done = 0;
    m_total = total;
    m_started.start();
    m_sinceDrawn.invalidate();
}

void Terminal::advanceProgress()
{
    ++m_done;
    if (!m_errIsTerminal || m_started.elapsed() < ProgressDelayMs)
        return;
    if (!m_sinceDrawn.isValid() || m_sinceDrawn.elapsed() >= ProgressIntervalMs)
        drawProgress();
}

void Terminal::endProgress()
{
    if (!m_drawn)
        return;
    drawProgress();
    write(m_err, QStringLiteral("\n"));
    std::fflush(m_err);
    m_drawn = false;
}

void Terminal::drawProgress()
{
    std::fflush(m_out);
    write(m_err, QStringLiteral("\r%1 %2/%3").arg(m_status).arg(m_done).arg(m_total));
    std::fflush(m_err);
    m_drawn = true;
    m_sinceDrawn.start();
}

} // namespace cli
