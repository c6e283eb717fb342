#include "common/globals.h"

HINSTANCE instanceHandle = nullptr;
DWORD platformId = 0;
char titleText[kTitleTextBytes] = {};
HFONT titleFont = nullptr;
HWND backgroundHwnd = nullptr;
char dataFolder[kPathBufferBytes] = {};
