// One run at a time of a program of ours per product: the installer and the
// uninstaller each claim a named mutex before they show or change anything.
// Two runs writing the same files at once would leave a mix of both.
#pragma once

#include <windows.h>

#include <cstddef>

#include "common/scoped.h"

// The mutex's name for `role` ("installer", "uninstaller") of the product
// called `productName`, in the namespace of every session: a second run in
// another user's session writes the same files. Backslashes, which the name
// may not hold, become '_'. False when it does not fit.
bool FormatRunLockName(char* out, size_t bytes, const char* role, const char* productName);

// Claims the lock for `role` of `productName` into `lock`. False when another
// process holds it; true also when no mutex can be made at all, since there is
// then nothing to coordinate with and the run goes on alone.
bool ClaimRunLock(const char* role, const char* productName, ScopedHandle* lock);

// Restores `window` and gives the foreground to it, or to the dialog or
// message box it has open, which is what the user has to answer.
void BringToFront(HWND window);

// The running program may still be on its way to its window: waits up to
// `waitMs` for `findWindow(name)` to find it and brings it to the front.
// False when no window came.
bool BringToFrontWhenShown(HWND (*findWindow)(const char* name), const char* name, int waitMs);
