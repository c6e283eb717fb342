// The installer's check of its data, run against a table that the generator
// wrote (tests/host/seal_product): the two agree on an intact table, which
// still reads back as the files it was made from, and any one damaged byte,
// in the chunks, the names, the numbers or the pointers, is found.
#include <gtest/gtest.h>

#include <sys/mman.h>
#include <unistd.h>

#include <algorithm>
#include <cstdint>
#include <fstream>
#include <iterator>
#include <string>

#include <zlib.h>

#include "common/blob_sum.h"
#include "payload/payload_seal.h"
#include "product/product_data.h"

namespace {

std::string ReadSource(const std::string& path) {
    std::ifstream stream(path, std::ios::binary);
    return std::string((std::istreambuf_iterator<char>(stream)), std::istreambuf_iterator<char>());
}

std::string Inflated(int32_t file) {
    std::string bytes;
    for (int32_t c = 0; c < fileChunkCounts[file]; ++c) {
        std::string piece(kWorkBufferBytes, '\0');
        uLongf length = kWorkBufferBytes;
        if (uncompress(reinterpret_cast<Bytef*>(&piece[0]), &length, fileChunks[file][c],
                       fileChunkSizes[file][c]) != Z_OK)
            return "(chunk " + std::to_string(c) + " does not inflate)";
        bytes.append(piece, 0, length);
    }
    return bytes;
}

TEST(PayloadSeal, AGeneratedTableIsIntactAndReadsBackAsItsFiles) {
    EXPECT_TRUE(PayloadMatchesSeal(AddBlobFromMemory));
    struct Expected {
        const char* name;
        std::string source;
        int32_t time;
    };
    const Expected expected[] = {
        {"big.txt", std::string(SEAL_SOURCES) + "/big.txt", 1094739338},
        {"empty.txt", std::string(SEAL_SOURCES) + "/empty.txt", 946684799},
        {"docs\\manual.htm", std::string(VARNLET_FILES_DIR) + "/manual.htm", 1094737779},
        {"docs\\copy of big.txt", std::string(SEAL_SOURCES) + "/big.txt", 1094739339},
        {"rtuninst.exe", std::string(VARNLET_FILES_DIR) + "/sample1.jpg", 1077308690},
    };
    ASSERT_EQ(5, fileCount);
    for (int32_t i = 0; i < fileCount; ++i) {
        SCOPED_TRACE(expected[i].name);
        EXPECT_STREQ(expected[i].name, fileNames[i]);
        EXPECT_EQ(expected[i].time, fileTimes[i]);
        std::string source = ReadSource(expected[i].source);
        EXPECT_EQ((source.size() + kChunkRawBytes - 1) / kChunkRawBytes, static_cast<size_t>(fileChunkCounts[i]));
        EXPECT_TRUE(Inflated(i) == source);
    }
    EXPECT_GT(fileChunkCounts[0], 2) << "the big file should need several chunks";
    EXPECT_EQ(fileChunks[0][0], fileChunks[3][0]) << "the copy shares the first file's chunks";
}

// Flips one byte of the table where the test says, for the life of the object.
// The generated data is read-only once loaded; the page is opened for the flip.
class FlippedByte {
public:
    explicit FlippedByte(const void* address) : byte_(const_cast<unsigned char*>(static_cast<const unsigned char*>(address))) {
        Flip();
    }
    ~FlippedByte() { Flip(); }

private:
    void Flip() {
        const uintptr_t page = static_cast<uintptr_t>(sysconf(_SC_PAGESIZE));
        void* start = reinterpret_cast<void*>(reinterpret_cast<uintptr_t>(byte_) & ~(page - 1));
        ASSERT_EQ(0, mprotect(start, page, PROT_READ | PROT_WRITE));
        *byte_ ^= 0x20;
    }
    unsigned char* byte_;
};

TEST(PayloadSeal, OneDamagedByteAnywhereIsFound) {
    struct Place {
        const char* what;
        const void* address;
    };
    const Place places[] = {
        {"the first byte of the blob", payloadBlob},
        {"a byte in the middle of the blob", payloadBlob + payloadSeal.blobBytes / 2},
        {"the last byte of the blob", payloadBlob + payloadSeal.blobBytes - 1},
        {"a name", fileNames[2] + 3},
        {"a name's terminator", fileNames[0] + 7},
        {"a chunk count", &fileChunkCounts[2]},
        {"a time", &fileTimes[1]},
        {"a chunk size", &payloadChunkSizes[1]},
        {"a chunk pointer", reinterpret_cast<const unsigned char*>(&payloadChunks[1]) + 1},
        {"a file's chunk list", reinterpret_cast<const unsigned char*>(&fileChunks[2])},
        {"a file's name pointer", reinterpret_cast<const unsigned char*>(&fileNames[3])},
        {"the file count", &fileCount},
        {"the seal's blob size", &payloadSeal.blobBytes},
        {"the seal's checksum", &payloadSeal.checksum},
    };
    ASSERT_TRUE(PayloadMatchesSeal(AddBlobFromMemory));
    for (const Place& place : places) {
        SCOPED_TRACE(place.what);
        {
            FlippedByte flipped(place.address);
            EXPECT_FALSE(PayloadMatchesSeal(AddBlobFromMemory));
        }
        EXPECT_TRUE(PayloadMatchesSeal(AddBlobFromMemory));
    }
}

// The generator adds the blob chunk by chunk, the installer in one go: the
// sum is the same however the bytes are cut, and it moves with any one bit,
// two words trading places, or a stream shortened by its zero last byte.
TEST(PayloadSeal, TheSumDependsOnTheBytesNotOnHowTheyArrive) {
    std::string bytes;
    for (int i = 0; i < 1001; ++i) bytes += static_cast<char>(i * 37 + (i >> 3));
    bytes += '\0';
    auto sumOf = [](const std::string& text) {
        BlobSum sum;
        sum.Add(text.data(), text.size());
        return sum.Value();
    };
    const uint32_t whole = sumOf(bytes);
    for (size_t piece : {1u, 3u, 4u, 5u, 17u, 64u, 1000u}) {
        BlobSum sum;
        for (size_t at = 0; at < bytes.size(); at += piece) sum.Add(bytes.data() + at, std::min(piece, bytes.size() - at));
        EXPECT_EQ(whole, sum.Value()) << "in pieces of " << piece;
    }
    BlobSum numbers;
    numbers.Add(bytes.data(), 2);
    numbers.AddNumber(0x04030201u);
    EXPECT_EQ(sumOf(bytes.substr(0, 2) + "\x01\x02\x03\x04"), numbers.Value()) << "a number is 4 bytes, low first";

    for (size_t at : {size_t{0}, size_t{1}, size_t{500}, bytes.size() - 1}) {
        for (int bit = 0; bit < 8; ++bit) {
            std::string flipped = bytes;
            flipped[at] = static_cast<char>(flipped[at] ^ (1 << bit));
            EXPECT_NE(whole, sumOf(flipped)) << "bit " << bit << " of byte " << at;
        }
    }
    std::string swapped = bytes;
    std::swap_ranges(swapped.begin() + 8, swapped.begin() + 12, swapped.begin() + 12);
    EXPECT_NE(whole, sumOf(swapped)) << "two words swapped";
    EXPECT_NE(whole, sumOf(bytes.substr(0, bytes.size() - 1))) << "the last (zero) byte cut off";
}

}  // namespace
