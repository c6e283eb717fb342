#pragma once

#include <windows.h>

INT_PTR CALLBACK folderDialogProc(HWND dialog, UINT message, WPARAM wParam, LPARAM lParam);
