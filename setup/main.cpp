// Entry point of the installer: the process start-up hands over here, the
// installation sequence runs once, and its result (always 0) is the exit status.
#include <windows.h>

#include "setup/installation_sequence.h"

int WINAPI WinMain(HINSTANCE instance, HINSTANCE /*previous*/, LPSTR /*commandLine*/, int /*show*/) {
    return RunInstallation(instance);
}
