// Entry point of the installer: the process start-up hands over here, the
// installation sequence runs once, and its result (always 0) is the exit status.
#include <windows.h>

#include "common/dll_search.h"
#include "common/globals.h"
#include "common/run_lock.h"
#include "setup/installation_sequence.h"
#include "ui/background_window.h"

namespace {

const char kRunLockRole[] = "installer";
// How long a second installer looks for the running one's window, which may
// still be on its way.
constexpr int kWindowWaitMs = 3000;

}  // namespace

int WINAPI WinMain(HINSTANCE instance, HINSTANCE /*previous*/, LPSTR /*commandLine*/, int /*show*/) {
    RestrictDllSearchToSystemFolder();
    // A second installer of the same product changes nothing: it shows the
    // user the one that is already running and ends.
    ScopedHandle runLock;
    if (!ClaimRunLock(kRunLockRole, ProductConfig.productName, &runLock)) {
        (void)BringToFrontWhenShown(FindBackgroundWindow, ProductConfig.productName, kWindowWaitMs);
        return 0;
    }
    return RunInstallation(instance);
}
