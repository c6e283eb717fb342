#pragma once

#include <windows.h>

// folderName null: the link goes to the Startup folder (started minimised),
// otherwise into that sub-folder of the Start-menu Programs folder.
// arguments may be null. 0 on success, -1 on any failure.
int CreateShortcut(const char* folderName, const char* linkName, const char* targetPath,
                   const char* workingFolder, const char* arguments);
HRESULT SaveShellLink(const char* targetPath, const char* linkPath, const char* description,
                      const char* workingFolder, bool minimised, const char* arguments);
