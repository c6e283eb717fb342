// The arithmetic of the free-space check on the data folder's drive. No
// Windows calls: the caller queries the drive and passes the numbers in.
#pragma once

#include <cstddef>
#include <cstdint>

// The root to query for `folder`:
//   "\\server\share\..." (either separator)  -> "\\server\share\"
//   a drive letter and colon ("D:\Data")     -> its first three characters ("D:\")
//   anything else                            -> the current drive ("C:/"), where
//                                               `currentDrive` is 1 for A:
// False, with `root` emptied, when the root does not fit `rootBytes`.
bool FreeSpaceRootPath(const char* folder, int currentDrive, char* root, size_t rootBytes);

// The free-space answer of a drive. The check is made in whole clusters in
// 32-bit arithmetic, as the drive reports them.
struct DriveSpace {
    uint32_t sectorsPerCluster;
    uint32_t bytesPerSector;
    uint32_t freeClusters;
};

// True when `requiredMegabytes` (below 4096) fit in the free clusters. A drive
// that reports clusters of no size cannot be judged and passes.
bool HasEnoughSpace(uint32_t requiredMegabytes, const DriveSpace& space);
// Free space in whole megabytes, counted in 64 bits so that drives above
// 4 GB show correctly; capped at the largest int for the message.
int FreeMegabytes(const DriveSpace& space);
