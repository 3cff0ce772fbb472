// The four commands of kelvaro-cli, on the same engine and the same history files as the
// window, so that a batch renamed in one can be undone in the other:
//   rename          the window's rename button: the folder's files of one type get the prefix
//                   and running numbers, after every check the window makes;
//   restore         the Edit menu's restore: recorded renames undone, newest first;
//   history         the recorded renames of a folder and file type, one line each;
//   delete-history  the Edit menu's delete history.
// The window asks before every change; the command line asks only when told to (interactive),
// so that scripts can run it.
#pragma once

#include <QString>

namespace cli {

class Terminal;

// The exit status of a command: 0 only when the requested change was done.
enum ExitStatus : int {
    Done = 0,
    Refused = 1, // a check refused the command; nothing was changed
    BadUsage = 2, // the command line itself is wrong
    RolledBack = 3, // a rename failed; everything it touched was put back
    NotRolledBack = 4, // a rename or deletion failed and left something as it was not before
    Cancelled = 5, // the user answered no to a question
    NotSynced = 6, // done, but the system could not confirm that it reached the disk
};

struct Request
{
    QString command;
    QString folder; // absolute
    QString pattern; // the file type, such as "*.jpg"
    QString prefix;
    int startNo = 0;
    bool dryRun = false;
    int steps = 1; // restore: how many recorded renames to undo; 0 for all
    bool interactive = false;
};

ExitStatus renameFiles(const Request &request, Terminal &terminal);
ExitStatus restoreFiles(const Request &request, Terminal &terminal);
ExitStatus listHistory(const Request &request, Terminal &terminal);
ExitStatus removeHistory(const Request &request, Terminal &terminal);

} // namespace cli
