// A stand-in shell32.dll of the kind any program of the user could leave in
// the user's temporary folder. It exports what the uninstaller calls of the
// shell (so a static import of it would be satisfied), marks next to itself
// that it ran ("shell32.dll.ran") and refuses to load.
#define WIN32_LEAN_AND_MEAN  // the shell's own declarations would clash with these
#include <windows.h>

extern "C" __declspec(dllexport) void WINAPI SHChangeNotify(LONG, UINT, const void*, const void*) {}
extern "C" __declspec(dllexport) HRESULT WINAPI SHGetFolderPathA(HWND, int, HANDLE, DWORD, char*) { return E_FAIL; }
extern "C" __declspec(dllexport) HINSTANCE WINAPI ShellExecuteA(HWND, const char*, const char*, const char*,
                                                                 const char*, INT) {
    return nullptr;
}

BOOL WINAPI DllMain(HINSTANCE self, DWORD reason, LPVOID) {
    if (reason != DLL_PROCESS_ATTACH) return TRUE;
    char mark[MAX_PATH + 8];
    DWORD length = GetModuleFileNameA(self, mark, MAX_PATH);
    if (length > 0 && length < MAX_PATH) {
        lstrcatA(mark, ".ran");
        HANDLE file = CreateFileA(mark, GENERIC_WRITE, 0, nullptr, CREATE_ALWAYS, 0, nullptr);
        if (file != INVALID_HANDLE_VALUE) CloseHandle(file);
    }
    return FALSE;
}
