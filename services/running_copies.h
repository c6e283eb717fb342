#pragma once

#include <windows.h>

// Notice, 2 s wait, close requests to the product's windows, 8 s wait.
void closeRunningCopies(HINSTANCE instance, HWND owner);
BOOL CALLBACK closeMatchingWindow(HWND window, LPARAM parameter);
