// The paths and command lines that the installation derives from the data
// folder. Formed once, right after the folder is chosen, so that a folder too
// long for any of them is refused before anything is written. No Windows
// calls.
#pragma once

#include <cstddef>

#include "product/product_data.h"

struct InstallPaths {
    char mainExecutable[kPathBufferBytes];      // data folder \ mainExecutable
    char uninstaller[kPathBufferBytes];         // data folder \ rtuninst.exe
    char startCommand[kPathBufferBytes];        // the main executable in double quotes
    char serviceExecutable[kPathBufferBytes];   // data folder \ serviceExecutable
    char quotedServiceExecutable[2 * kPathBufferBytes];
    char companionInstaller[kPathBufferBytes];  // data folder \ nsvcrun.exe
    char quotedCompanionInstaller[kPathBufferBytes];
};

// Fills `paths` for `dataFolder`; the service paths only when the product has
// a service, the companion paths only when it installs the companion. False
// when any of them would not fit its buffer.
bool FormatInstallPaths(const char* dataFolder, const ProductConfigRecord& config, InstallPaths& paths);
