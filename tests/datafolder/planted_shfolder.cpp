// A stand-in shfolder.dll of the kind an attacker would leave in a downloads
// folder beside an installer: it answers every folder query with its own path.
#include <windows.h>

#include <cstring>

extern "C" __declspec(dllexport) HRESULT WINAPI SHGetFolderPathA(HWND, int, HANDLE, DWORD, LPSTR path) {
    std::strcpy(path, "C:\\Planted");
    return S_OK;
}

extern "C" __declspec(dllexport) int PlantedLibrary() { return 1; }
