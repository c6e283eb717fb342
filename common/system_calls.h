// The functions of shell32, ole32, oleaut32 and comctl32 that our programs
// call, reached through SystemFunction (dll_search.h) instead of static
// imports, so the libraries come from the system folder and only after the
// search was restricted. Same parameters as the system's functions; when the
// function cannot be had, each answers as a failed call of it would.
#pragma once

#include <windows.h>
#include <commctrl.h>
#include <objbase.h>
#include <ocidl.h>
#include <olectl.h>
#include <shlobj.h>

namespace sys {

// shell32
HRESULT SHGetSpecialFolderLocation(HWND owner, int folder, LPITEMIDLIST* list);  // E_FAIL
BOOL SHGetPathFromIDListA(LPCITEMIDLIST list, LPSTR path);                         // FALSE
LPITEMIDLIST SHBrowseForFolderA(LPBROWSEINFOA browse);                             // null
HRESULT SHGetFolderPathA(HWND owner, int folder, HANDLE token, DWORD flags, LPSTR path);  // E_FAIL
void SHChangeNotify(LONG event, UINT flags, LPCVOID item1, LPCVOID item2);
HINSTANCE ShellExecuteA(HWND owner, LPCSTR verb, LPCSTR file, LPCSTR parameters, LPCSTR folder,
                        INT show);  // SE_ERR_DLLNOTFOUND

// ole32
HRESULT CoInitializeEx(LPVOID reserved, DWORD model);  // E_FAIL
void CoUninitialize();
HRESULT CoCreateInstance(REFCLSID type, LPUNKNOWN outer, DWORD context, REFIID interfaceId,
                         LPVOID* object);  // REGDB_E_CLASSNOTREG
void CoTaskMemFree(LPVOID memory);
HRESULT CreateStreamOnHGlobal(HGLOBAL memory, BOOL deleteOnRelease, LPSTREAM* stream);  // E_FAIL

// oleaut32
HRESULT OleLoadPicture(LPSTREAM stream, LONG size, BOOL runMode, REFIID interfaceId, LPVOID* object);  // E_FAIL

// comctl32
BOOL InitCommonControlsEx(const INITCOMMONCONTROLSEX* controls);  // FALSE

// ntdll: a file created by its name inside a folder that the caller holds
// open (`root`), so that no path leading to the folder is walked again.
// Without the function (Windows 9x) the result is STATUS_NOT_IMPLEMENTED.
LONG NtCreateFile(PHANDLE file, ACCESS_MASK access, PVOID objectAttributes, PVOID ioStatus, PLARGE_INTEGER allocation,
                  ULONG attributes, ULONG share, ULONG disposition, ULONG options, PVOID extendedAttributes,
                  ULONG extendedAttributesLength);
// The Win32 error code of an NTSTATUS; ERROR_MR_MID_NOT_FOUND without it.
ULONG RtlNtStatusToDosError(LONG status);

}  // namespace sys
