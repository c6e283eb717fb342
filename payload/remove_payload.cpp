// Deletes, after a failed installation, the files that this process's
// extraction created or began to write. Names are taken as stored and
// relative to the current folder; files below the system folder are never
// removed, since others may already depend on the replaced copy.
#include <cstdio>

#include "payload/extract.h"
#include "payload/payload_rules.h"
#include "payload/written_files.h"
#include "product/product_data.h"

int RemovePayload(HWND window, ProgressCallbackFunc callback) {
    for (int32_t i = 0; i < fileCount; ++i) {
        if (callback) (void)callback(window, fileNames[i], ProgressPercent(i, fileCount));
        if (!WasFileWritten(i)) continue;
        // A file that is already gone, or that cannot be read, is passed over;
        // only a file that is there and cannot be deleted stops the removal.
        FILE* file = std::fopen(fileNames[i], "rb");
        if (!file) continue;
        (void)std::fclose(file);
        if (std::remove(fileNames[i]) != 0) return 0;
        ForgetWrittenFile(i);
    }
    if (callback) (void)callback(window, "", 100);
    return 4;
}
