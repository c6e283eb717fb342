// Cuts a file into 30000-byte pieces and compresses each with zlib (RFC 1950).
#pragma once

#include <cstdint>
#include <string>
#include <vector>

struct CompressedFile {
    std::vector<std::vector<unsigned char>> chunks;
    uint64_t rawSize = 0;
};

// Reads `path` and compresses it piece by piece. False with `error` set when
// the file cannot be read or a piece cannot be compressed.
bool CompressFileInChunks(const std::string& path, CompressedFile& out, std::string& error);
