#include "common/dll_search.h"

#include "common/bounded_format.h"

namespace {

typedef BOOL(WINAPI* SetDefaultDllDirectoriesFunc)(DWORD flags);
typedef BOOL(WINAPI* SetDllDirectoryFunc)(LPCSTR path);
typedef BOOL(WINAPI* FindActCtxSectionStringFunc)(DWORD flags, const GUID* extension, ULONG section, LPCSTR name,
                                                  PACTCTX_SECTION_KEYED_DATA data);

// Not in every kernel32 these programs run on, so looked up by name.
constexpr DWORD kSearchSystem32 = 0x00000800;  // LOAD_LIBRARY_SEARCH_SYSTEM32

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

HMODULE SystemLibrary(const char* fileName) {
    for (int i = 0; i < loadedCount; ++i) {
        if (lstrcmpiA(loaded[i].fileName, fileName) == 0) return loaded[i].module;
    }
    char systemFolder[MAX_PATH];
    UINT length = GetSystemDirectoryA(systemFolder, sizeof systemFolder);
    if (length == 0 || length >= sizeof systemFolder) return nullptr;
    char path[MAX_PATH];
    if (!FormatBounded(path, sizeof path, "%s\\%s", systemFolder, fileName)) return nullptr;
    // A library the manifest redirects comes from the side-by-side store,
    // which only the system writes to, and only when asked for by name.
    HMODULE module = RedirectedSideBySide(fileName) ? LoadLibraryA(fileName)
                                                    : LoadLibraryExA(path, nullptr, LOAD_WITH_ALTERED_SEARCH_PATH);
    // Remembered only with room to spare; a second load of the same library
    // just raises its count.
    if (module && loadedCount < kMaxLibraries) loaded[loadedCount++] = LoadedLibrary{fileName, module};
    return module;
}

FARPROC SystemFunction(const char* fileName, const char* functionName) {
    HMODULE module = SystemLibrary(fileName);
    return module ? GetProcAddress(module, functionName) : nullptr;
}
