// What kelvaro-cli writes and reads: the renames done (or, in a dry run, those that would be)
// and the listings on standard output; messages, questions and the progress line on standard
// error, each message beginning with "kelvaro-cli: "; answers on standard input.
//
// Every name that reaches the terminal goes through escaped() first (display_text.h), so that
// no name can drive the user's terminal or pass for two entries.
//
// Output trouble never stops the work: a reader that has gone away (`| head -1`), a full disk
// or a closed stream only makes the writes fail (SIGPIPE is ignored), the command finishes or
// rolls back as it would, and outputFailed() tells main to say so in the exit status.
#pragma once

#include "display_text.h"

#include <QElapsedTimer>
#include <QString>

#include <cstdio>

namespace cli {

// Names are shown through escaped(); arguments are kept as textOfBytes() keeps them.
using renaming::escaped;

// Whether messages are for a Japanese reader: the first of LC_ALL, LC_MESSAGES and LANG that is
// set names a Japanese locale. Otherwise they are in English.
bool japaneseLocale();

class Terminal
{
public:
    Terminal(FILE *out, FILE *err, FILE *in, bool japanese = true);

    // Prints nothing on standard output and draws no progress line; messages still go out.
    void setQuiet(bool quiet) { m_quiet = quiet; }
    bool japanese() const { return m_japanese; }

    // One line of the output, on standard output; the caller escapes names.
    void print(const QString &line);
    // One message on standard error, after "kelvaro-cli: ", in the reader's language.
    void tell(const QString &message);
    // A question on standard error, answered by a line on standard input: yes for "y", "yes"
    // or "はい"; anything else, or the end of the input, is no.
    bool ask(const QString &question);

    // A progress line on standard error, only when standard error is a terminal and only once
    // the work has taken a moment: "<status> done/files", redrawn in place and erased when the
    // work ends. The work is `steps` renames for `files` files (a batch in two passes renames
    // each file twice), and the line counts files: each step is the share of a file it stands
    // for.
    void startProgress(const QString &status, int files, qsizetype steps);
    void advanceProgress();
    void endProgress();

    // Flushes standard output; true when anything written to either stream was lost.
    bool outputFailed();

private:
    void write(FILE *file, const QString &text);
    void drawProgress();
    QString inReadersLanguage(const QString &message) const;

    FILE *m_out;
    FILE *m_err;
    FILE *m_in;
    bool m_japanese;
    bool m_quiet = false;
    bool m_errIsTerminal;
    bool m_failed = false;
    QString m_status;
    qsizetype m_stepsDone = 0;
    qsizetype m_steps = 0;
    int m_files = 0;
    bool m_drawn = false;
    QElapsedTimer m_started;
    QElapsedTimer m_sinceDrawn;
};

} // namespace cli
