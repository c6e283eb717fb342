#pragma once

#include <windows.h>

// Where the product's ini file (ProductConfig.iniFileName, a bare name, so it
// lives in the Windows directory) records the data folder.
constexpr const char kDataFolderIniSection[] = "Options";
constexpr const char kDataFolderIniKey[] = "dataDir";

// Proposes, confirms (folder dialog 24000), validates, enters and records the
// data folder. 1: dataFolder is chosen, exists, is the current directory and
// is in the ini file. 0: the user gave up ("Shutting Down" already shown).
int chooseDataFolder(HINSTANCE instance, HWND owner, int alwaysAsk);
