#include "payload/payload_path.h"

#include <windows.h>

#include <cstring>

#include "common/bounded_format.h"
#include "payload/payload_rules.h"

bool PayloadSystemFolder(char* out, size_t outBytes) {
    UINT length = GetSystemDirectoryA(out, static_cast<UINT>(outBytes));
    if (length == 0 || length >= outBytes) {
        if (outBytes > 0) out[0] = '\0';
        return false;
    }
    return true;
}

bool ResolvePayloadPath(const char* name, char* out, size_t outBytes) {
    if (!HasSystemFolderMarker(name)) return FormatBounded(out, outBytes, "%s", name);
    char systemFolder[1024];
    return PayloadSystemFolder(systemFolder, sizeof systemFolder) &&
           JoinSystemPath(out, outBytes, systemFolder, name);
}

size_t FolderPartLength(const char* path) {
    size_t folderLength = 0;
    for (size_t i = 0; path[i] != '\0'; ++i) {
        if (IsDBCSLeadByte(static_cast<BYTE>(path[i])) && path[i + 1] != '\0') {
            ++i;
            continue;
        }
        if (path[i] == '/' || path[i] == '\\') folderLength = i + 1;
    }
    return folderLength;
}
