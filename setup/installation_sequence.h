#pragma once

#include <windows.h>

// The whole run of the installer, in the run mode the entry point has set
// (common/run_mode.h). `commandLineFolder` is the data folder named on the
// command line (/D=), null or "" when none is. Returns the exit status: the
// outcome (setup/exit_codes.h) for a product made for unattended deployment,
// else always 0. A declined licence ends the process at once, with the same
// status a cancelled run has.
int RunInstallation(HINSTANCE instance, const char* commandLineFolder = nullptr);
