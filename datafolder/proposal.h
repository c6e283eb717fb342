#pragma once

#include <windows.h>

// Fills dataFolder with the folder to propose: the one recorded in the ini
// file, else <Program Files>\<folderName>, else a folder in the user's home.
// Separators come out normalised. May leave the current directory in the
// proposed folder (the fallback route tests it by entering it).
void proposeDataFolder(HWND owner);
