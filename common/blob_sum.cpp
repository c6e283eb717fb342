#include "common/blob_sum.h"

#include <cstring>

namespace {

inline uint32_t WordAt(const unsigned char* bytes) {
#if defined(__BYTE_ORDER__) && __BYTE_ORDER__ == __ORDER_LITTLE_ENDIAN__
    uint32_t word;
    std::memcpy(&word, bytes, sizeof word);
    return word;
#else
    return static_cast<uint32_t>(bytes[0]) | static_cast<uint32_t>(bytes[1]) << 8 |
           static_cast<uint32_t>(bytes[2]) << 16 | static_cast<uint32_t>(bytes[3]) << 24;
#endif
}

}  // namespace

void BlobSum::AddWords(const unsigned char* bytes, size_t words) {
    uint64_t low = low_, high = high_;
    // Four words a turn: high gains low four times over, plus each word by
    // how many of the four additions follow it.
    for (; words >= 4; words -= 4, bytes += 16) {
        const uint64_t w0 = WordAt(bytes), w1 = WordAt(bytes + 4), w2 = WordAt(bytes + 8), w3 = WordAt(bytes + 12);
        high += 4 * low + 4 * w0 + 3 * w1 + 2 * w2 + w3;
        low += w0 + w1 + w2 + w3;
    }
    for (; words > 0; --words, bytes += 4) {
        low += WordAt(bytes);
        high += low;
    }
    low_ = low;
    high_ = high;
}

void BlobSum::Add(const void* data, size_t count) {
    const unsigned char* bytes = static_cast<const unsigned char*>(data);
    length_ += count;
    if (pendingBytes_ > 0) {
        size_t taken = count < 4 - pendingBytes_ ? count : 4 - pendingBytes_;
        std::memcpy(pending_ + pendingBytes_, bytes, taken);
        pendingBytes_ += taken;
        bytes += taken;
        count -= taken;
        if (pendingBytes_ < 4) return;
        AddWords(pending_, 1);
        pendingBytes_ = 0;
    }
    AddWords(bytes, count / 4);
    pendingBytes_ = count % 4;
    std::memcpy(pending_, bytes + count - pendingBytes_, pendingBytes_);
}

void BlobSum::AddNumber(uint32_t number) {
    const unsigned char bytes[4] = {static_cast<unsigned char>(number), static_cast<unsigned char>(number >> 8),
                                    static_cast<unsigned char>(number >> 16),
                                    static_cast<unsigned char>(number >> 24)};
    Add(bytes, sizeof bytes);
}

uint32_t BlobSum::Value() const {
    // The last bytes of a stream whose length is no multiple of four count
    // as a word padded with zeros; the length itself tells such a stream from
    // one that really ends in zeros.
    BlobSum last = *this;
    if (last.pendingBytes_ > 0) {
        std::memset(last.pending_ + last.pendingBytes_, 0, 4 - last.pendingBytes_);
        last.AddWords(last.pending_, 1);
    }
    const uint64_t mixed = last.low_ ^ (last.high_ * 0x9E3779B97F4A7C15ull) ^ (length_ * 0xC2B2AE3D27D4EB4Full);
    return static_cast<uint32_t>(mixed ^ (mixed >> 32));
}
