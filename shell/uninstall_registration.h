#pragma once

// Writes the uninstall key under HKEY_LOCAL_MACHINE, then makes the optional
// startup entry (question, startup shortcut, immediate start). Reports nothing.
void RegisterUninstallAndStartup(const char* uninstallerPath, const char* mainExecutablePath);
