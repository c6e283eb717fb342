#include "varnlet/rtuninst/private_folder.h"

#include <windows.h>

#include "common/bounded_format.h"
#include "common/paths.h"
#include "common/random_bits.h"
#include "common/scoped.h"

namespace varnlet {

namespace {

// Owned by the administrators (not by whoever made it: under the "owner is
// the creator" policy the owner may rewrite the list, and a process of the
// same user with fewer rights could then let itself in); full control for
// the system and the administrators, nothing for anyone else, not inherited
// from the parent folder; files made inside get the same.
const char kAdministratorsOnly[] = "O:BAD:P(A;OICI;FA;;;SY)(A;OICI;FA;;;BA)";
constexpr int kNameAttempts = 16;

typedef BOOL(WINAPI* ConvertDescriptorFunc)(LPCSTR, DWORD, PSECURITY_DESCRIPTOR*, PULONG);
constexpr DWORD kSddlRevision1 = 1;
constexpr int kTokenElevationClass = 20;  // TokenElevation, from Windows Vista on

// Looked up by name: not every advapi32 has them.
FARPROC Advapi32Function(const char* name) {
    HMODULE advapi32 = GetModuleHandleA("advapi32.dll");
    return advapi32 ? GetProcAddress(advapi32, name) : nullptr;
}

// Where the folder goes: the system's temporary folder when elevated, else
// the user's.
bool TemporaryRoot(bool elevated, char* out, size_t outSize) {
    if (elevated) {
        // The shared Windows folder even on a terminal server, where each
        // user has a Windows folder of their own. Every system from
        // Windows 2000 on has the function.
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

bool TokenHoldsAdministratorsOrSystem(HANDLE token) {
    const WELL_KNOWN_SID_TYPE kAccounts[] = {WinBuiltinAdministratorsSid, WinLocalSystemSid};
    for (WELL_KNOWN_SID_TYPE account : kAccounts) {
        BYTE sid[SECURITY_MAX_SID_SIZE];
        DWORD sidSize = sizeof sid;
        BOOL member = FALSE;
        // Only an enabled group counts: a group a restricted token holds for
        // denying only grants nothing.
        if (CreateWellKnownSid(account, nullptr, sid, &sidSize) && CheckTokenMembership(token, sid, &member) &&
            member) {
            return true;
        }
    }
    return false;
}

bool RunsElevated() {
    ScopedHandle token;
    HANDLE opened = nullptr;
    if (!OpenProcessToken(GetCurrentProcess(), TOKEN_QUERY, &opened)) return false;
    token.Attach(opened);
    DWORD elevated = 0;
    DWORD size = 0;
    if (GetTokenInformation(token.Get(), static_cast<TOKEN_INFORMATION_CLASS>(kTokenElevationClass), &elevated,
                            sizeof elevated, &size)) {
        return elevated != 0;
    }
    // Windows XP knows no elevation: an administrator's programs all run
    // with the administrators' rights.
    return TokenHoldsAdministratorsOrSystem(nullptr);
}

bool MakeAdministratorsOnlyDescriptor(ScopedLocalMemory* descriptor) {
    ConvertDescriptorFunc convert = reinterpret_cast<ConvertDescriptorFunc>(
        reinterpret_cast<void*>(Advapi32Function("ConvertStringSecurityDescriptorToSecurityDescriptorA")));
    return convert && convert(kAdministratorsOnly, kSddlRevision1, descriptor->Receive(), nullptr);
}

bool CreatePrivateFolder(const char* stem, char* out, size_t outSize) {
    bool elevated = RunsElevated();
    char root[kPathBytes];
    if (!TemporaryRoot(elevated, root, sizeof root)) return false;

    SECURITY_ATTRIBUTES attributes = {sizeof attributes, nullptr, FALSE};
    ScopedLocalMemory descriptor;
    if (elevated) {
        if (!MakeAdministratorsOnlyDescriptor(&descriptor)) return false;
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
