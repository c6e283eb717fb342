#pragma once

#include <windows.h>

// Formats titleText, creates titleFont (stock font 12 as fallback), registers
// the class "install" and creates backgroundHwnd covering the desktop.
// Returns false only when the class cannot be registered.
bool CreateBackgroundWindow(HINSTANCE instance);
// Destroys backgroundHwnd and deletes titleFont (end of a successful run).
void DestroyBackgroundWindow();
LRESULT CALLBACK BackgroundWindowProc(HWND window, UINT message, WPARAM wParam, LPARAM lParam);
