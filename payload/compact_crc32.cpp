// zlib's inflate refers to crc32 for gzip streams. The installer inflates only
// zlib streams (uncompress), which carry an Adler-32 check, so the
// table-driven crc32 of the zlib library (7.9 KB of tables and unrolled code)
// would ride along unused in every installer. Linked into the installer as an
// object, this bit-at-a-time CRC-32 with zlib's signature takes its place:
// the same results (the reflected polynomial 0xEDB88320, as zlib computes
// it), in a few dozen bytes.
#include <zlib.h>

#include <cstdint>

extern "C" uLong ZEXPORT crc32(uLong crc, const Bytef* buf, uInt len) {
    if (buf == Z_NULL) return 0;
    uint32_t value = ~static_cast<uint32_t>(crc);
    while (len-- > 0) {
        value ^= *buf++;
        for (int bit = 0; bit < 8; ++bit) value = (value >> 1) ^ (0xEDB88320u & (0u - (value & 1u)));
    }
    return ~value;
}
