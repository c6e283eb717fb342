#include "common/link_guard.h"

#include <windows.h>

#include <cstring>

#include "common/paths.h"

namespace {

enum class Entry { Missing, Plain, Refused };

Entry Examine(const char* path) {
    DWORD attributes = GetFileAttributesA(path);
    if (attributes == INVALID_FILE_ATTRIBUTES) {
        DWORD error = GetLastError();
        return (error == ERROR_FILE_NOT_FOUND || error == ERROR_PATH_NOT_FOUND) ? Entry::Missing : Entry::Refused;
    }
    return (attributes & FILE_ATTRIBUTE_REPARSE_POINT) ? Entry::Refused : Entry::Plain;
}

}  // namespace

bool PathCrossesLink(const char* base, const char* relative) {
    if (!relative) return true;
    char path[kPathBytes];
    size_t length = 0;
    if (base && *base) {
        length = std::strlen(base);
        if (length + 1 >= sizeof path) return true;
        std::memcpy(path, base, length);
        if (!EndsWithSeparator(base)) path[length++] = '\\';
    }
    const size_t start = length;
    size_t componentLength = 0;
    for (const char* p = relative;; p = NextChar(p)) {
        if (*p == '\0' || IsSeparator(*p)) {
            if (length > start && componentLength > 0) {
                path[length] = '\0';
                Entry entry = Examine(path);
                if (entry == Entry::Refused) return true;
                if (entry == Entry::Missing) return false;
            }
            if (*p == '\0') return false;
            if (componentLength == 0 && length > start) continue;  // a doubled separator
            if (length + 1 >= sizeof path) return true;
            path[length++] = '\\';
            componentLength = 0;
            continue;
        }
        // A trail byte of a double-byte character can look like "\"; the
        // whole character is copied and never ends a component.
        size_t characterLength = static_cast<size_t>(NextChar(p) - p);
        if (length + characterLength >= sizeof path) return true;
        std::memcpy(path + length, p, characterLength);
        length += characterLength;
        componentLength += characterLength;
    }
}
