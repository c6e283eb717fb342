// One run at a time per product: the installer, the uninstaller and the
// uninstaller's finishing copy share one lock, taken before they show or
// change anything. Two runs writing the same files at once would leave a mix
// of both; a reinstall during an uninstallation would lose its new files.
//
// The lock is a mutex that only administrators can make, so that no other
// user can take it first and keep every installation out, or make a run
// believe it is alone:
//   - Where the system has private namespaces (Vista and later) it lies in the
//     namespace "SetupRunLock" whose boundary holds the Administrators group.
//     Only a process with that group in its token can create the namespace,
//     and its access list lets only Administrators and SYSTEM open it. That
//     namespace spans every session.
//   - Elsewhere (XP; a run without administrator rights; Wine, which has no
//     private namespaces) it is a mutex "Global\..." whose access list lets
//     only Administrators and SYSTEM open it. Whoever makes that name first
//     holds the lock: another user can keep these runs out there (they say so
//     and change nothing), but never make one run beside another.
// The mutex's name comes from a digest of the product name, so any name fits.
#pragma once

#include <windows.h>

#include <cstddef>

#include "common/scoped.h"

// What a run found when it asked for the lock.
enum class RunLockOutcome {
    kClaimed,         // this run holds the lock and goes on
    kHeldWithWindow,  // another run holds it; its window was brought to the front
    kHeldNoWindow,    // another run holds it and shows no window here (another
                      // session, or a lock this run may not open)
};

// The lock, while held: the mutex and, where it lies in one, the private
// namespace, which must stay open for the mutex's name to stay in it.
class RunLock {
public:
    RunLock() = default;
    ~RunLock() { Release(); }
    RunLock(const RunLock&) = delete;
    RunLock& operator=(const RunLock&) = delete;

    bool Held() const { return mutex_.Valid(); }
    void Release();
    // Lets the programs this process starts with inherited handles hold the
    // lock too, until the last of them has ended. False when it could not.
    bool HandDownToChildren();

private:
    friend bool ClaimRunLock(const char* productName, RunLock* lock);
    HANDLE namespace_ = nullptr;
    ScopedHandle mutex_;
};

// The mutex's name for the product `productName` without its namespace:
// "SetupRunLock " and sixteen hex digits of a digest of the name
// (ASCII letters folded, as the registry folds the uninstall key's name).
// False when `bytes` is too small.
bool FormatRunLockName(char* out, size_t bytes, const char* productName);

// Claims the lock of `productName` into `lock`. False when another run holds
// it, or when the lock exists but may not be opened by this run (a run with
// other rights holds it), or when no lock can be made at all: a run never
// goes on without it.
bool ClaimRunLock(const char* productName, RunLock* lock);

// Claims the lock; when another run holds it, `raiseRunning(productName)`
// looks for that run's window and brings it to the front (true when it did).
RunLockOutcome ClaimRunLockOrRaise(const char* productName, bool (*raiseRunning)(const char* productName),
                                   RunLock* lock);

// The warning for kHeldNoWindow: "Installation In Progress", naming the
// product. Returns when the user has closed it.
void ShowRunLockHeldWarning(const char* productName);

// Restores `window` and gives the foreground to it, or to the dialog or
// message box it has open, which is what the user has to answer.
void BringToFront(HWND window);

// The running program may still be on its way to its window: waits up to
// `waitMs` for `findWindow(name)` to find it and brings it to the front.
// False when no window came.
bool BringToFrontWhenShown(HWND (*findWindow)(const char* name), const char* name, int waitMs);
