#include "payload/written_files.h"

#include <cstdlib>
#include <cstring>

#include "payload/payload_memory.h"

namespace {

// One byte a file; lives from one extraction to the next (or the process end)
// so that removal can still read it.
unsigned char* writtenFiles = nullptr;
int32_t recordedFileCount = 0;

bool InRecord(int32_t index) { return writtenFiles != nullptr && index >= 0 && index < recordedFileCount; }

}  // namespace

bool StartWrittenFilesRecord(int32_t count) {
    std::free(writtenFiles);
    writtenFiles = nullptr;
    recordedFileCount = 0;
    if (count <= 0) return true;
    writtenFiles = static_cast<unsigned char*>(payloadAllocate(static_cast<size_t>(count)));
    if (!writtenFiles) return false;
    std::memset(writtenFiles, 0, static_cast<size_t>(count));
    recordedFileCount = count;
    return true;
}

void MarkFileWritten(int32_t index) {
    if (InRecord(index)) writtenFiles[index] = 1;
}

void ForgetWrittenFile(int32_t index) {
    if (InRecord(index)) writtenFiles[index] = 0;
}

bool WasFileWritten(int32_t index) { return InRecord(index) && writtenFiles[index] != 0; }
