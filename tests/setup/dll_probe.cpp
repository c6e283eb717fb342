// A library that stands for one planted next to a downloaded installer.
#include <windows.h>

extern "C" __declspec(dllexport) int VarnletProbe() { return 42; }

BOOL WINAPI DllMain(HINSTANCE, DWORD, LPVOID) { return TRUE; }
