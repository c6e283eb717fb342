#include "chunk_store.h"

#include <cstring>
#include <functional>
#include <string_view>


bool ChunkStore::Place(const unsigned char* chunk, size_t size, uint64_t& offset, std::string& error) {
    size_t hash = std::hash<std::string_view>()(std::string_view(reinterpret_cast<const char*>(chunk), size));
    std::vector<std::pair<uint64_t, size_t>>& candidates = stored_[hash];
    for (const auto& [storedOffset, storedSize] : candidates) {
        if (storedSize != size) continue;
        readBack_.resize(size);
        if (!blob_.ReadAt(storedOffset, readBack_.data(), size, error)) return false;
        if (std::memcmp(readBack_.data(), chunk, size) == 0) {
            offset = storedOffset;
            return true;
        }
    }
    if (!blob_.Write(chunk, size, error)) return false;
    offset = written_;
    candidates.emplace_back(written_, size);
    written_ += size;
    checksum_.Add(chunk, size);
    return true;
}
