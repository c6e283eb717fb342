#pragma once

#include <windows.h>

#include <cstddef>

// Formats titleText, creates titleFont (stock font 12 as fallback), registers
// the class "install" and creates backgroundHwnd covering the desktop.
// Returns false only when the class cannot be registered.
bool CreateBackgroundWindow(HINSTANCE instance);
// Destroys backgroundHwnd and deletes titleFont (end of a successful run),
// and unregisters the class so a later set-up in the process can register it.
void DestroyBackgroundWindow();
LRESULT CALLBACK BackgroundWindowProc(HWND window, UINT message, WPARAM wParam, LPARAM lParam);

// The background window of a running installer of `productName` (this
// process's or another's); null when there is none.
HWND FindBackgroundWindow(const char* productName);

// "Install <productName>" into `buffer`; false (and nothing usable) when it
// does not fit.
bool FormatTitleText(char* buffer, size_t size, const char* productName);
// The whole picture for a desktop of `width` x `height`: 64 blue bands and
// titleText in titleFont, repeated in white rows down the middle. Used for
// every paint message, whatever the update region.
void PaintBackground(HDC dc, int width, int height);
