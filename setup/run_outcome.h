// The start and the end of an installer run around the installation
// sequence: reading the command line (products made for unattended
// deployment only), the run log's header, and the outcome with its exit
// status.
#pragma once

#include "setup/command_line.h"

// Reads `commandTail` when the product is made for unattended deployment
// (otherwise it is ignored), sets the run mode and opens the log it asks
// for. kExitInstalled (0) to go on; otherwise the outcome that ends the run
// at once (a bad command line, told in a usage box in interactive runs only).
int PrepareRun(const char* commandTail, InstallerArguments* arguments);

// Records `code` (exit_codes.h) as the run's outcome in the log and returns
// the process's exit status for it.
int EndRun(int code);
