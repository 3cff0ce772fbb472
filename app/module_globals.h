// The two program-wide values the window shares with the rename and the restore. They are
// held by the window rather than by the process, so that several windows (in tests) do not
// disturb each other.
#pragma once

#include <cstdint>

struct ModuleGlobals
{
    // Upper limit on the files of one folder and file type, and on start number + file count.
    std::int16_t MaxFiles = 9999;
    // The start number of the running numbers, taken from Text2 after every change of it.
    std::int16_t StartNo = 0;
};
