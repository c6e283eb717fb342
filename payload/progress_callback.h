#pragma once

#include <windows.h>

// Called synchronously by extraction and removal: before each file and after
// each chunk with the file's name, at the end with "" and 100, then "Done".
// The result is ignored by every caller.
typedef int (*ProgressCallbackFunc)(HWND window, const char* text, int percent);
