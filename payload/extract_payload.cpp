// Writes every file of the payload table to disk. Each chunk is one zlib
// stream of at most 30000 bytes; it is inflated into the one work buffer and
// written straight to its file, so memory stays the same whatever the size of
// the payload and no temporary files are made.
//
// The work per file is kept to what writing needs: the folders of the file
// before are not looked up again (folder_chain.h), a new file is created in
// one call that refuses anything already there, and its times are set
// through the handle it was written with. A file that is there already is
// moved aside first (kept_files.h) so that a failed installation can put it
// back.
#include <windows.h>
#include <winternl.h>

#include <sys/stat.h>
#include <zlib.h>

#include <cstdlib>
#include <cstring>

#include "common/link_guard.h"
#include "common/system_calls.h"
#include "payload/extract.h"
#include "payload/folder_chain.h"
#include "payload/kept_files.h"
#include "payload/payload_memory.h"
#include "payload/payload_path.h"
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

bool WriteAll(HANDLE file, const unsigned char* bytes, DWORD length) {
    DWORD written = 0;
    return WriteFile(file, bytes, length, &written, nullptr) && written == length;
}

// Writes the chunks of file `index` into `file`, gives it its stored time and
// closes it. 0 when all of it is on disk, else kExtractWriteFailed, or
// kExtractDataDamaged for a chunk that does not inflate completely (its bytes
// are never written: they would be stale bytes of the previous chunk).
int WriteChunks(int32_t index, HANDLE file, unsigned char* work, Progress& progress) {
    for (int32_t c = 0; c < fileChunkCounts[index]; ++c) {
        uLongf length = kWorkBufferBytes;
        int status = uncompress(work, &length, fileChunks[index][c], fileChunkSizes[index][c]);
        int failure = status != Z_OK                                      ? kExtractDataDamaged
                      : !WriteAll(file, work, static_cast<DWORD>(length)) ? kExtractWriteFailed
                                                                          : 0;
        if (failure != 0) {
            (void)CloseHandle(file);
            return failure;
        }
        ++progress.done;
        progress.Report(fileNames[index]);
    }
    // Both the access and the modification time; whether the system takes
    // them is not examined.
    uint64_t stored = FileTimeFromUnixSeconds(fileTimes[index]);
    FILETIME time = {static_cast<DWORD>(stored), static_cast<DWORD>(stored >> 32)};
    (void)SetFileTime(file, nullptr, &time, &time);
    // Nothing is buffered, but a close that fails still means the file may
    // not be complete.
    if (!CloseHandle(file)) return kExtractWriteFailed;
    return 0;
}

// Creates the file at `path`, which must not exist: nothing that someone
// else put there (a link least of all) is ever opened in its place. Inside a
// held folder the file is created by its own name below the folder's
// handle, so no path to the folder is walked again: the file lands in the
// folder that was checked, whatever has been done to the names leading to
// it meanwhile. `error` receives the system's reason for a failure.
HANDLE CreateNewFile(const char* path, HANDLE folder, DWORD* error) {
    if (folder) {
        const char* name = path + FolderPartLength(path);
        WCHAR wide[kPathBufferBytes];
        int characters = MultiByteToWideChar(CP_ACP, 0, name, -1, wide, kPathBufferBytes);
        if (characters > 1) {
            UNICODE_STRING text;
            text.Buffer = wide;
            text.Length = static_cast<USHORT>((characters - 1) * sizeof(WCHAR));
            text.MaximumLength = static_cast<USHORT>(characters * sizeof(WCHAR));
            OBJECT_ATTRIBUTES attributes;
            InitializeObjectAttributes(&attributes, &text, OBJ_CASE_INSENSITIVE, folder, nullptr);
            IO_STATUS_BLOCK io;
            HANDLE file = nullptr;
            LONG status = sys::NtCreateFile(&file, GENERIC_WRITE | SYNCHRONIZE | FILE_READ_ATTRIBUTES, &attributes, &io,
                                            nullptr, FILE_ATTRIBUTE_NORMAL, FILE_SHARE_READ | FILE_SHARE_WRITE,
                                            FILE_CREATE, FILE_NON_DIRECTORY_FILE | FILE_SYNCHRONOUS_IO_NONALERT,
                                            nullptr, 0);
            if (status >= 0) return file;
            constexpr LONG kStatusNotImplemented = static_cast<LONG>(0xC0000002);
            if (status != kStatusNotImplemented) {
                *error = sys::RtlNtStatusToDosError(status);
                return INVALID_HANDLE_VALUE;
            }
        }
    }
    HANDLE file = CreateFileA(path, GENERIC_WRITE, FILE_SHARE_READ | FILE_SHARE_WRITE, nullptr, CREATE_NEW,
                              FILE_ATTRIBUTE_NORMAL, nullptr);
    if (file == INVALID_HANDLE_VALUE) *error = GetLastError();
    return file;
}

// Whether the existing file at `path` could be opened for writing as the
// run-time library opens a file to replace it; else the system's reason.
// Asked before the file is moved aside: a library that a running program
// has loaded may be renamed, but not written.
DWORD WhyNotWritable(const char* path) {
    HANDLE file = CreateFileA(path, GENERIC_WRITE, FILE_SHARE_READ | FILE_SHARE_WRITE, nullptr, OPEN_EXISTING,
                              FILE_ATTRIBUTE_NORMAL, nullptr);
    if (file == INVALID_HANDLE_VALUE) return GetLastError();
    BY_HANDLE_FILE_INFORMATION information;
    bool hiddenOrSystem = GetFileInformationByHandle(file, &information) &&
                          (information.dwFileAttributes & (FILE_ATTRIBUTE_HIDDEN | FILE_ATTRIBUTE_SYSTEM)) != 0;
    (void)CloseHandle(file);
    // Replacing a hidden or system file with a normal one is refused.
    return hiddenOrSystem ? ERROR_ACCESS_DENIED : ERROR_SUCCESS;
}

// True when the last component of `name` (below the data folder) is a link.
bool FileIsLink(const char* name) {
    char folder[kPathBufferBytes];
    size_t folderLength = FolderPartLength(name);
    if (folderLength == 0) return PathCrossesLink(nullptr, name);
    if (folderLength >= sizeof folder) return true;
    std::memcpy(folder, name, folderLength - 1);
    folder[folderLength - 1] = '\0';
    return PathCrossesLink(folder, name + folderLength);
}

// What became of opening file `index` at `path` for writing.
enum class Opened { kFile, kPassOver, kRefused, kFolderGone };

// Opens file `index` at `path` for writing, inside the held `folder` (null
// for a file of the current folder or below the system folder): a new file,
// or, where one is there, a new file in its place once the old one is kept
// aside.
Opened OpenForWriting(int32_t index, const char* path, bool marked, HANDLE folder, HANDLE* file) {
    DWORD error = ERROR_SUCCESS;
    *file = CreateNewFile(path, folder, &error);
    if (*file != INVALID_HANDLE_VALUE) {
        if (!marked) RecordCreated(index);
        return Opened::kFile;
    }
    // Someone removed a held folder after all (Wine lets them).
    if (folder && (error == ERROR_FILE_NOT_FOUND || error == ERROR_PATH_NOT_FOUND)) return Opened::kFolderGone;
    if (error == ERROR_FILE_EXISTS || error == ERROR_ALREADY_EXISTS) {
        // Below the data folder a link is never written through or moved.
        if (!marked && FileIsLink(path)) return Opened::kRefused;
        error = WhyNotWritable(path);
        if (error == ERROR_SUCCESS) {
            uint64_t kept = 0;
            if (!KeepExistingFile(path, &kept)) return Opened::kRefused;
            RecordReplaced(index, kept);
            *file = CreateNewFile(path, folder, &error);
            return *file != INVALID_HANDLE_VALUE ? Opened::kFile : Opened::kRefused;
        }
    }
    // A library that a running program holds open cannot be replaced now;
    // the copy in use is left as it is and the installation goes on.
    return IsAccessRefusal(error) && IsLibraryPath(path) ? Opened::kPassOver : Opened::kRefused;
}

// Handles file `index`: 0 to go on with the next file, else the result that
// ends the extraction.
int ExtractFile(int32_t index, unsigned char* work, Progress& progress, FolderChain& folders) {
    const char* name = fileNames[index];
    progress.Report(name);

    char path[kPathBufferBytes];
    if (!ResolvePayloadPath(name, path, sizeof path)) return kExtractCreateFailed;
    bool marked = HasSystemFolderMarker(name);
    if (marked) {
        // A newer copy in the system folder belongs to something installed
        // later; it stays.
        struct _stat existing;
        if (_stat(path, &existing) == 0 && existing.st_mtime > fileTimes[index]) {
            progress.done += fileChunkCounts[index];
            return 0;
        }
        if (!CreatePathFolders(path)) return kExtractCreateFailed;
    } else if (!folders.Enter(path)) {
        return kExtractCreateFailed;
    }

    HANDLE file = INVALID_HANDLE_VALUE;
    Opened opened = OpenForWriting(index, path, marked, marked ? nullptr : folders.Innermost(), &file);
    if (opened == Opened::kFolderGone) {
        // Looked up, checked and made again, as any missing folder is.
        folders.LetGoFrom(0);
        if (!folders.Enter(path)) return kExtractCreateFailed;
        opened = OpenForWriting(index, path, marked, folders.Innermost(), &file);
    }
    switch (opened) {
    case Opened::kPassOver:
        progress.done += fileChunkCounts[index];
        return 0;
    case Opened::kRefused:
    case Opened::kFolderGone:
        return kExtractCreateFailed;
    case Opened::kFile:
        break;
    }
    return WriteChunks(index, file, work, progress);
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
    {
        FolderChain folders;
        for (int32_t i = 0; i < fileCount && result == kExtractDone; ++i) {
            int fileResult = ExtractFile(i, work, progress, folders);
            if (fileResult != 0) result = fileResult;
        }
    }
    std::free(work);
    if (result != kExtractDone) return result;

    if (callback) {
        (void)callback(window, "", 100);
        (void)callback(window, "Done", ProgressPercent(progress.done, progress.total));
    }
    return kExtractDone;
}
