#include "setup/dll_search.h"

#include <windows.h>

namespace {

typedef BOOL(WINAPI* SetDefaultDllDirectoriesFunc)(DWORD flags);
typedef BOOL(WINAPI* SetDllDirectoryFunc)(LPCSTR path);

// Not in every kernel32 this installer runs on, so looked up by name.
constexpr DWORD kSearchSystem32 = 0x00000800;  // LOAD_LIBRARY_SEARCH_SYSTEM32

}  // namespace

void RestrictDllSearchToSystemFolder() {
    HMODULE kernel = GetModuleHandleA("kernel32.dll");
    if (!kernel) return;
    SetDefaultDllDirectoriesFunc setDefaultDirectories = reinterpret_cast<SetDefaultDllDirectoriesFunc>(
        reinterpret_cast<void*>(GetProcAddress(kernel, "SetDefaultDllDirectories")));
    if (setDefaultDirectories && setDefaultDirectories(kSearchSystem32)) return;
    // Older systems: at least take the current folder out of the search.
    SetDllDirectoryFunc setDllDirectory = reinterpret_cast<SetDllDirectoryFunc>(
        reinterpret_cast<void*>(GetProcAddress(kernel, "SetDllDirectoryA")));
    if (setDllDirectory) (void)setDllDirectory("");
}
