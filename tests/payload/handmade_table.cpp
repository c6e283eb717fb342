#include "tests/payload/handmade_table.h"

#include <zlib.h>

#include <string>

#include "product/product_data.h"

namespace handmade {
namespace {

constexpr int kBigChunks = 100;

const unsigned char* firstChunks[1];
const unsigned char* nestedChunks[2];
const unsigned char* helperChunks[1];
const unsigned char* upperChunks[1];
const unsigned char* mixedChunks[1];
const unsigned char* bigChunks[kBigChunks];
const unsigned char* brokenChunks[2];
const unsigned char* afterChunks[1];
uint32_t firstSizes[1], nestedSizes[2], helperSizes[1], upperSizes[1], mixedSizes[1], bigSizes[kBigChunks],
    brokenSizes[2], afterSizes[1];

const unsigned char** const chunkLists[kFileCount] = {firstChunks, nestedChunks, helperChunks, upperChunks,
                                                      mixedChunks, nullptr,      bigChunks,    brokenChunks,
                                                      afterChunks};
uint32_t* const sizeLists[kFileCount] = {firstSizes, nestedSizes, helperSizes, upperSizes, mixedSizes,
                                         nullptr,    bigSizes,    brokenSizes, afterSizes};

std::vector<unsigned char> contents[kFileCount];
std::vector<std::vector<unsigned char>> compressed;  // every chunk, kept alive
std::vector<unsigned char> intactBrokenChunk;

std::vector<unsigned char> Text(const std::string& text) { return std::vector<unsigned char>(text.begin(), text.end()); }

std::vector<unsigned char> Pattern(size_t size, uint32_t seed) {
    std::vector<unsigned char> bytes(size);
    uint32_t state = seed;
    for (unsigned char& byte : bytes) {
        state = state * 1664525u + 1013904223u;
        byte = static_cast<unsigned char>(state >> 24);
    }
    return bytes;
}

std::vector<unsigned char> Compress(const unsigned char* data, size_t size) {
    uLongf length = compressBound(size);
    std::vector<unsigned char> out(length);
    if (compress2(out.data(), &length, data, size, Z_DEFAULT_COMPRESSION) != Z_OK) return {};
    out.resize(length);
    return out;
}

}  // namespace

void BuildTable() {
    if (!compressed.empty()) return;
    contents[kFirst] = Text("the first file\r\n");
    contents[kNested] = Pattern(30100, 7);
    contents[kHelperDll] = Text("a library in use is left alone");
    contents[kUpperDll] = Text("A LIBRARY IN CAPITALS");
    contents[kMixedDll] = Text("neither spelling of the library rule");
    contents[kBig] = Pattern(kBigChunks * kChunkRawBytes, 11);
    contents[kBroken] = Pattern(30000 + 500, 13);
    contents[kAfter] = Text("the last file of the table");
    compressed.reserve(120);
    for (int file = 0; file < kFileCount; ++file) {
        const std::vector<unsigned char>& bytes = contents[file];
        for (size_t offset = 0, chunk = 0; offset < bytes.size(); offset += kChunkRawBytes, ++chunk) {
            size_t piece = bytes.size() - offset < kChunkRawBytes ? bytes.size() - offset : kChunkRawBytes;
            compressed.push_back(Compress(bytes.data() + offset, piece));
            chunkLists[file][chunk] = compressed.back().data();
            sizeLists[file][chunk] = static_cast<uint32_t>(compressed.back().size());
        }
    }
    intactBrokenChunk = compressed[compressed.size() - 2];
}

const std::vector<unsigned char>& Contents(int index) { return contents[index]; }

void DamageBrokenChunk(Damage damage) {
    std::vector<unsigned char>& chunk = compressed[compressed.size() - 2];
    chunk = intactBrokenChunk;
    brokenChunks[1] = chunk.data();
    brokenSizes[1] = static_cast<uint32_t>(chunk.size());
    if (damage == Damage::kChecksum) {
        // The data inflates in full; only the Adler-32 trailer disagrees.
        chunk.back() ^= 0x5A;
    } else if (damage == Damage::kTruncated) {
        brokenSizes[1] = static_cast<uint32_t>(chunk.size() / 2);
    }
}

}  // namespace handmade

// The table that extraction reads, in the generated layout.
const int32_t fileCount = handmade::kFileCount;
const unsigned char* const* const fileChunks[] = {
    handmade::firstChunks, handmade::nestedChunks, handmade::helperChunks, handmade::upperChunks,
    handmade::mixedChunks, nullptr,                handmade::bigChunks,    handmade::brokenChunks,
    handmade::afterChunks};
const uint32_t* const fileChunkSizes[] = {
    handmade::firstSizes, handmade::nestedSizes, handmade::helperSizes, handmade::upperSizes,
    handmade::mixedSizes, nullptr,               handmade::bigSizes,    handmade::brokenSizes,
    handmade::afterSizes};
const char* const fileNames[] = {"first.txt", "sub/dir/nested.txt", "helper.dll", "UPPER.DLL", "mixed.Dll",
                                 "empty.txt", "big.bin",            "broken.txt", "after.txt"};
const int32_t fileChunkCounts[] = {1, 2, 1, 1, 1, 0, 100, 2, 1};
const int32_t fileTimes[] = {1000000000, 1000000100, 1000000200, 1000000300, 1000000400,
                             1000000500, 1000000600, 1000000700, 1000000800};
const uint32_t payloadTotalBytes = 0;
