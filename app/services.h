// What the main window needs from the world outside it, gathered so that tests can replace
// each piece: the message boxes, the folder operations (for fault injection), the print
// device and the program's own folder.
#pragma once

#include "folder.h"
#include "message_boxes.h"
#include "print_device.h"

#include <QString>

#include <functional>
#include <memory>

struct Services
{
    ui::MessageBoxes *messages = nullptr;
    renaming::FolderOpener openFolder = renaming::openFolder;
    std::function<std::unique_ptr<printing::PrintDevice>()> makePrintDevice;
    // The folder that holds the executable: the read-me file lies there, and the re-listing
    // after a rename passes through it.
    QString programFolder;
    // The folder the window starts on; empty: the process's current folder.
    QString startFolder;
    // The file that keeps the Number menu's choice between starts; empty: the user's own
    // settings of Kelvaro.
    QString settingsFile = {};
    // Whether startFolder was asked for from outside (the program's argument, "Open with"): it
    // is then listed as soon as the window is up, as a folder dropped on the window is.
    bool listStartFolder = false;
};
