#pragma once

#include <windows.h>

// The whole run of the installer. Always returns 0; a declined licence ends
// the process at once, also with status 0.
int RunInstallation(HINSTANCE instance);
