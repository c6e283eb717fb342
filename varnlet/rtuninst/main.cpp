// Varnlet's uninstaller: removes what the installer put in place. Started
// from the "Uninstall" link or the list of installed programs with no
// arguments; "/finish" is its temporary copy's job (self_removal.h).
#include <windows.h>

#include "common/bounded_format.h"
#include "common/dll_search.h"
#include "common/run_lock.h"
#include "common/run_mode.h"
#include "product/payload_names.h"
#include "varnlet/rtuninst/exit_status.h"
#include "varnlet/rtuninst/self_removal.h"
#include "varnlet/rtuninst/uninstall.h"
#include "varnlet/rtuninst/uninstall_logic.h"

namespace {

struct WindowSearch {
    const char* title;
    HWND found;
};

BOOL CALLBACK MatchUninstallerBox(HWND window, LPARAM parameter) {
    WindowSearch* search = reinterpret_cast<WindowSearch*>(parameter);
    DWORD process = 0;
    (void)GetWindowThreadProcessId(window, &process);
    if (process == GetCurrentProcessId() || !IsWindowVisible(window)) return TRUE;
    char className[16];
    char title[128];
    if (GetClassNameA(window, className, sizeof className) == 0 || lstrcmpA(className, "#32770") != 0) return TRUE;
    if (GetWindowTextA(window, title, sizeof title) == 0 || lstrcmpA(title, search->title) != 0) return TRUE;
    search->found = window;
    return FALSE;
}

// The running uninstaller shows only message boxes; the one with its title
// (its question or its closing message) is raised.
bool RaiseRunningUninstaller(const char* productName) {
    if (!AsksUser()) return false;
    WindowSearch search{nullptr, nullptr};
    char title[128];
    if (!FormatBounded(title, sizeof title, "Uninstall %s", productName)) return false;
    search.title = title;
    (void)EnumWindows(MatchUninstallerBox, reinterpret_cast<LPARAM>(&search));
    if (search.found) BringToFront(search.found);
    return search.found != nullptr;
}

}  // namespace

int WINAPI WinMain(HINSTANCE, HINSTANCE, LPSTR commandTail, int) {
    RestrictDllSearchToSystemFolder();
    varnlet::UninstallArguments arguments;
    char error[kPathBytes];
    bool parsed = varnlet::ParseUninstallArguments(commandTail, &arguments, error, sizeof error, payloadUnattended != 0);
    if (arguments.silent) runMode = RunMode::kSilent;
    if (!parsed) {
        (void)ShowMessageBox(nullptr, error, "Uninstall", MB_OK | MB_ICONWARNING);
        return varnlet::kExitBadCommandLine;
    }
    // The copy inherits the uninstaller's lock (below) and holds it until it
    // ends, so no installer can put a new uninstaller in place just before
    // the copy deletes the old one.
    if (arguments.finish) return varnlet::RunFinisher(arguments);
    RunLock runLock;
    RunLockOutcome outcome = ClaimRunLockOrRaise(payloadProductName, RaiseRunningUninstaller, &runLock);
    if (outcome == RunLockOutcome::kHeldNoWindow) ShowRunLockHeldWarning(payloadProductName);
    if (outcome != RunLockOutcome::kClaimed)
        return payloadUnattended ? varnlet::kExitAnotherRunningUnattended : varnlet::kExitAnotherRunning;
    // The finishing copy is started with this process's inheritable handles.
    (void)runLock.HandDownToChildren();
    return varnlet::RunUninstall();
}
