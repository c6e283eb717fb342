// Entry point of the installer: the process start-up hands over here, the
// installation sequence runs once, and its result (always 0) is the exit status.
#include <windows.h>

#include "common/dll_search.h"
#include "common/globals.h"
#include "common/run_lock.h"
#include "setup/installation_sequence.h"
#include "ui/background_window.h"

namespace {

// How long a second installer looks for the running one's window, which may
// still be on its way.
constexpr int kWindowWaitMs = 3000;

bool RaiseRunningInstaller(const char* productName) {
    return BringToFrontWhenShown(FindBackgroundWindow, productName, kWindowWaitMs);
}

}  // namespace

int WINAPI WinMain(HINSTANCE instance, HINSTANCE /*previous*/, LPSTR /*commandLine*/, int /*show*/) {
    RestrictDllSearchToSystemFolder();
    // While another installation or removal of the product runs, this one
    // changes nothing: it shows the user the one that is running, or says
    // why it stops, and ends.
    RunLock runLock;
    RunLockOutcome outcome = ClaimRunLockOrRaise(ProductConfig.productName, RaiseRunningInstaller, &runLock);
    if (outcome == RunLockOutcome::kHeldNoWindow) ShowRunLockHeldWarning(ProductConfig.productName);
    if (outcome != RunLockOutcome::kClaimed) return 0;
    return RunInstallation(instance);
}
