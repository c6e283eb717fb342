#include "blob_object.h"

#include <vector>

namespace {

constexpr uint16_t kMachineI386 = 0x14c;
constexpr uint16_t kMachineAmd64 = 0x8664;
// Initialised, read-only data; the first piece aligned to 4 bytes, the others
// to 1, so no padding falls between pieces.
constexpr uint32_t kDataSection = 0x00000040u | 0x40000000u;
constexpr uint32_t kAlign4 = 0x00300000u;
constexpr uint32_t kAlign1 = 0x00100000u;
constexpr uint8_t kExternalSymbol = 2;

void Put16(std::vector<unsigned char>& out, uint16_t value) {
    out.push_back(static_cast<unsigned char>(value));
    out.push_back(static_cast<unsigned char>(value >> 8));
}

void Put32(std::vector<unsigned char>& out, uint32_t value) {
    for (int shift = 0; shift < 32; shift += 8) out.push_back(static_cast<unsigned char>(value >> shift));
}

}  // namespace

bool ParseObjectMachine(const std::string& text, ObjectMachine& machine) {
    if (text == "i686") machine = ObjectMachine::kI386;
    else if (text == "x86_64") machine = ObjectMachine::kAmd64;
    else return false;
    return true;
}

bool BlobObject::Open(const std::string& path, ObjectMachine machine, std::string& error) {
    machine_ = machine;
    written_ = 0;
    const std::vector<unsigned char> headerRoom(kDataOffset, 0);
    return file_.Open(path, error) && file_.Write(headerRoom.data(), headerRoom.size(), error);
}

bool BlobObject::Write(const void* data, size_t size, std::string& error) {
    if (!file_.Write(data, size, error)) return false;
    written_ += size;
    return true;
}

bool BlobObject::ReadAt(uint64_t offset, void* data, size_t size, std::string& error) {
    return file_.ReadAt(kDataOffset + offset, data, size, error);
}

bool BlobObject::Commit(std::string& error) {
    const unsigned char zero = 0;
    if (!file_.Write(&zero, 1, error)) return false;
    const uint64_t bytes = written_ + 1;
    // The zero byte never makes a piece of its own.
    const uint64_t sections = written_ == 0 ? 1 : (written_ + pieceBytes_ - 1) / pieceBytes_;
    if (sections > kMaxSections || kDataOffset + bytes > UINT32_MAX) {
        error = "the compressed payload does not fit in " + std::to_string(kMaxSections) + " pieces of " +
                std::to_string(pieceBytes_) + " bytes";
        return false;
    }
    const uint32_t symbolTable = static_cast<uint32_t>(kDataOffset + bytes);

    std::vector<unsigned char> header;
    Put16(header, machine_ == ObjectMachine::kAmd64 ? kMachineAmd64 : kMachineI386);
    Put16(header, static_cast<uint16_t>(sections));
    Put32(header, 0);  // no time stamp: the same blob gives the same object
    Put32(header, symbolTable);
    Put32(header, 1);
    Put16(header, 0);
    Put16(header, 0);
    for (uint64_t k = 0; k < sections; ++k) {
        const uint64_t start = k * pieceBytes_;
        const uint64_t size = k + 1 == sections ? bytes - start : pieceBytes_;
        const char name[8] = {'.', 'p', 'a', 'y', 'l', 'o', 'a', 'd'};
        header.insert(header.end(), name, name + 8);
        Put32(header, 0);
        Put32(header, 0);
        Put32(header, static_cast<uint32_t>(size));
        Put32(header, static_cast<uint32_t>(kDataOffset + start));
        Put32(header, 0);
        Put32(header, 0);
        Put16(header, 0);
        Put16(header, 0);
        Put32(header, kDataSection | (k == 0 ? kAlign4 : kAlign1));
    }

    // payloadBlob at the start of the first piece; i386 names carry an underscore.
    const std::string symbol = machine_ == ObjectMachine::kAmd64 ? "payloadBlob" : "_payloadBlob";
    std::vector<unsigned char> symbols;
    Put32(symbols, 0);  // the name is in the string table...
    Put32(symbols, 4);  // ...right after its length
    Put32(symbols, 0);
    Put16(symbols, 1);
    Put16(symbols, 0);
    symbols.push_back(kExternalSymbol);
    symbols.push_back(0);
    Put32(symbols, static_cast<uint32_t>(4 + symbol.size() + 1));
    symbols.insert(symbols.end(), symbol.begin(), symbol.end());
    symbols.push_back(0);

    return file_.Write(symbols.data(), symbols.size(), error) &&
           file_.WriteAt(0, header.data(), header.size(), error) && file_.Commit(error);
}
