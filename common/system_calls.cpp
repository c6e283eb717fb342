#include "common/system_calls.h"

#include "common/dll_search.h"

namespace sys {

namespace {

const char kShell32[] = "shell32.dll";
const char kOle32[] = "ole32.dll";
const char kOleAut32[] = "oleaut32.dll";
const char kComCtl32[] = "comctl32.dll";
const char kNtDll[] = "ntdll.dll";

// The function `name` of `library` as a pointer of the caller's type.
template <typename Function>
Function Resolve(const char* library, const char* name) {
    return reinterpret_cast<Function>(reinterpret_cast<void*>(SystemFunction(library, name)));
}

}  // namespace

HRESULT SHGetSpecialFolderLocation(HWND owner, int folder, LPITEMIDLIST* list) {
    typedef HRESULT(WINAPI * Function)(HWND, int, LPITEMIDLIST*);
    Function function = Resolve<Function>(kShell32, "SHGetSpecialFolderLocation");
    if (!function) {
        if (list) *list = nullptr;
        return E_FAIL;
    }
    return function(owner, folder, list);
}

BOOL SHGetPathFromIDListA(LPCITEMIDLIST list, LPSTR path) {
    typedef BOOL(WINAPI * Function)(LPCITEMIDLIST, LPSTR);
    Function function = Resolve<Function>(kShell32, "SHGetPathFromIDListA");
    return function ? function(list, path) : FALSE;
}

LPITEMIDLIST SHBrowseForFolderA(LPBROWSEINFOA browse) {
    typedef LPITEMIDLIST(WINAPI * Function)(LPBROWSEINFOA);
    Function function = Resolve<Function>(kShell32, "SHBrowseForFolderA");
    return function ? function(browse) : nullptr;
}

HRESULT SHGetFolderPathA(HWND owner, int folder, HANDLE token, DWORD flags, LPSTR path) {
    typedef HRESULT(WINAPI * Function)(HWND, int, HANDLE, DWORD, LPSTR);
    Function function = Resolve<Function>(kShell32, "SHGetFolderPathA");
    return function ? function(owner, folder, token, flags, path) : E_FAIL;
}

void SHChangeNotify(LONG event, UINT flags, LPCVOID item1, LPCVOID item2) {
    typedef void(WINAPI * Function)(LONG, UINT, LPCVOID, LPCVOID);
    Function function = Resolve<Function>(kShell32, "SHChangeNotify");
    if (function) function(event, flags, item1, item2);
}

HINSTANCE ShellExecuteA(HWND owner, LPCSTR verb, LPCSTR file, LPCSTR parameters, LPCSTR folder, INT show) {
    typedef HINSTANCE(WINAPI * Function)(HWND, LPCSTR, LPCSTR, LPCSTR, LPCSTR, INT);
    Function function = Resolve<Function>(kShell32, "ShellExecuteA");
    return function ? function(owner, verb, file, parameters, folder, show)
                    : reinterpret_cast<HINSTANCE>(static_cast<INT_PTR>(SE_ERR_DLLNOTFOUND));
}

HRESULT CoInitializeEx(LPVOID reserved, DWORD model) {
    typedef HRESULT(WINAPI * Function)(LPVOID, DWORD);
    Function function = Resolve<Function>(kOle32, "CoInitializeEx");
    return function ? function(reserved, model) : E_FAIL;
}

void CoUninitialize() {
    typedef void(WINAPI * Function)();
    Function function = Resolve<Function>(kOle32, "CoUninitialize");
    if (function) function();
}

HRESULT CoCreateInstance(REFCLSID type, LPUNKNOWN outer, DWORD context, REFIID interfaceId, LPVOID* object) {
    typedef HRESULT(WINAPI * Function)(REFCLSID, LPUNKNOWN, DWORD, REFIID, LPVOID*);
    Function function = Resolve<Function>(kOle32, "CoCreateInstance");
    if (!function) {
        if (object) *object = nullptr;
        return REGDB_E_CLASSNOTREG;
    }
    return function(type, outer, context, interfaceId, object);
}

void CoTaskMemFree(LPVOID memory) {
    typedef void(WINAPI * Function)(LPVOID);
    // Memory of the task allocator exists only if ole32 (or the shell, which
    // loads it) was there to hand it out.
    Function function = Resolve<Function>(kOle32, "CoTaskMemFree");
    if (function) function(memory);
}

HRESULT CreateStreamOnHGlobal(HGLOBAL memory, BOOL deleteOnRelease, LPSTREAM* stream) {
    typedef HRESULT(WINAPI * Function)(HGLOBAL, BOOL, LPSTREAM*);
    Function function = Resolve<Function>(kOle32, "CreateStreamOnHGlobal");
    if (!function) {
        if (stream) *stream = nullptr;
        return E_FAIL;
    }
    return function(memory, deleteOnRelease, stream);
}

HRESULT OleLoadPicture(LPSTREAM stream, LONG size, BOOL runMode, REFIID interfaceId, LPVOID* object) {
    typedef HRESULT(WINAPI * Function)(LPSTREAM, LONG, BOOL, REFIID, LPVOID*);
    Function function = Resolve<Function>(kOleAut32, "OleLoadPicture");
    if (!function) {
        if (object) *object = nullptr;
        return E_FAIL;
    }
    return function(stream, size, runMode, interfaceId, object);
}

BOOL InitCommonControlsEx(const INITCOMMONCONTROLSEX* controls) {
    typedef BOOL(WINAPI * Function)(const INITCOMMONCONTROLSEX*);
    Function function = Resolve<Function>(kComCtl32, "InitCommonControlsEx");
    return function ? function(controls) : FALSE;
}

LONG NtCreateFile(PHANDLE file, ACCESS_MASK access, PVOID objectAttributes, PVOID ioStatus, PLARGE_INTEGER allocation,
                  ULONG attributes, ULONG share, ULONG disposition, ULONG options, PVOID extendedAttributes,
                  ULONG extendedAttributesLength) {
    typedef LONG(WINAPI * Function)(PHANDLE, ACCESS_MASK, PVOID, PVOID, PLARGE_INTEGER, ULONG, ULONG, ULONG, ULONG,
                                    PVOID, ULONG);
    // Called once for every file an extraction writes: looked up once.
    static Function function = nullptr;
    static bool lookedUp = false;
    if (!lookedUp) {
        function = Resolve<Function>(kNtDll, "NtCreateFile");
        lookedUp = true;
    }
    constexpr LONG kStatusNotImplemented = static_cast<LONG>(0xC0000002);
    return function ? function(file, access, objectAttributes, ioStatus, allocation, attributes, share, disposition,
                               options, extendedAttributes, extendedAttributesLength)
                    : kStatusNotImplemented;
}

ULONG RtlNtStatusToDosError(LONG status) {
    typedef ULONG(WINAPI * Function)(LONG);
    Function function = Resolve<Function>(kNtDll, "RtlNtStatusToDosError");
    return function ? function(status) : ERROR_MR_MID_NOT_FOUND;
}

}  // namespace sys
