#include "payload/payload_rules.h"

#include <cstdint>
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

bool IsAccessRefusal(unsigned long systemError) {
    // The run-time library's own table: access denied, current directory,
    // network access denied, cannot make, fail on INT 24, drive locked, seek
    // on device, not locked, lock failed, and the range from write-protected
    // to sharing buffer exceeded (sharing and lock violations among them).
    switch (systemError) {
    case 5: case 16: case 65: case 82: case 83: case 108: case 132: case 158: case 167:
        return true;
    default:
        return systemError >= 19 && systemError <= 36;
    }
}

bool FormatKeptPath(char* out, size_t outBytes, const char* path, size_t folderLength, uint64_t bits) {
    if (folderLength > std::strlen(path) || folderLength > static_cast<size_t>(INT32_MAX)) {
        if (outBytes > 0) out[0] = '\0';
        return false;
    }
    return FormatBounded(out, outBytes, "%.*s~%08lx%08lx.kept", static_cast<int>(folderLength), path,
                         static_cast<unsigned long>(bits >> 32), static_cast<unsigned long>(bits & 0xFFFFFFFFu));
}

uint64_t FileTimeFromUnixSeconds(int64_t seconds) {
    constexpr int64_t kSecondsFrom1601To1970 = 11644473600;
    constexpr int64_t kStepsPerSecond = 10000000;
    return static_cast<uint64_t>((seconds + kSecondsFrom1601To1970) * kStepsPerSecond);
}
