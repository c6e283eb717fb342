// A damaged download is found before anything is written: the whole payload
// is read once, in order, through the sum of common/blob_sum.h, and compared
// with the sum the generator recorded. A damaged size
// or count must not send the check itself out of the table, so the seal's
// numbers are checked first and every pointer and count is held to the
// layout before it is followed.
#include "payload/payload_seal.h"

#include <cstdint>
#include <cstring>
#include <initializer_list>

#include "common/blob_sum.h"
#include "product/product_data.h"

namespace {

bool SealIsIntact(const PayloadSeal& seal) {
    BlobSum sum;
    for (uint32_t number : {seal.fileCount, seal.chunkCount, seal.nameBytes, seal.blobBytes, seal.checksum})
        sum.AddNumber(number);
    return sum.Value() == seal.sealChecksum && fileCount >= 0 && seal.fileCount == static_cast<uint32_t>(fileCount);
}

// Adds every chunk's offset and size; false when one lies outside the blob.
bool AddChunks(const PayloadSeal& seal, BlobSum& sum) {
    const uintptr_t blob = reinterpret_cast<uintptr_t>(payloadBlob);
    for (uint32_t k = 0; k < seal.chunkCount; ++k) {
        const uintptr_t chunk = reinterpret_cast<uintptr_t>(payloadChunks[k]);
        const uint32_t size = payloadChunkSizes[k];
        if (chunk < blob || chunk - blob > seal.blobBytes || size > seal.blobBytes - (chunk - blob)) return false;
        sum.AddNumber(static_cast<uint32_t>(chunk - blob));
        sum.AddNumber(size);
    }
    return true;
}

// Adds every file's count and time; false when a file's pointers are not at
// its place in the flat arrays or its counts and names overrun them.
bool AddFiles(const PayloadSeal& seal, BlobSum& sum) {
    uint32_t chunk = 0, name = 0;
    for (int32_t i = 0; i < fileCount; ++i) {
        const int32_t count = fileChunkCounts[i];
        if (count < 0 || static_cast<uint32_t>(count) > seal.chunkCount - chunk) return false;
        if (fileChunks[i] != payloadChunks + chunk || fileChunkSizes[i] != payloadChunkSizes + chunk) return false;
        if (name >= seal.nameBytes || fileNames[i] != payloadNames + name) return false;
        const void* end = std::memchr(payloadNames + name, '\0', seal.nameBytes - name);
        if (!end) return false;
        name = static_cast<uint32_t>(static_cast<const char*>(end) - payloadNames) + 1;
        chunk += static_cast<uint32_t>(count);
        sum.AddNumber(static_cast<uint32_t>(count));
        sum.AddNumber(static_cast<uint32_t>(fileTimes[i]));
    }
    return chunk == seal.chunkCount && name == seal.nameBytes;
}

}  // namespace

bool AddBlobFromMemory(const unsigned char* blob, uint32_t bytes, BlobSum& sum) {
    sum.Add(blob, bytes);
    return true;
}

bool PayloadMatchesSeal(BlobReader addBlob) {
    const PayloadSeal& seal = payloadSeal;
    if (!SealIsIntact(seal)) return false;
    BlobSum sum;
    if (!addBlob(payloadBlob, seal.blobBytes, sum)) return false;
    sum.Add(payloadNames, seal.nameBytes);
    if (!AddChunks(seal, sum) || !AddFiles(seal, sum)) return false;
    return sum.Value() == seal.checksum;
}
