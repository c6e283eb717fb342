#include "setup/free_space.h"

#include <climits>

#include "common/bounded_format.h"

namespace {

bool IsSeparator(char c) { return c == '/' || c == '\\'; }

// Length of the "\\server\share" part of a UNC folder, or 0 when `folder` is
// not one (both the server and the share must be named).
size_t UncShareLength(const char* folder) {
    if (!IsSeparator(folder[0]) || !IsSeparator(folder[1])) return 0;
    size_t serverEnd = 2;
    while (folder[serverEnd] != '\0' && !IsSeparator(folder[serverEnd])) ++serverEnd;
    if (serverEnd == 2 || folder[serverEnd] == '\0') return 0;
    size_t shareEnd = serverEnd + 1;
    while (folder[shareEnd] != '\0' && !IsSeparator(folder[shareEnd])) ++shareEnd;
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
