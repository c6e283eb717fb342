// Process-wide state of one installer run. Each item has one owner that
// fills it; everything else only reads it.
#pragma once

#include <windows.h>

#include "product/product_data.h"

constexpr int kTitleTextBytes = 1040;
constexpr int kPlatformWindowsNt = 2;  // VER_PLATFORM_WIN32_NT

// Owner: the installation sequence (setup/).
extern HINSTANCE instanceHandle;
extern DWORD platformId;
// Owner: the background window (ui/). titleFont is always a usable font once
// the background window is set up.
extern char titleText[kTitleTextBytes];
extern HFONT titleFont;
extern HWND backgroundHwnd;
// Owner: the data-folder choice (datafolder/). After a successful choice every
// separator in it is a single backslash.
extern char dataFolder[kPathBufferBytes];
