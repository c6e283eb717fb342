#include "datafolder/protected_folder.h"

#include <windows.h>
#include <sddl.h>

#include "common/scoped.h"

namespace {

bool CreateWithSecurity(const char* path, const char* sddl) {
    ScopedLocalMemory descriptor;
    if (!ConvertStringSecurityDescriptorToSecurityDescriptorA(sddl, SDDL_REVISION_1, descriptor.Receive(), nullptr))
        return false;
    SECURITY_ATTRIBUTES attributes = {sizeof attributes, descriptor.Get(), FALSE};
    return CreateDirectoryA(path, &attributes) != FALSE;
}

}  // namespace

bool CreateProtectedFolder(const char* path) {
    if (CreateWithSecurity(path, kDataFolderSecurity)) return true;
    // Only a member of Administrators may name that group as the owner. A run
    // without those rights still gets the protected list, owned by its user.
    if (GetLastError() != ERROR_INVALID_OWNER) return false;
    const char* list = kDataFolderSecurity + 4;  // without "O:BA"
    return CreateWithSecurity(path, list);
}
