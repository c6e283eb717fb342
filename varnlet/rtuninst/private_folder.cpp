#include "varnlet/rtuninst/private_folder.h"

#include <windows.h>

#include "common/bounded_format.h"
#include "common/paths.h"
#include "common/random_bits.h"
#include "common/scoped.h"

namespace varnlet {

namespace {

// Full control for the system and the administrators, nothing for anyone
// else, not inherited from the parent folder; files made inside get the same.
const char kAdministratorsOnly[] = "D:P(A;OICI;FA;;;SY)(A;OICI;FA;;;BA)";
constexpr int kNameAttempts = 16;

typedef BOOL(WINAPI* ConvertDescriptorFunc)(LPCSTR, DWORD, PSECURITY_DESCRIPTOR*, PULONG);
constexpr DWORD kSddlRevision1 = 1;
constexpr int kTokenElevationClass = 20;  // TokenElevation, from Windows Vista on

// Looked up by name: not every advapi32 has them.
FARPROC Advapi32Function(const char* name) {
    HMODULE advapi32 = GetModuleHandleA("advapi32.dll");
    return advapi32 ? GetProcAddress(advapi32, name) : nullptr;
}

// Elevation exists from Windows Vista on; before that, no folder of the user
// is writable by a program with fewer rights than this one.
bool RunsElevated() {
    ScopedHandle token;
    HANDLE opened = nullptr;
    if (!OpenProcessToken(GetCurrentProcess(), TOKEN_QUERY, &opened)) return false;
    token.Attach(opened);
    DWORD elevated = 0;
    DWORD size = 0;
    return GetTokenInformation(token.Get(), static_cast<TOKEN_INFORMATION_CLASS>(kTokenElevationClass), &elevated,
                               sizeof elevated, &size) &&
           elevated != 0;
}

// Where the folder goes: the system's temporary folder when elevated, else
// the user's.
bool TemporaryRoot(bool elevated, char* out, size_t outSize) {
    if (elevated) {
        // The shared Windows folder even on a terminal server, where each
        // user has a Windows folder of their own. Only systems with
        // elevation get here, and all of them have the function.
        typedef UINT(WINAPI * WindowsFolderFunc)(LPSTR, UINT);
        HMODULE kernel = GetModuleHandleA("kernel32.dll");
        WindowsFolderFunc windowsFolder = reinterpret_cast<WindowsFolderFunc>(
            reinterpret_cast<void*>(kernel ? GetProcAddress(kernel, "GetSystemWindowsDirectoryA") : nullptr));
        char windows[MAX_PATH];
        UINT length = windowsFolder ? windowsFolder(windows, sizeof windows) : 0;
        return length > 0 && length < sizeof windows && JoinPath(out, outSize, windows, "Temp");
    }
    char temp[MAX_PATH + 1];
    DWORD length = GetTempPathA(sizeof temp, temp);
    return length > 0 && length < sizeof temp && CopyText(out, outSize, temp);
}

}  // namespace

bool CreatePrivateFolder(const char* stem, char* out, size_t outSize) {
    bool elevated = RunsElevated();
    char root[kPathBytes];
    if (!TemporaryRoot(elevated, root, sizeof root)) return false;

    SECURITY_ATTRIBUTES attributes = {sizeof attributes, nullptr, FALSE};
    ScopedLocalMemory descriptor;
    if (elevated) {
        ConvertDescriptorFunc convert = reinterpret_cast<ConvertDescriptorFunc>(
            reinterpret_cast<void*>(Advapi32Function("ConvertStringSecurityDescriptorToSecurityDescriptorA")));
        if (!convert || !convert(kAdministratorsOnly, kSddlRevision1, descriptor.Receive(), nullptr)) return false;
        attributes.lpSecurityDescriptor = descriptor.Get();
    }
    bool made = false;
    for (int attempt = 0; attempt < kNameAttempts && !made; ++attempt) {
        unsigned long long bits = RandomBits(attempt);
        char name[96];
        if (!FormatBounded(name, sizeof name, "%s-%08lx%08lx", stem, static_cast<unsigned long>(bits >> 32),
                           static_cast<unsigned long>(bits)) ||
            !JoinPath(out, outSize, root, name)) {
            break;
        }
        // Fails on a folder that exists: only one made here is ever used.
        if (CreateDirectoryA(out, &attributes)) {
            made = true;
        } else if (GetLastError() != ERROR_ALREADY_EXISTS) {
            break;
        }
    }
    if (!made && outSize > 0) out[0] = '\0';
    return made;
}

}  // namespace varnlet
