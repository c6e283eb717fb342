#include "setup/free_space.h"

#include <climits>

#include "common/bounded_format.h"
#include "common/paths.h"

namespace {

// The end of the component that starts at `at`, walked by character.
size_t ComponentEnd(const char* folder, size_t at) {
    const char* p = folder + at;
    while (*p != '\0' && !IsSeparator(*p)) p = NextChar(p);
    return static_cast<size_t>(p - folder);
}

// Length of the "\\server\share" part of a UNC folder, or 0 when `folder` is
// not one (both the server and the share must be named).
size_t UncShareLength(const char* folder) {
    if (!IsSeparator(folder[0]) || !IsSeparator(folder[1])) return 0;
    size_t serverEnd = ComponentEnd(folder, 2);
    if (serverEnd == 2 || folder[serverEnd] == '\0') return 0;
    size_t shareEnd = ComponentEnd(folder, serverEnd + 1);
    if (shareEnd == serverEnd + 1) return 0;
    return shareEnd;
}

}  // namespace

bool FreeSpaceRootPath(const char* folder, int currentDrive, char* root, size_t rootBytes) {
    size_t shareLength = UncShareLength(folder);
    if (shareLength > 0) return FormatBounded(root, rootBytes, "%.*s\\", static_cast<int>(shareLength), folder);
    if (folder[0] != '\0' && folder[1] == ':') return FormatBounded(root, rootBytes, "%.3s", folder);
    return FormatBounded(root, rootBytes, "%c:/", currentDrive + 64);
}

bool HasEnoughSpace(uint32_t requiredMegabytes, const DriveSpace& space) {
    uint32_t bytesPerCluster = space.sectorsPerCluster * space.bytesPerSector;
    if (bytesPerCluster == 0) return true;
    uint32_t requiredClusters = requiredMegabytes * 1048576u / bytesPerCluster;
    return requiredClusters <= space.freeClusters;
}

int FreeMegabytes(const DriveSpace& space) {
    uint64_t bytesPerCluster = static_cast<uint64_t>(space.sectorsPerCluster) * space.bytesPerSector;
    uint64_t megabytes = (static_cast<uint64_t>(space.freeClusters) * bytesPerCluster) >> 20;
    return megabytes > static_cast<uint64_t>(INT_MAX) ? INT_MAX : static_cast<int>(megabytes);
}
