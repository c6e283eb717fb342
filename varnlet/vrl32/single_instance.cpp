#include "varnlet/vrl32/single_instance.h"

#include <windows.h>

#include "common/run_lock.h"
#include "product/payload_names.h"
#include "varnlet/vrl32/main_window.h"

namespace varnlet {

namespace {

const char kMutexName[] = "VarnletProgramSingleInstance";
constexpr int kWindowWaitMs = 5000;

HWND FindMainWindow(const char* title) { return FindWindowA(kMainWindowClass, title); }

}  // namespace

bool ClaimSingleInstance(ScopedHandle* mutex) {
    SetLastError(0);
    mutex->Attach(CreateMutexA(nullptr, FALSE, kMutexName));
    // Without a mutex there is nothing to coordinate with; run alone.
    if (!mutex->Valid()) return true;
    return GetLastError() != ERROR_ALREADY_EXISTS;
}

bool BringRunningCopyToFront() {
    return BringToFrontWhenShown(FindMainWindow, payloadProductName, kWindowWaitMs);
}

}  // namespace varnlet
