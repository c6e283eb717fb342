#include "payload/written_files.h"

#include <cstdlib>
#include <cstring>

#include "payload/payload_memory.h"

namespace {

// One byte and one kept name a file; lives from one extraction to the next
// (or the process end) so that the clean-up can still read it.
unsigned char* fates = nullptr;
uint64_t* keptBits = nullptr;
int32_t recordedFileCount = 0;

bool InRecord(int32_t index) { return fates != nullptr && index >= 0 && index < recordedFileCount; }

}  // namespace

bool StartWrittenFilesRecord(int32_t count) {
    std::free(fates);
    std::free(keptBits);
    fates = nullptr;
    keptBits = nullptr;
    recordedFileCount = 0;
    if (count <= 0) return true;
    fates = static_cast<unsigned char*>(payloadAllocate(static_cast<size_t>(count)));
    keptBits = static_cast<uint64_t*>(payloadAllocate(static_cast<size_t>(count) * sizeof(uint64_t)));
    if (!fates || !keptBits) {
        std::free(fates);
        std::free(keptBits);
        fates = nullptr;
        keptBits = nullptr;
        return false;
    }
    std::memset(fates, 0, static_cast<size_t>(count));
    recordedFileCount = count;
    return true;
}

void RecordCreated(int32_t index) {
    if (InRecord(index)) fates[index] = static_cast<unsigned char>(FileFate::kCreated);
}

void RecordReplaced(int32_t index, uint64_t bits) {
    if (!InRecord(index)) return;
    fates[index] = static_cast<unsigned char>(FileFate::kReplaced);
    keptBits[index] = bits;
}

void ForgetWrittenFile(int32_t index) {
    if (InRecord(index)) fates[index] = static_cast<unsigned char>(FileFate::kUntouched);
}

FileFate FateOf(int32_t index) { return InRecord(index) ? static_cast<FileFate>(fates[index]) : FileFate::kUntouched; }

uint64_t KeptBitsOf(int32_t index) { return InRecord(index) ? keptBits[index] : 0; }
