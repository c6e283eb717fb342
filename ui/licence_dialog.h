#pragma once

#include <windows.h>

// Modal dialog 111 owned by `owner`; 1 = accepted, 0 = declined.
INT_PTR RunLicenceDialog(HINSTANCE instance, HWND owner);
INT_PTR CALLBACK LicenceDialogProc(HWND dialog, UINT message, WPARAM wParam, LPARAM lParam);
