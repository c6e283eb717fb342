// Entry point of the installer: the process start-up hands over here, the
// installation sequence runs once, and its result is the exit status (always
// 0 unless the product is made for unattended deployment, setup/exit_codes.h).
#include <windows.h>

#include "common/dll_search.h"
#include "common/globals.h"
#include "common/run_lock.h"
#include "common/run_mode.h"
#include "setup/exit_codes.h"
#include "setup/installation_sequence.h"
#include "setup/run_outcome.h"
#include "ui/background_window.h"

namespace {

// How long a second installer looks for the running one's window, which may
// still be on its way.
constexpr int kWindowWaitMs = 3000;

// An unattended run raises nothing: it has no user to show a window to.
bool RaiseRunningInstaller(const char* productName) {
    if (!AsksUser()) return false;
    return BringToFrontWhenShown(FindBackgroundWindow, productName, kWindowWaitMs);
}

}  // namespace

int WINAPI WinMain(HINSTANCE instance, HINSTANCE /*previous*/, LPSTR commandLine, int /*show*/) {
    RestrictDllSearchToSystemFolder();
    InstallerArguments arguments{};
    int prepared = PrepareRun(commandLine, &arguments);
    if (prepared != kExitInstalled) return EndRun(prepared);

    // While another installation or removal of the product runs, this one
    // changes nothing: it shows the user the one that is running, or says
    // why it stops, and ends.
    RunLock runLock;
    RunLockOutcome outcome = ClaimRunLockOrRaise(ProductConfig.productName, RaiseRunningInstaller, &runLock);
    if (outcome == RunLockOutcome::kHeldNoWindow) ShowRunLockHeldWarning(ProductConfig.productName);
    if (outcome != RunLockOutcome::kClaimed) return EndRun(kExitAnotherRunning);
    return RunInstallation(instance, arguments.dataFolder);
}
