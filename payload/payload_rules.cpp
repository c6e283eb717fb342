#include "payload/payload_rules.h"

#include <cstring>

#include "common/bounded_format.h"
#include "common/paths.h"

bool HasSystemFolderMarker(const char* name) {
    return std::strncmp(name, "SYSTEM/", kSystemFolderMarkerLength) == 0 ||
           std::strncmp(name, "SYSTEM\\", kSystemFolderMarkerLength) == 0;
}

bool IsLibraryPath(const char* path) {
    return std::strstr(path, "DLL") != nullptr || std::strstr(path, "dll") != nullptr;
}

bool JoinSystemPath(char* out, size_t outBytes, const char* systemFolder, const char* markedName) {
    return FormatBounded(out, outBytes, "%s%s%s", systemFolder, EndsWithSeparator(systemFolder) ? "" : "\\",
                         markedName + kSystemFolderMarkerLength);
}

int ProgressPercent(int64_t done, int64_t total) {
    if (total <= 0) return 100;
    return static_cast<int>(100 * done / total);
}
