// Writes every file of the payload table to disk. Each chunk is one zlib
// stream of at most 30000 bytes; it is inflated into the one work buffer and
// written straight to its file, so memory stays the same whatever the size of
// the payload and no temporary files are made.
#include <windows.h>

#include <sys/stat.h>
#include <sys/utime.h>
#include <zlib.h>

#include <cerrno>
#include <cstdio>
#include <cstdlib>
#include <cstring>

#include "payload/extract.h"
#include "payload/payload_memory.h"
#include "payload/payload_rules.h"
#include "payload/written_files.h"
#include "product/product_data.h"

namespace {

void* AllocateFromHeap(size_t bytes) { return std::malloc(bytes); }

}  // namespace

// A function of this program, not the run-time library's malloc itself, so
// that the pointer is set before any constructor runs and a test's
// replacement made in a constructor sticks.
PayloadAllocateFunc payloadAllocate = AllocateFromHeap;

namespace {

// Keeps the count of chunks handled and tells the callback, if there is one.
struct Progress {
    HWND window;
    ProgressCallbackFunc callback;
    int64_t done;
    int64_t total;

    void Report(const char* text) const {
        if (callback) (void)callback(window, text, ProgressPercent(done, total));
    }
};

// Writes the chunks of file `index` into `file` and closes it. 0 when all of
// it is on disk, else kExtractWriteFailed, or kExtractDataDamaged for a chunk
// that does not inflate completely (its bytes are never written: they would
// be stale bytes of the previous chunk).
int WriteChunks(int32_t index, FILE* file, unsigned char* work, Progress& progress) {
    for (int32_t c = 0; c < fileChunkCounts[index]; ++c) {
        uLongf length = kWorkBufferBytes;
        int status = uncompress(work, &length, fileChunks[index][c], fileChunkSizes[index][c]);
        int failure = status != Z_OK ? kExtractDataDamaged
                      : std::fwrite(work, 1, length, file) != length ? kExtractWriteFailed : 0;
        if (failure != 0) {
            (void)std::fclose(file);
            return failure;
        }
        ++progress.done;
        progress.Report(fileNames[index]);
    }
    // Nothing is buffered (see OpenForWriting), but a close that fails still
    // means the file may not be complete.
    if (std::fclose(file) != 0) return kExtractWriteFailed;
    return 0;
}

// The file is written unbuffered: every chunk goes to the disk in one call,
// without a copy, and a disk that fills shows in the count fwrite returns
// rather than in a later flush.
FILE* OpenForWriting(const char* path) {
    FILE* file = std::fopen(path, "wb");
    if (file) (void)std::setvbuf(file, nullptr, _IONBF, 0);
    return file;
}

// Handles file `index`: 0 to go on with the next file, else the result that
// ends the extraction.
int ExtractFile(int32_t index, unsigned char* work, Progress& progress) {
    const char* name = fileNames[index];
    progress.Report(name);

    const char* path = name;
    char systemPath[kPathBufferBytes];
    bool marked = HasSystemFolderMarker(name);
    if (marked) {
        char systemFolder[kPathBufferBytes];
        UINT length = GetSystemDirectoryA(systemFolder, sizeof systemFolder);
        if (length == 0 || length >= sizeof systemFolder) return kExtractCreateFailed;
        if (!JoinSystemPath(systemPath, sizeof systemPath, systemFolder, name)) return kExtractCreateFailed;
        path = systemPath;
        // A newer copy in the system folder belongs to something installed
        // later; it stays.
        struct _stat existing;
        if (_stat(path, &existing) == 0 && existing.st_mtime > fileTimes[index]) {
            progress.done += fileChunkCounts[index];
            return 0;
        }
    } else if (std::strlen(name) >= kPathBufferBytes) {
        return kExtractCreateFailed;
    }

    if (!CreatePathFolders(path)) return kExtractCreateFailed;
    FILE* file = OpenForWriting(path);
    if (!file) {
        // A library that a running program holds open cannot be replaced now;
        // the copy in use is left as it is and the installation goes on.
        if (errno == EACCES && IsLibraryPath(path)) {
            progress.done += fileChunkCounts[index];
            return 0;
        }
        return kExtractCreateFailed;
    }
    if (!marked) MarkFileWritten(index);

    int result = WriteChunks(index, file, work, progress);
    if (result != 0) return result;
    struct _utimbuf times;
    times.actime = fileTimes[index];
    times.modtime = fileTimes[index];
    (void)_utime(path, &times);
    return 0;
}

}  // namespace

int ExtractPayload(HWND window, ProgressCallbackFunc callback) {
    unsigned char* work = static_cast<unsigned char*>(payloadAllocate(kWorkBufferBytes));
    if (!work) {
        (void)StartWrittenFilesRecord(0);
        return kExtractNoMemory;
    }
    if (!StartWrittenFilesRecord(fileCount)) {
        std::free(work);
        return kExtractNoMemory;
    }

    Progress progress{window, callback, 0, 0};
    for (int32_t i = 0; i < fileCount; ++i) progress.total += fileChunkCounts[i];

    int result = kExtractDone;
    for (int32_t i = 0; i < fileCount && result == kExtractDone; ++i) {
        int fileResult = ExtractFile(i, work, progress);
        if (fileResult != 0) result = fileResult;
    }
    std::free(work);
    if (result != kExtractDone) return result;

    if (callback) {
        (void)callback(window, "", 100);
        (void)callback(window, "Done", ProgressPercent(progress.done, progress.total));
    }
    return kExtractDone;
}
