// Varnlet: shows its emblem and two sample pattern tiles from the data folder
// that the installer recorded, and opens its help page.
#include <windows.h>
#include <commctrl.h>

#include "common/dll_search.h"
#include "common/scoped.h"
#include "common/system_calls.h"
#include "product/payload_names.h"
#include "varnlet/vrl32/data_folder.h"
#include "varnlet/vrl32/main_window.h"
#include "varnlet/vrl32/resource.h"
#include "varnlet/vrl32/single_instance.h"

namespace {

// Exit statuses.
constexpr int kExitOk = 0;
constexpr int kExitNoDataFolder = 1;
constexpr int kExitNoWindow = 2;

int RunMessageLoop(HINSTANCE instance, HWND window) {
    HACCEL accelerators = LoadAcceleratorsA(instance, MAKEINTRESOURCEA(IDR_ACCELERATORS));
    MSG message;
    while (GetMessageA(&message, nullptr, 0, 0) > 0) {
        if (accelerators && TranslateAcceleratorA(window, accelerators, &message)) continue;
        TranslateMessage(&message);
        DispatchMessageA(&message);
    }
    return kExitOk;
}

}  // namespace

int WINAPI WinMain(HINSTANCE instance, HINSTANCE, LPSTR, int show) {
    RestrictDllSearchToSystemFolder();
    ScopedHandle mutex;
    if (!varnlet::ClaimSingleInstance(&mutex)) {
        (void)varnlet::BringRunningCopyToFront();
        return kExitOk;
    }

    // Lives until the window is gone: the window procedure points into it.
    static varnlet::MainWindowState state;
    char message[kPathBytes + 512];
    if (!varnlet::ReadDataFolder(state.dataFolder, sizeof state.dataFolder, message, sizeof message)) {
        (void)MessageBoxA(nullptr, message, payloadProductName, MB_OK | MB_ICONWARNING);
        return kExitNoDataFolder;
    }

    ScopedComInit com(COINIT_APARTMENTTHREADED | COINIT_DISABLE_OLE1DDE);
    INITCOMMONCONTROLSEX controls{sizeof controls, ICC_BAR_CLASSES};
    (void)sys::InitCommonControlsEx(&controls);
    if (!varnlet::RegisterMainWindowClass(instance)) return kExitNoWindow;
    HWND window = varnlet::CreateMainWindow(instance, &state, show);
    if (!window) return kExitNoWindow;
    return RunMessageLoop(instance, window);
}
