// The installer's check of its data reads the blob from the installer's own
// file with ReadFile, not through the loaded image. Summing the mapped image
// makes the system fault in every one of its pages first, and for a large
// installer that costs several times the sum itself; a sequential read from
// the file cache costs about one copy. The extraction that follows faults in
// the pages it needs, as it would without the check.
//
// When the file cannot be found or opened (a system without the wide-character
// calls, a name that does not fit), the blob is read from memory instead: the
// check is as sound, only slower.
#include "payload/image_blob_reader.h"

#include "payload/payload_seal.h"

#include <algorithm>
#include <cstring>

#include "common/scoped.h"

namespace {

constexpr DWORD kReadBytes = 256 * 1024;
// Bytes at the start of each piece read that are also compared with the
// loaded image: the file read must be the one the program was started from,
// not another put in its place under the same name.
constexpr size_t kSampleBytes = 64;

// The module that `address` lies in, and the offset in that module's file of
// `bytes` bytes at `address`; false unless they lie within one section's
// bytes in the file.
bool FindInImageFile(const unsigned char* address, uint32_t bytes, HMODULE* module, uint32_t* offset) {
    MEMORY_BASIC_INFORMATION region;
    if (VirtualQuery(address, &region, sizeof region) != sizeof region || !region.AllocationBase) return false;
    const unsigned char* base = static_cast<const unsigned char*>(region.AllocationBase);
    const auto* dos = reinterpret_cast<const IMAGE_DOS_HEADER*>(base);
    if (dos->e_magic != IMAGE_DOS_SIGNATURE) return false;
    const auto* headers = reinterpret_cast<const IMAGE_NT_HEADERS*>(base + dos->e_lfanew);
    if (headers->Signature != IMAGE_NT_SIGNATURE) return false;
    const uintptr_t rva = static_cast<uintptr_t>(address - base);
    const IMAGE_SECTION_HEADER* section = IMAGE_FIRST_SECTION(headers);
    for (WORD k = 0; k < headers->FileHeader.NumberOfSections; ++k, ++section) {
        if (rva < section->VirtualAddress) continue;
        const uintptr_t into = rva - section->VirtualAddress;
        if (into > section->SizeOfRawData || bytes > section->SizeOfRawData - into) continue;
        *module = reinterpret_cast<HMODULE>(region.AllocationBase);
        *offset = section->PointerToRawData + static_cast<uint32_t>(into);
        return true;
    }
    return false;
}

// Opens the file `module` was loaded from, for reading only; others may read
// it too but not change it while it is read.
bool OpenImageFile(HMODULE module, ScopedHandle& file) {
    wchar_t name[1024];
    const DWORD length = GetModuleFileNameW(module, name, ARRAYSIZE(name));
    if (length == 0 || length >= ARRAYSIZE(name)) return false;
    file.Attach(CreateFileW(name, GENERIC_READ, FILE_SHARE_READ, nullptr, OPEN_EXISTING,
                            FILE_ATTRIBUTE_NORMAL | FILE_FLAG_SEQUENTIAL_SCAN, nullptr));
    return file.Valid();
}

unsigned char readBuffer[kReadBytes];

bool AddBlobFromImageFile(const unsigned char* blob, uint32_t bytes, BlobSum& sum) {
    HMODULE module = nullptr;
    uint32_t offset = 0;
    ScopedHandle file;
    if (!FindInImageFile(blob, bytes, &module, &offset) || !OpenImageFile(module, file))
        return AddBlobFromMemory(blob, bytes, sum);
    LONG high = 0;
    if (SetFilePointer(file.Get(), static_cast<LONG>(offset), &high, FILE_BEGIN) == INVALID_SET_FILE_POINTER &&
        GetLastError() != NO_ERROR)
        return AddBlobFromMemory(blob, bytes, sum);
    return AddBlobFromFile(file.Get(), blob, bytes, sum);
}

}  // namespace

bool AddBlobFromFile(HANDLE file, const unsigned char* blob, uint32_t bytes, BlobSum& sum) {
    uint32_t done = 0;
    while (done < bytes) {
        DWORD got = 0;
        if (!ReadFile(file, readBuffer, std::min<uint32_t>(kReadBytes, bytes - done), &got, nullptr) || got == 0)
            return false;
        if (std::memcmp(readBuffer, blob + done, std::min<size_t>(got, kSampleBytes)) != 0) return false;
        sum.Add(readBuffer, got);
        done += got;
    }
    return true;
}

bool PayloadIsIntact() { return PayloadMatchesSeal(AddBlobFromImageFile); }
