#include "varnlet/vrl32/single_instance.h"

#include <windows.h>

#include "product/payload_names.h"
#include "varnlet/vrl32/main_window.h"

namespace varnlet {

namespace {

const char kMutexName[] = "VarnletProgramSingleInstance";
constexpr int kWindowWaitMs = 5000;
constexpr int kWindowPollMs = 100;

}  // namespace

bool ClaimSingleInstance(ScopedHandle* mutex) {
    SetLastError(0);
    mutex->Attach(CreateMutexA(nullptr, FALSE, kMutexName));
    // Without a mutex there is nothing to coordinate with; run alone.
    if (!mutex->Valid()) return true;
    return GetLastError() != ERROR_ALREADY_EXISTS;
}

bool BringRunningCopyToFront() {
    for (int waited = 0; waited <= kWindowWaitMs; waited += kWindowPollMs) {
        HWND window = FindWindowA(kMainWindowClass, payloadProductName);
        if (window) {
            if (IsIconic(window)) ShowWindow(window, SW_RESTORE);
            // A program the user has just started may hand the foreground on.
            (void)SetForegroundWindow(window);
            return true;
        }
        Sleep(kWindowPollMs);
    }
    return false;
}

}  // namespace varnlet
