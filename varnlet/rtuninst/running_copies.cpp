#include "varnlet/rtuninst/running_copies.h"

#include <windows.h>

#include "common/paths.h"
#include "common/run_mode.h"
#include "common/scoped.h"
#include "common/window_match.h"
#include "product/payload_names.h"

namespace varnlet {

namespace {

// WaitForMultipleObjects takes at most this many handles; more running
// copies than that are closed all the same, only not waited for.
constexpr int kMaxCopies = MAXIMUM_WAIT_OBJECTS;
constexpr int kPollMs = 100;
// After the windows are gone, their programs get this long to end: long
// enough for a program to exit, short enough not to hang on a window that
// belonged to some other program that stays (a folder window, say).
constexpr DWORD kProcessExitWaitMs = 5000;

struct ProductWindows {
    DWORD ownProcess;
    HWND windows[kMaxCopies];
    DWORD processes[kMaxCopies];
    int windowCount;
    int processCount;
};

BOOL CALLBACK CollectProductWindow(HWND window, LPARAM parameter) {
    ProductWindows* found = reinterpret_cast<ProductWindows*>(parameter);
    char title[kPathBytes];
    if (GetWindowTextA(window, title, sizeof title) <= 0) return TRUE;
    // The installer's rule; the uninstaller knows no service window, so it
    // only ever asks windows to close.
    if (RequestForTitle(title, payloadProductName, "") != WindowRequest::kClose) return TRUE;
    DWORD process = 0;
    GetWindowThreadProcessId(window, &process);
    if (process == found->ownProcess) return TRUE;
    if (found->windowCount < kMaxCopies) found->windows[found->windowCount++] = window;
    bool known = false;
    for (int i = 0; i < found->processCount; ++i) known = known || found->processes[i] == process;
    if (!known && found->processCount < kMaxCopies) found->processes[found->processCount++] = process;
    return TRUE;
}

ProductWindows FindProductWindows() {
    ProductWindows found{};
    found.ownProcess = GetCurrentProcessId();
    (void)EnumWindows(CollectProductWindow, reinterpret_cast<LPARAM>(&found));
    return found;
}

bool AnyWindowLeft(const ProductWindows& found) {
    for (int i = 0; i < found.windowCount; ++i) {
        if (IsWindow(found.windows[i])) return true;
    }
    return false;
}

void ShowNotice() {
    char text[kPathBytes];
    if (!FormatClosingNotice(text, sizeof text, payloadProductName)) return;
    (void)ShowMessageBox(nullptr, text, "Closing Running Copies", MB_OK | MB_ICONWARNING);
}

}  // namespace

void CloseRunningCopies() {
    if (FindProductWindows().windowCount == 0) return;
    ShowNotice();
    // Looked for again: while the notice was up, copies may have ended or
    // started.
    ProductWindows found = FindProductWindows();
    ScopedHandle processes[kMaxCopies];
    HANDLE waitable[kMaxCopies];
    int waitableCount = 0;
    for (int i = 0; i < found.processCount; ++i) {
        processes[i].Attach(OpenProcess(SYNCHRONIZE, FALSE, found.processes[i]));
        if (processes[i].Valid()) waitable[waitableCount++] = processes[i].Get();
    }
    for (int i = 0; i < found.windowCount; ++i) (void)PostMessageA(found.windows[i], WM_CLOSE, 0, 0);

    DWORD start = GetTickCount();
    while (AnyWindowLeft(found) && GetTickCount() - start < static_cast<DWORD>(kCloseWaitMs)) Sleep(kPollMs);
    DWORD elapsed = GetTickCount() - start;
    DWORD left = elapsed < static_cast<DWORD>(kCloseWaitMs) ? kCloseWaitMs - elapsed : 0;
    if (left > kProcessExitWaitMs) left = kProcessExitWaitMs;
    if (waitableCount > 0 && left > 0) (void)WaitForMultipleObjects(waitableCount, waitable, TRUE, left);
}

}  // namespace varnlet
