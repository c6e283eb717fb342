// The checksum that seals an installer's data: the generator records it and
// the installer takes it again before writing anything. It reads the bytes
// four at a time (a Fletcher sum of 32-bit words, least significant byte
// first, in 64-bit accumulators), several times faster than Adler-32's byte
// at a time. Like Adler-32 it is changed by a flipped bit, two words swapped
// or a stream cut short, but for one chance in 2^32; it protects against
// damage, not against an attacker.
// Bytes may come in pieces of any size: the value depends only on the whole
// stream.
#pragma once

#include <cstddef>
#include <cstdint>

class BlobSum {
public:
    void Add(const void* bytes, size_t count);
    // Adds `number` as 4 bytes, least significant first.
    void AddNumber(uint32_t number);
    uint32_t Value() const;

private:
    void AddWords(const unsigned char* bytes, size_t words);

    uint64_t low_ = 1;
    uint64_t high_ = 0;
    uint64_t length_ = 0;
    unsigned char pending_[4] = {};
    size_t pendingBytes_ = 0;
};
