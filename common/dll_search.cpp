#include "common/dll_search.h"

#include "common/bounded_format.h"

namespace {

typedef BOOL(WINAPI* SetDefaultDllDirectoriesFunc)(DWORD flags);
typedef BOOL(WINAPI* SetDllDirectoryFunc)(LPCSTR path);
typedef BOOL(WINAPI* FindActCtxSectionStringFunc)(DWORD flags, const GUID* extension, ULONG section, LPCSTR name,
                                                  PACTCTX_SECTION_KEYED_DATA data);

// Not in every kernel32 these programs run on, so looked up by name.
constexpr DWORD kSearchSystem32 = 0x00000800;  // LOAD_LIBRARY_SEARCH_SYSTEM32

// What the system libraries themselves load later by bare name (themes, the
// shell's property store, COM's class store, access checks, compatibility
// shims...). Where the search cannot be restricted to the system folder, the
// program's own folder stays first in it; each of these is then loaded once
// from the system folder up front, so that the later load by name finds it
// among the loaded modules and never looks beside the program. A library
// this system lacks is left out.
const char* const kLibrariesLoadedByName[] = {
    "uxtheme.dll", "userenv.dll", "setupapi.dll", "apphelp.dll", "propsys.dll", "dwmapi.dll", "cryptbase.dll",
    "oleacc.dll",  "clbcatq.dll", "version.dll",  "cryptsp.dll", "profapi.dll", "ntmarta.dll",
};

// The libraries loaded so far; a process needs only a handful.
struct LoadedLibrary {
    const char* fileName;
    HMODULE module;
};
constexpr int kMaxLibraries = 8;
LoadedLibrary loaded[kMaxLibraries];
int loadedCount = 0;

// Whether the program's manifest (its activation context) redirects
// `fileName` to a version in the side-by-side store, as it does for the
// common controls 6. The loader applies that redirection to a bare name only.
bool RedirectedSideBySide(const char* fileName) {
    HMODULE kernel = GetModuleHandleA("kernel32.dll");
    FindActCtxSectionStringFunc find = reinterpret_cast<FindActCtxSectionStringFunc>(
        reinterpret_cast<void*>(kernel ? GetProcAddress(kernel, "FindActCtxSectionStringA") : nullptr));
    if (!find) return false;
    ACTCTX_SECTION_KEYED_DATA data = {};
    data.cbSize = sizeof data;
    return find(0, nullptr, ACTIVATION_CONTEXT_SECTION_DLL_REDIRECTION, fileName, &data) != FALSE;
}

// `fileName` in the system folder, with its own imports taken from there
// too; null when it is not there.
HMODULE LoadFromSystemFolder(const char* fileName) {
    char systemFolder[MAX_PATH];
    UINT length = GetSystemDirectoryA(systemFolder, sizeof systemFolder);
    if (length == 0 || length >= sizeof systemFolder) return nullptr;
    char path[MAX_PATH];
    if (!FormatBounded(path, sizeof path, "%s\\%s", systemFolder, fileName)) return nullptr;
    return LoadLibraryExA(path, nullptr, LOAD_WITH_ALTERED_SEARCH_PATH);
}

}  // namespace

void RestrictDllSearchToSystemFolder() {
    HMODULE kernel = GetModuleHandleA("kernel32.dll");
    SetDefaultDllDirectoriesFunc setDefaultDirectories = reinterpret_cast<SetDefaultDllDirectoriesFunc>(
        reinterpret_cast<void*>(kernel ? GetProcAddress(kernel, "SetDefaultDllDirectories") : nullptr));
    if (setDefaultDirectories && setDefaultDirectories(kSearchSystem32)) return;
    RestrictDllSearchWithoutDefaultDirectories();
}

void RestrictDllSearchWithoutDefaultDirectories() {
    HMODULE kernel = GetModuleHandleA("kernel32.dll");
    // Takes the current folder out of the search (XP SP1 and later).
    SetDllDirectoryFunc setDllDirectory = reinterpret_cast<SetDllDirectoryFunc>(
        reinterpret_cast<void*>(kernel ? GetProcAddress(kernel, "SetDllDirectoryA") : nullptr));
    if (setDllDirectory) (void)setDllDirectory("");
    // Loaded for the rest of the process on purpose: the point is that they
    // are already there when the system asks for them.
    for (const char* fileName : kLibrariesLoadedByName) (void)LoadFromSystemFolder(fileName);
}

HMODULE SystemLibrary(const char* fileName) {
    for (int i = 0; i < loadedCount; ++i) {
        if (lstrcmpiA(loaded[i].fileName, fileName) == 0) return loaded[i].module;
    }
    // A library the manifest redirects comes from the side-by-side store,
    // which only the system writes to, and only when asked for by name.
    HMODULE module = RedirectedSideBySide(fileName) ? LoadLibraryA(fileName) : LoadFromSystemFolder(fileName);
    // Remembered only with room to spare; a second load of the same library
    // just raises its count.
    if (module && loadedCount < kMaxLibraries) loaded[loadedCount++] = LoadedLibrary{fileName, module};
    return module;
}

FARPROC SystemFunction(const char* fileName, const char* functionName) {
    HMODULE module = SystemLibrary(fileName);
    return module ? GetProcAddress(module, functionName) : nullptr;
}
