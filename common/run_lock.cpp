#include "common/run_lock.h"

#include "common/bounded_format.h"

namespace {

const char kSessionsPrefix[] = "Global\\";
constexpr int kWindowPollMs = 100;

}  // namespace

bool FormatRunLockName(char* out, size_t bytes, const char* role, const char* productName) {
    if (!FormatBounded(out, bytes, "%sRun lock of the %s: %s", kSessionsPrefix, role, productName)) return false;
    for (char* c = out + sizeof kSessionsPrefix - 1; *c; ++c) {
        if (*c == '\\') *c = '_';
    }
    return true;
}

bool ClaimRunLock(const char* role, const char* productName, ScopedHandle* lock) {
    char name[MAX_PATH];
    if (!FormatRunLockName(name, sizeof name, role, productName)) return true;
    SetLastError(0);
    lock->Attach(CreateMutexA(nullptr, FALSE, name));
    DWORD error = GetLastError();
    // Systems without sessions have no "Global\" namespace: the bare name.
    if (!lock->Valid() && error != ERROR_ACCESS_DENIED) {
        SetLastError(0);
        lock->Attach(CreateMutexA(nullptr, FALSE, name + sizeof kSessionsPrefix - 1));
        error = GetLastError();
    }
    // A mutex that exists but may not be opened belongs to a run with other
    // rights: held all the same.
    if (error == ERROR_ALREADY_EXISTS || error == ERROR_ACCESS_DENIED) {
        lock->Close();
        return false;
    }
    return true;
}

void BringToFront(HWND window) {
    if (IsIconic(window)) (void)ShowWindow(window, SW_RESTORE);
    HWND front = GetLastActivePopup(window);
    // A program the user has just started may hand the foreground on.
    (void)SetForegroundWindow(front ? front : window);
}

bool BringToFrontWhenShown(HWND (*findWindow)(const char* name), const char* name, int waitMs) {
    for (int waited = 0; waited <= waitMs; waited += kWindowPollMs) {
        HWND window = findWindow(name);
        if (window) {
            BringToFront(window);
            return true;
        }
        Sleep(kWindowPollMs);
    }
    return false;
}
