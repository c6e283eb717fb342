#pragma once

#include <windows.h>

// The whole run of the installer. Always returns 0.
int RunInstallation(HINSTANCE instance);
