// The compressed chunks as a COFF object file for the installer's link. The
// bytes are cut into sections of at most kPieceBytes, all named .payload, which
// the linker places one after the other in the order they come (the installer's
// link keeps them and puts them last: cmake/payload_last.ld); payloadBlob marks
// the first byte. The linker and everything before it handle one piece at a
// time, so the build's memory does not grow with the payload, where a single
// section of hundreds of megabytes is held whole by the assembler and again by
// the linker.
// The blob bytes lie in the file from kDataOffset on, without gaps, so a host
// build can take them with .incbin as they are. One zero byte follows them.
#pragma once

#include <cstddef>
#include <cstdint>
#include <string>

#include "atomic_file.h"

enum class ObjectMachine { kI386, kAmd64 };

// "i686" or "x86_64"; false for anything else.
bool ParseObjectMachine(const std::string& text, ObjectMachine& machine);

class BlobObject {
public:
    static constexpr uint64_t kPieceBytes = 16u << 20;
    // Room for the file header and one section header per piece of a 4 GB blob.
    static constexpr uint32_t kMaxSections = 257;
    static constexpr uint64_t kDataOffset = (20 + 40 * kMaxSections + 15) / 16 * 16;

    // Pieces smaller than kPieceBytes let a test product of a few kilobytes
    // come in many pieces, as a large one does.
    explicit BlobObject(uint64_t pieceBytes = kPieceBytes) : pieceBytes_(pieceBytes) {}

    bool Open(const std::string& path, ObjectMachine machine, std::string& error);
    // Adds bytes at the end of the blob.
    bool Write(const void* data, size_t size, std::string& error);
    // Reads back `size` bytes of the blob written before at `offset`.
    bool ReadAt(uint64_t offset, void* data, size_t size, std::string& error);
    // Adds the zero byte, the symbol and the headers, and renames the file
    // into place.
    bool Commit(std::string& error);

private:
    AtomicFile file_;
    uint64_t pieceBytes_;
    ObjectMachine machine_ = ObjectMachine::kI386;
    uint64_t written_ = 0;
};
