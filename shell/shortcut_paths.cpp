#include "shell/shortcut_paths.h"

#include <cstring>

#include "common/bounded_format.h"

bool FormatShortcutFolderPath(char* buffer, size_t size, const char* base, const char* folderName) {
    if (folderName[0] == '\0') {
        if (size > 0) buffer[0] = '\0';
        return false;
    }
    return FormatBounded(buffer, size, "%s\\%s", base, folderName);
}

bool FormatLinkPath(char* buffer, size_t size, const char* base, const char* folderName, const char* linkName) {
    bool fits = folderName ? FormatBounded(buffer, size, "%s\\%s\\%s.lnk", base, folderName, linkName)
                           : FormatBounded(buffer, size, "%s\\%s.lnk", base, linkName);
    if (fits && std::strlen(buffer) > kMaxLinkPathChars) {
        buffer[0] = '\0';
        fits = false;
    }
    return fits;
}
