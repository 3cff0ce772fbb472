// The folder that a path given from outside the window asks for: the program's argument, a
// drop on the window, a later start handing its argument over. A folder asks for itself; any
// other entry (a file) asks for the folder that holds it, as file managers pass files too.
#pragma once

#include <QString>

struct FolderRequest
{
    QString folder; // absolute and clean; empty when the path gives none the folder list can show
    QString problem; // the text that tells the user why, when `folder` is empty
};

// The folder list shows only folders it can list and enter; anything else is a problem.
FolderRequest folderRequestOf(const QString &path);
