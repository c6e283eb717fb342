#include "payload/kept_files.h"

#include <windows.h>

#include "common/link_guard.h"
#include "common/random_bits.h"
#include "payload/extract.h"
#include "payload/payload_path.h"
#include "payload/payload_rules.h"
#include "payload/written_files.h"
#include "product/product_data.h"

namespace {

// Random names practically never meet; a few tries cover a planted one.
constexpr int kKeepAttempts = 8;

// A kept copy still in use goes when the system next starts. The restart
// list needs the full path.
void ScheduleDeletionAtRestart(const char* kept) {
    DWORD error = GetLastError();
    if (error == ERROR_FILE_NOT_FOUND || error == ERROR_PATH_NOT_FOUND) return;
    char full[kPathBufferBytes];
    DWORD length = GetFullPathNameA(kept, sizeof full, full, nullptr);
    if (length == 0 || length >= sizeof full) return;
    (void)MoveFileExA(full, nullptr, MOVEFILE_DELAY_UNTIL_REBOOT);
}

}  // namespace

bool KeptPathOf(const char* path, uint64_t bits, char* out, size_t outBytes) {
    return FormatKeptPath(out, outBytes, path, FolderPartLength(path), bits);
}

bool KeepExistingFile(const char* path, uint64_t* bits) {
    for (int attempt = 0; attempt < kKeepAttempts; ++attempt) {
        uint64_t candidate = RandomBits(attempt);
        char kept[kPathBufferBytes];
        if (!KeptPathOf(path, candidate, kept, sizeof kept)) return false;
        // Without MOVEFILE_REPLACE_EXISTING the rename fails on anything
        // already there, a planted link included.
        if (MoveFileExA(path, kept, 0)) {
            *bits = candidate;
            return true;
        }
        DWORD error = GetLastError();
        if (error != ERROR_ALREADY_EXISTS && error != ERROR_FILE_EXISTS) return false;
    }
    return false;
}

bool RestoreKeptFile(const char* path, uint64_t bits) {
    char kept[kPathBufferBytes];
    if (!KeptPathOf(path, bits, kept, sizeof kept)) return false;
    if (!DeleteFileA(path)) {
        DWORD error = GetLastError();
        if (error != ERROR_FILE_NOT_FOUND && error != ERROR_PATH_NOT_FOUND) return false;
    }
    return MoveFileExA(kept, path, 0) != 0;
}

void DiscardKeptFiles() {
    for (int32_t i = 0; i < fileCount; ++i) {
        if (FateOf(i) != FileFate::kReplaced) continue;
        char path[kPathBufferBytes], kept[kPathBufferBytes];
        if (!ResolvePayloadPath(fileNames[i], path, sizeof path) || !KeptPathOf(path, KeptBitsOf(i), kept, sizeof kept))
            continue;
        // Below the data folder nothing is deleted through a link.
        if (!HasSystemFolderMarker(fileNames[i]) && PathCrossesLink(nullptr, kept)) continue;
        if (!DeleteFileA(kept)) ScheduleDeletionAtRestart(kept);
        RecordCreated(i);
    }
}
