// Compresses one piece of a file into one complete zlib stream (RFC 1950)
// that the installer inflates with zlib's `uncompress`.
#pragma once

#include <cstddef>
#include <vector>

struct libdeflate_compressor;

class PieceCompressor {
public:
    PieceCompressor();
    ~PieceCompressor();
    PieceCompressor(const PieceCompressor&) = delete;
    PieceCompressor& operator=(const PieceCompressor&) = delete;

    // False when the compressor could not be allocated.
    bool ok() const { return compressor_ != nullptr && shortCompressor_ != nullptr; }

    // The most bytes Compress writes for a piece of `rawSize` bytes.
    size_t Bound(size_t rawSize) const;

    // Writes the stream for `raw` to `out` (at least Bound(rawSize) bytes) and
    // returns its length, or 0 if it could not be made.
    size_t Compress(const unsigned char* raw, size_t rawSize, unsigned char* out, size_t capacity);

private:
    libdeflate_compressor* compressor_;
    libdeflate_compressor* shortCompressor_;  // for pieces of a few kilobytes
};
