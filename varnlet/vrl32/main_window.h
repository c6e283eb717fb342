// Varnlet's main window: the emblem and the two sample tiles, a menu with
// the help page, and a status line that names the data folder.
#pragma once

#include <windows.h>

#include "common/paths.h"
#include "varnlet/vrl32/layout.h"
#include "varnlet/vrl32/picture.h"

namespace varnlet {

// The window class and title by which a second start finds the running copy
// (and the installer's and uninstaller's close requests reach it).
extern const char kMainWindowClass[];

struct MainWindowState {
    char dataFolder[kPathBytes];
    Picture emblem;
    Picture samples[kSampleCount];
    HWND statusBar = nullptr;
};

bool RegisterMainWindowClass(HINSTANCE instance);
// Creates and shows the window; state must outlive it.
HWND CreateMainWindow(HINSTANCE instance, MainWindowState* state, int show);

}  // namespace varnlet
