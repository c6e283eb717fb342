#pragma once

#include <windows.h>

// The data folder's problems are all told the same way: a warning box with OK.
inline void showFolderWarning(HWND owner, const char* text, const char* title) {
    (void)MessageBoxA(owner, text, title, MB_OK | MB_ICONWARNING);
}
