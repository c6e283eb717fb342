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

const char kRunLockRole[] = "installer";
// How long a second installer looks for the running one's window, which may
// still be on its way.
constexpr int kWindowWaitMs = 3000;

}  // namespace

int WINAPI WinMain(HINSTANCE instance, HINSTANCE /*previous*/, LPSTR commandLine, int /*show*/) {
    RestrictDllSearchToSystemFolder();
    InstallerArguments arguments;
    int prepared = PrepareRun(commandLine, &arguments);
    if (prepared != kExitInstalled) return EndRun(prepared);
    // A check that the installer itself is whole, or a refusal of this
    // Windows, belongs here: it ends with EndRun(kExitFailed) or
    // EndRun(kExitUnsupportedPlatform), its message through ShowMessageBox.

    // A second installer of the same product changes nothing: it shows the
    // user the one that is already running and ends.
    ScopedHandle runLock;
    if (!ClaimRunLock(kRunLockRole, ProductConfig.productName, &runLock)) {
        if (AsksUser()) (void)BringToFrontWhenShown(FindBackgroundWindow, ProductConfig.productName, kWindowWaitMs);
        return EndRun(kExitAnotherRunning);
    }
    return RunInstallation(instance, arguments.dataFolder);
}
