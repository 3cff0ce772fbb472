// Kelvaro runs once per user: the first copy holds a lock file in the user's runtime folder
// for as long as it runs. A lock left behind by a copy that crashed is taken over, since its
// process is gone.
#pragma once

#include <memory>

class QLockFile;

// The lock of the running copy, or null when another copy already holds it.
std::unique_ptr<QLockFile> claimSingleInstance();
