// Varnlet's uninstaller: removes what the installer put in place. Started
// from the "Uninstall" link or the list of installed programs with no
// arguments; "/finish" is its temporary copy's job (self_removal.h).
#include <windows.h>

#include "product/payload_names.h"
#include "varnlet/rtuninst/exit_status.h"
#include "varnlet/rtuninst/self_removal.h"
#include "varnlet/rtuninst/uninstall.h"
#include "varnlet/rtuninst/uninstall_logic.h"

int WINAPI WinMain(HINSTANCE, HINSTANCE, LPSTR commandTail, int) {
    varnlet::UninstallArguments arguments;
    char error[kPathBytes];
    if (!varnlet::ParseUninstallArguments(commandTail, &arguments, error, sizeof error)) {
        (void)MessageBoxA(nullptr, error, "Uninstall", MB_OK | MB_ICONWARNING);
        return varnlet::kExitBadCommandLine;
    }
    return arguments.finish ? varnlet::RunFinisher(arguments) : varnlet::RunUninstall();
}
