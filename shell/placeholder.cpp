// Placeholder definitions so the installer links while shell integration is written.
#include "shell/shortcut.h"
#include "shell/uninstall_registration.h"

int CreateShortcut(const char*, const char*, const char*, const char*, const char*) { return -1; }
HRESULT SaveShellLink(const char*, const char*, const char*, const char*, bool, const char*) { return E_NOTIMPL; }
void RegisterUninstallAndStartup(const char*, const char*) {}
