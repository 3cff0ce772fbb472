#include "terminal.h"

#include "messages.h"

#include <cstdlib>

#include <unistd.h>

namespace cli {

namespace {

// The progress line appears after this long, and is redrawn at most this often.
constexpr qint64 ProgressDelayMs = 500;
constexpr qint64 ProgressIntervalMs = 100;

} // namespace

bool japaneseLocale()
{
    for (const char *variable : { "LC_ALL", "LC_MESSAGES", "LANG" }) {
        const char *value = std::getenv(variable);
        if (value && *value)
            return QByteArrayView(value).startsWith("ja");
    }
    return false;
}

Terminal::Terminal(FILE *out, FILE *err, FILE *in, bool japanese)
    : m_out(out)
    , m_err(err)
    , m_in(in)
    , m_japanese(japanese)
    , m_errIsTerminal(::isatty(::fileno(err)) == 1)
{ }

void Terminal::write(FILE *file, const QString &text)
{
    const QByteArray bytes = text.toUtf8();
    if (std::fwrite(bytes.constData(), 1, size_t(bytes.size()), file) != size_t(bytes.size()))
        m_failed = true;
}

QString Terminal::inReadersLanguage(const QString &message) const
{
    if (m_japanese)
        return message;
    // Line by line: the longest Japanese text a line begins with gives way to its English.
    QStringList lines = message.split(u'\n');
    for (QString &line : lines) {
        const std::pair<QString, QString> *best = nullptr;
        for (const auto &pair : msg::CliEnglish) {
            if (line.startsWith(pair.first) && (!best || pair.first.size() > best->first.size()))
                best = &pair;
        }
        if (best)
            line = best->second + line.mid(best->first.size());
    }
    return lines.join(u'\n');
}

void Terminal::print(const QString &line)
{
    if (!m_quiet)
        write(m_out, line + u'\n');
}

void Terminal::tell(const QString &message)
{
    // What was printed comes first, also where both streams go to one terminal or file.
    if (std::fflush(m_out) != 0)
        m_failed = true;
    write(m_err, QStringLiteral("kelvaro-cli: ") + inReadersLanguage(message) + u'\n');
    if (std::fflush(m_err) != 0)
        m_failed = true;
}

bool Terminal::ask(const QString &question)
{
    if (std::fflush(m_out) != 0)
        m_failed = true;
    write(m_err, QStringLiteral("kelvaro-cli: ") + inReadersLanguage(question) + msg::CliYesNo);
    std::fflush(m_err);
    char line[256];
    if (!std::fgets(line, sizeof line, m_in))
        return false;
    const QString answer = QString::fromUtf8(line).trimmed().toLower();
    return answer == QLatin1String("y") || answer == QLatin1String("yes")
        || answer == QStringLiteral("はい");
}

void Terminal::startProgress(const QString &status, int files, qsizetype steps)
{
    m_status = inReadersLanguage(status);
    m_stepsDone = 0;
    m_steps = qMax(steps, qsizetype(1));
    m_files = files;
    m_started.start();
    m_sinceDrawn.invalidate();
}

void Terminal::advanceProgress()
{
    m_stepsDone = qMin(m_stepsDone + 1, m_steps);
    if (m_quiet || !m_errIsTerminal || m_started.elapsed() < ProgressDelayMs)
        return;
    if (!m_sinceDrawn.isValid() || m_sinceDrawn.elapsed() >= ProgressIntervalMs)
        drawProgress();
}

void Terminal::endProgress()
{
    if (!m_drawn)
        return;
    // Erased: the line held only work in progress, and what follows starts on a clean line.
    write(m_err, QStringLiteral("\r\x1b[K"));
    std::fflush(m_err);
    m_drawn = false;
}

void Terminal::drawProgress()
{
    // Standard error only: a flush of standard output here could meet a reader that has gone
    // away in the middle of the work.
    const qsizetype filesDone = m_stepsDone * m_files / m_steps;
    write(m_err, QStringLiteral("\r%1 %2/%3").arg(m_status).arg(filesDone).arg(m_files));
    std::fflush(m_err);
    m_drawn = true;
    m_sinceDrawn.start();
}

bool Terminal::outputFailed()
{
    if (std::fflush(m_out) != 0 || std::ferror(m_out))
        m_failed = true;
    return m_failed;
}

} // namespace cli
