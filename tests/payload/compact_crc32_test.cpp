// The installer's own crc32, which stands in for the zlib library's, must
// give zlib's results: the check value of the standard, the same answers when
// a buffer is fed in pieces, and agreement with the system's own CRC-32
// (ntdll's RtlComputeCrc32) over buffers of many lengths and contents.
#include <gtest/gtest.h>
#include <windows.h>
#include <zlib.h>

#include <cstdint>
#include <vector>

namespace {

typedef DWORD(WINAPI* ComputeCrc32Function)(DWORD initial, const BYTE* data, INT length);

TEST(CompactCrc32, GivesZlibsResults) {
    const Bytef kCheckInput[] = "123456789";
    EXPECT_EQ(0xCBF43926u, crc32(0, kCheckInput, 9)) << "the standard's check value";
    EXPECT_EQ(0u, crc32(0, Z_NULL, 0)) << "zlib's initial value";
    EXPECT_EQ(crc32(0, kCheckInput, 9), crc32(crc32(0, kCheckInput, 4), kCheckInput + 4, 5)) << "in two pieces";

    auto systemCrc = reinterpret_cast<ComputeCrc32Function>(
        GetProcAddress(GetModuleHandleA("ntdll.dll"), "RtlComputeCrc32"));
    ASSERT_NE(nullptr, systemCrc);
    uint32_t seed = 12345;
    for (int length : {1, 2, 3, 7, 8, 255, 256, 1000, 30000}) {
        std::vector<Bytef> data(length);
        for (Bytef& byte : data) {
            seed = seed * 1103515245u + 12345u;
            byte = static_cast<Bytef>(seed >> 16);
        }
        EXPECT_EQ(systemCrc(0, data.data(), length), crc32(0, data.data(), length)) << length << " bytes";
        EXPECT_EQ(systemCrc(0x12345678, data.data(), length), crc32(0x12345678, data.data(), length))
            << length << " bytes after a running value";
    }
}

}  // namespace
