// Places chunks in the blob. A chunk whose bytes are in the blob already (an
// identical piece of another file, or of the same file) is not written again:
// its table entry points at the stored bytes. Pieces compress the same way
// every time, so identical pieces give identical chunks; a match is confirmed
// byte for byte against the blob before it is shared.
#pragma once

#include <cstddef>
#include <cstdint>
#include <string>
#include <unordered_map>
#include <utility>
#include <vector>

#include "common/blob_sum.h"
#include "blob_object.h"

class ChunkStore {
public:
    explicit ChunkStore(BlobObject& blob) : blob_(blob) {}

    // The offset of `chunk` in the blob, writing it first when its bytes are
    // not there yet.
    bool Place(const unsigned char* chunk, size_t size, uint64_t& offset, std::string& error);
    // Bytes in the blob so far.
    uint64_t Written() const { return written_; }

    // The blob so far: its length and the sum of its bytes.
    uint64_t BlobBytes() const { return written_; }
    const BlobSum& BlobChecksum() const { return checksum_; }

private:
    BlobObject& blob_;
    uint64_t written_ = 0;
    BlobSum checksum_;
    // Hash of a chunk's bytes -> the offsets and sizes of the chunks stored
    // with that hash.
    std::unordered_map<size_t, std::vector<std::pair<uint64_t, size_t>>> stored_;
    std::vector<unsigned char> readBack_;
};
