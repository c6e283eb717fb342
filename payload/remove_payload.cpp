// Undoes, after a failed installation, what this process's extraction did:
// the files it created are deleted, and every file it replaced is put back
// from its kept copy with its bytes and times, so an earlier installation
// works as before. Files below the system folder that the run created stay,
// since others may already depend on them; below the data folder nothing is
// deleted or moved through a link.
#include <windows.h>

#include <cstdio>

#include "common/link_guard.h"
#include "payload/extract.h"
#include "payload/kept_files.h"
#include "payload/payload_path.h"
#include "payload/payload_rules.h"
#include "payload/written_files.h"
#include "product/product_data.h"

namespace {

// Deletes the file that the run created as `name`. A file that is already
// gone, or that cannot be read, is passed over; false only when one is there
// and cannot be deleted.
bool DeleteCreatedFile(const char* name) {
    if (PathCrossesLink(nullptr, name)) return false;
    FILE* file = std::fopen(name, "rb");
    if (!file) return true;
    (void)std::fclose(file);
    return std::remove(name) == 0;
}

bool RestoreReplacedFile(int32_t index) {
    char path[kPathBufferBytes];
    if (!ResolvePayloadPath(fileNames[index], path, sizeof path)) return false;
    if (!HasSystemFolderMarker(fileNames[index]) && PathCrossesLink(nullptr, path)) return false;
    return RestoreKeptFile(path, KeptBitsOf(index));
}

}  // namespace

int RemovePayload(HWND window, ProgressCallbackFunc callback) {
    // A file that cannot be deleted ends the deletions at once, but replaced
    // files further on are still put back: the earlier installation must not
    // lose them.
    bool stopped = false;
    bool allRestored = true;
    for (int32_t i = 0; i < fileCount; ++i) {
        if (!stopped && callback) (void)callback(window, fileNames[i], ProgressPercent(i, fileCount));
        FileFate fate = FateOf(i);
        if (fate == FileFate::kReplaced) {
            if (RestoreReplacedFile(i)) ForgetWrittenFile(i);
            else allRestored = false;
        } else if (fate == FileFate::kCreated && !stopped) {
            if (DeleteCreatedFile(fileNames[i])) ForgetWrittenFile(i);
            else stopped = true;
        }
    }
    if (stopped || !allRestored) return 0;
    if (callback) (void)callback(window, "", 100);
    return 4;
}
