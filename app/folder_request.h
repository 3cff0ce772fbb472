// The folder that a path given from outside the window asks for: the program's argument, a
// drop on the window, a later start handing its argument over. A folder asks for itself; any
// other entry (a file) asks for the folder that holds it, as file managers pass files too.
//
// The path comes as bytes, as the system spells it, and is checked before it becomes text: the
// folder list holds paths as text, and a path whose bytes are not UTF-8 would become the text
// of another folder (the byte 0xFF reads as U+FFFD, the name of a folder beside it). Such a
// path is refused, never opened as something else; so is one that does not exist exactly as
// given (a path cut at a line break names another folder).
#pragma once

#include <QByteArray>
#include <QString>

struct FolderRequest
{
    QString folder; // absolute and clean; empty when the path gives none the folder list can show
    QString problem; // the text that tells the user why, when `folder` is empty
};

// The folder list shows only folders it can list and enter; anything else is a problem.
FolderRequest folderRequestOf(const QByteArray &path);

// The path of the process's current folder as the system spells it, without reading it as text.
QByteArray currentFolderBytes();

// `path` made absolute against the current folder, byte for byte.
QByteArray absolutePathBytes(const QByteArray &path);
