// What kelvaro-cli writes and reads: the plan on standard output; messages, questions and the
// progress line on standard error; answers on standard input.
//
// Every name that reaches the terminal goes through escaped() first. A file name may hold any
// character but "/" and NUL: an ESC in it would let a folder's contents drive the user's
// terminal (move the cursor, rewrite earlier lines, change the title), a TAB or a line
// separator would make one entry look like two.
#pragma once

#include <QElapsedTimer>
#include <QString>

#include <cstdio>

namespace cli {

// `text` with control characters, invisible format characters and line or paragraph
// separators written as escapes ("\t", "\n", "\r", "\x1b", "\u200e"), and "\" as "\\", so that
// the escaped text shows every character and reads back unambiguously.
QString escaped(const QString &text);

class Terminal
{
public:
    Terminal(FILE *out, FILE *err, FILE *in);

    // One line of the plan or of a listing, on standard output; the caller escapes names.
    void print(const QString &line);
    // One message on standard error.
    void tell(const QString &message);
    // A question on standard error, answered by a line on standard input: yes for "y", "yes"
    // or "はい"; anything else, or the end of the input, is no.
    bool ask(const QString &question);

    // A progress line on standard error, only when standard error is a terminal and only once
    // the work has taken a moment: "<status> done/total", redrawn in place.
    void startProgress(const QString &status, int total);
    void advanceProgress();
    void endProgress();

private:
    void drawProgress();

    FILE *m_out;
    FILE *m_err;
    FILE *m_in;
    bool m_errIsTerminal;
    QString m_status;
    int m_done = 0;
    int m_total = 0;
    bool m_drawn = false;
    QElapsedTimer m_started;
    QElapsedTimer m_sinceDrawn;
};

} // namespace cli
