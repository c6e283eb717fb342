#include "common/run_lock.h"

#include <sddl.h>

#include <cstdint>

#include "common/bounded_format.h"
#include "common/run_mode.h"

namespace {

const char kSessionsPrefix[] = "Global\\";
// The Administrators group, S-1-5-32-544, laid out as a SID.
struct AdministratorsSid {
    BYTE revision = SID_REVISION;
    BYTE subAuthorityCount = 2;
    SID_IDENTIFIER_AUTHORITY authority = SECURITY_NT_AUTHORITY;
    DWORD subAuthorities[2] = {SECURITY_BUILTIN_DOMAIN_RID, DOMAIN_ALIAS_RID_ADMINS};
};

// The boundary's name and the namespace's alias.
const wchar_t kNamespaceName[] = L"SetupRunLock";
// Administrators and SYSTEM may open the namespace and the mutex; nobody
// else, and nothing is inherited from a container.
const char kAdministratorsOnly[] = "D:P(A;;GA;;;BA)(A;;GA;;;SY)";
constexpr int kWindowPollMs = 100;
// "SetupRunLock " + 16 hex digits, and the namespace's alias before it.
constexpr size_t kNameBytes = 64;
// A namespace that another run closes just as this one opens it is gone
// again; the claim starts over, a few times at most.
constexpr int kNamespaceAttempts = 3;

// The private-namespace functions, from Vista on; looked up by name.
struct NamespaceFunctions {
    HANDLE(WINAPI* createBoundary)(LPCWSTR name, ULONG flags);
    BOOL(WINAPI* addSid)(HANDLE* boundary, PSID sid);
    void(WINAPI* deleteBoundary)(HANDLE boundary);
    HANDLE(WINAPI* createNamespace)(LPSECURITY_ATTRIBUTES attributes, LPVOID boundary, LPCWSTR alias);
    HANDLE(WINAPI* openNamespace)(LPVOID boundary, LPCWSTR alias);
    BOOLEAN(WINAPI* closeNamespace)(HANDLE space, ULONG flags);
};

// Looked up by name: the systems without security or without private
// namespaces lack them.
template <typename Function>
bool Find(const char* library, const char* name, Function* function) {
    HMODULE module = GetModuleHandleA(library);
    *function = reinterpret_cast<Function>(reinterpret_cast<void*>(module ? GetProcAddress(module, name) : nullptr));
    return *function != nullptr;
}

const char kKernel32[] = "kernel32.dll";

bool FindNamespaceFunctions(NamespaceFunctions* functions) {
    return Find(kKernel32, "CreateBoundaryDescriptorW", &functions->createBoundary) &&
           Find(kKernel32, "AddSIDToBoundaryDescriptor", &functions->addSid) &&
           Find(kKernel32, "DeleteBoundaryDescriptor", &functions->deleteBoundary) &&
           Find(kKernel32, "CreatePrivateNamespaceW", &functions->createNamespace) &&
           Find(kKernel32, "OpenPrivateNamespaceW", &functions->openNamespace) &&
           Find(kKernel32, "ClosePrivateNamespace", &functions->closeNamespace);
}

// 64-bit FNV-1a: spreads any name over the digits; two products only ever
// share a lock by an accident of one in 2^64.
uint64_t DigestOfName(const char* name) {
    uint64_t digest = 0xcbf29ce484222325ull;
    for (const unsigned char* c = reinterpret_cast<const unsigned char*>(name); *c; ++c) {
        unsigned char folded = (*c >= 'A' && *c <= 'Z') ? static_cast<unsigned char>(*c - 'A' + 'a') : *c;
        digest = (digest ^ folded) * 0x100000001b3ull;
    }
    return digest;
}

enum class Claim { kClaimed, kHeld, kNoNamespace };

// The namespace's boundary: the Administrators group. Null when it cannot be made.
HANDLE MakeBoundary(const NamespaceFunctions& functions) {
    HANDLE boundary = functions.createBoundary(kNamespaceName, 0);
    if (!boundary) return nullptr;
    AdministratorsSid administrators;
    if (functions.addSid(&boundary, &administrators)) return boundary;
    functions.deleteBoundary(boundary);
    return nullptr;
}

// Creates the namespace, or opens it when another run of ours has it open.
// kNoNamespace when this run cannot be in it because it is not an
// administrator and no administrator's run has it open (the caller then takes
// the named mutex); kHeld when it exists but may not be opened.
Claim OpenNamespace(const NamespaceFunctions& functions, HANDLE boundary, SECURITY_ATTRIBUTES* attributes,
                    HANDLE* space) {
    for (int attempt = 0; attempt < kNamespaceAttempts; ++attempt) {
        SetLastError(0);
        *space = functions.createNamespace(attributes, boundary, kNamespaceName);
        if (*space) return Claim::kClaimed;
        DWORD createError = GetLastError();
        if (createError != ERROR_ALREADY_EXISTS && createError != ERROR_ACCESS_DENIED) return Claim::kNoNamespace;
        SetLastError(0);
        *space = functions.openNamespace(boundary, kNamespaceName);
        if (*space) return Claim::kClaimed;
        DWORD openError = GetLastError();
        if (openError == ERROR_ACCESS_DENIED) return Claim::kHeld;
        // Refused as not an administrator, and nobody has it open.
        if (createError == ERROR_ACCESS_DENIED) return Claim::kNoNamespace;
    }
    return Claim::kHeld;
}

// Whether a mutex just asked for by name is ours: made now (claimed), or
// found (held: it exists, may not be opened, or the name is some other
// object's).
bool TookNewMutex(HANDLE mutex, DWORD error, ScopedHandle* into) {
    into->Attach(mutex);
    if (into->Valid() && error != ERROR_ALREADY_EXISTS) return true;
    into->Close();
    return false;
}

Claim ClaimInPrivateNamespace(const char* name, SECURITY_ATTRIBUTES* attributes, HANDLE* space, ScopedHandle* mutex) {
    NamespaceFunctions functions;
    if (!FindNamespaceFunctions(&functions)) return Claim::kNoNamespace;
    HANDLE boundary = MakeBoundary(functions);
    if (!boundary) return Claim::kNoNamespace;
    Claim claim = OpenNamespace(functions, boundary, attributes, space);
    functions.deleteBoundary(boundary);
    if (claim != Claim::kClaimed) return claim;

    // "SetupRunLock\<name>"; the name is plain ASCII.
    wchar_t wideName[2 * kNameBytes];
    size_t length = 0;
    for (const wchar_t* c = kNamespaceName; *c; ++c) wideName[length++] = *c;
    wideName[length++] = L'\\';
    for (const char* c = name; *c && length + 1 < sizeof wideName / sizeof wideName[0]; ++c) {
        wideName[length++] = static_cast<wchar_t>(static_cast<unsigned char>(*c));
    }
    wideName[length] = L'\0';
    SetLastError(0);
    HANDLE created = CreateMutexW(attributes, FALSE, wideName);
    if (TookNewMutex(created, GetLastError(), mutex)) return Claim::kClaimed;
    (void)functions.closeNamespace(*space, 0);
    *space = nullptr;
    return Claim::kHeld;
}

// The named mutex of systems without private namespaces.
bool ClaimNamedMutex(const char* name, SECURITY_ATTRIBUTES* attributes, ScopedHandle* mutex) {
    char globalName[kNameBytes];
    if (!FormatBounded(globalName, sizeof globalName, "%s%s", kSessionsPrefix, name)) return false;
    SetLastError(0);
    HANDLE created = CreateMutexA(attributes, FALSE, globalName);
    DWORD error = GetLastError();
    // Systems without sessions have no "Global\" namespace: the bare name.
    // Any other refusal means the name is taken.
    if (!created && error != ERROR_ACCESS_DENIED && error != ERROR_INVALID_HANDLE) {
        SetLastError(0);
        created = CreateMutexA(attributes, FALSE, name);
        error = GetLastError();
    }
    return TookNewMutex(created, error, mutex);
}

}  // namespace

void RunLock::Release() {
    mutex_.Close();
    if (!namespace_) return;
    NamespaceFunctions functions;
    if (FindNamespaceFunctions(&functions)) (void)functions.closeNamespace(namespace_, 0);
    namespace_ = nullptr;
}

bool RunLock::HandDownToChildren() {
    BOOL(WINAPI * setInformation)(HANDLE, DWORD, DWORD) = nullptr;
    if (!Held() || !Find(kKernel32, "SetHandleInformation", &setInformation)) return false;
    bool handedDown = setInformation(mutex_.Get(), HANDLE_FLAG_INHERIT, HANDLE_FLAG_INHERIT) != FALSE;
    if (namespace_) handedDown = setInformation(namespace_, HANDLE_FLAG_INHERIT, HANDLE_FLAG_INHERIT) && handedDown;
    return handedDown;
}

bool FormatRunLockName(char* out, size_t bytes, const char* productName) {
    uint64_t digest = DigestOfName(productName);
    return FormatBounded(out, bytes, "SetupRunLock %08lx%08lx", static_cast<unsigned long>(digest >> 32),
                         static_cast<unsigned long>(digest & 0xffffffffu));
}

bool ClaimRunLock(const char* productName, RunLock* lock) {
    lock->Release();
    char name[kNameBytes];
    if (!FormatRunLockName(name, sizeof name, productName)) return false;
    // Systems without access lists (and without this function) take the
    // mutex as it comes.
    BOOL(WINAPI * convert)(LPCSTR, DWORD, PSECURITY_DESCRIPTOR*, PULONG) = nullptr;
    ScopedLocalMemory descriptor;
    if (Find("advapi32.dll", "ConvertStringSecurityDescriptorToSecurityDescriptorA", &convert) &&
        !convert(kAdministratorsOnly, SDDL_REVISION_1, descriptor.Receive(), nullptr)) {
        return false;
    }
    SECURITY_ATTRIBUTES attributes = {sizeof attributes, descriptor.Get(), FALSE};
    switch (ClaimInPrivateNamespace(name, &attributes, &lock->namespace_, &lock->mutex_)) {
    case Claim::kClaimed:
        return true;
    case Claim::kHeld:
        return false;
    case Claim::kNoNamespace:
        break;
    }
    return ClaimNamedMutex(name, &attributes, &lock->mutex_);
}

RunLockOutcome ClaimRunLockOrRaise(const char* productName, bool (*raiseRunning)(const char* productName),
                                   RunLock* lock) {
    if (ClaimRunLock(productName, lock)) return RunLockOutcome::kClaimed;
    return raiseRunning(productName) ? RunLockOutcome::kHeldWithWindow : RunLockOutcome::kHeldNoWindow;
}

void ShowRunLockHeldWarning(const char* productName) {
    char text[2048];
    if (!FormatBounded(text, sizeof text,
                       "Another installation or removal of %s is running. Please wait until it has finished, then "
                       "try again.",
                       productName)) {
        // A name too long to show: the same message without it.
        (void)FormatBounded(text, sizeof text,
                            "Another installation or removal is running. Please wait until it has finished, then "
                            "try again.");
    }
    (void)ShowMessageBox(nullptr, text, "Installation In Progress", MB_OK | MB_ICONWARNING);
}

void BringToFront(HWND window) {
    if (IsIconic(window)) (void)ShowWindow(window, SW_RESTORE);
    HWND front = GetLastActivePopup(window);
    // A program the user has just started may hand the foreground on.
    (void)SetForegroundWindow(front ? front : window);
}

bool BringToFrontWhenShown(HWND (*findWindow)(const char* name), const char* name, int waitMs) {
    for (int waited = 0; waited <= waitMs; waited += kWindowPollMs) {
        HWND window = findWindow(name);
        if (window) {
            BringToFront(window);
            return true;
        }
        Sleep(kWindowPollMs);
    }
    return false;
}
