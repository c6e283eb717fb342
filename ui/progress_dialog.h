#pragma once

#include <windows.h>

// Modeless dialog 109 owned by `owner`; shows itself in WM_INITDIALOG.
HWND CreateProgressDialog(HINSTANCE instance, HWND owner);
INT_PTR CALLBACK ProgressDialogProc(HWND dialog, UINT message, WPARAM wParam, LPARAM lParam);
// Sets "Percent Complete: %d%%" into 1002 and `text` into 1100.
int ProgressCallback(HWND dialog, const char* text, int percent);
