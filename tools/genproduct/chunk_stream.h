// Cuts files into 30000-byte pieces, compresses the pieces on several threads
// and hands the chunks on in file and piece order. Memory is bounded by a
// window of pieces in flight, whatever the size of the files.
#pragma once

#include <cstddef>
#include <functional>
#include <string>
#include <vector>

// Receives one chunk: the file's number, the zlib stream and how many bytes of
// the file it holds. Returns false with `error` set to stop the stream.
using ChunkSink =
    std::function<bool(size_t file, const unsigned char* chunk, size_t size, size_t rawSize, std::string& error)>;

struct ChunkStreamFailure {
    static constexpr size_t kNoFile = static_cast<size_t>(-1);
    size_t file = kNoFile;  // the file that could not be read or compressed; kNoFile when the sink refused
    std::string error;
};

// Reads `paths` in order and gives `sink` every chunk of every file in order
// (none for an empty file). `threads` compress at most `window` pieces at a
// time; 0 for either picks one thread per core and a window to match.
bool StreamChunks(const std::vector<std::string>& paths, const ChunkSink& sink, ChunkStreamFailure& failure,
                  unsigned threads = 0, size_t window = 0);
