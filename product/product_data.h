// Layout of the product data that the generator (tools/genproduct) emits and
// the installer reads. Both sides include this header, so they cannot drift.
//
//   ProductConfig   one constant record of thirteen fields and three additions
//                   (texts never null, an absent text is "", every text in the
//                   ANSI code page the description declares)
//   LicenceText     the licence agreement, NUL-terminated, CR CR LF line ends
//   PayloadTable    parallel arrays indexed by file number 0 .. fileCount-1:
//
//     fileNames[i]        stored name ("SYSTEM/" or "SYSTEM\" prefix = below
//                         the Windows system folder, else relative to the
//                         current folder)
//     fileChunkCounts[i]  number of chunks of file i (0 for an empty file)
//     fileChunks[i]  ---> [ chunk 0 ptr, chunk 1 ptr, ... ]   each chunk is one
//     fileChunkSizes[i] -> [ size 0,     size 1,     ... ]   zlib stream (78 9C)
//                         holding at most kChunkRawBytes bytes of the file
//     fileTimes[i]        access and modification time, seconds since 1970 UTC
//
//   The generator writes the table as assembler data, laid out flat: every
//   file's chunk pointers back to back in payloadChunks, their sizes in
//   payloadChunkSizes, every name with its NUL back to back in payloadNames,
//   and the chunk bytes in payloadBlob. fileChunks[i], fileChunkSizes[i] and
//   fileNames[i] point at file i's place in those arrays (also for a file
//   without chunks), so a table of any size is a handful of arrays, not two
//   small objects per file.
//
//   PayloadSeal lets the installer check all of it before writing anything:
//   `checksum` is the BlobSum (common/blob_sum.h) of, in this order,
//     the blob (blobBytes bytes), the names (nameBytes bytes),
//     per chunk: its offset in the blob and its size,
//     per file: its chunk count and its time,
//   each number as 4 bytes, least significant first. Offsets rather than
//   pointers: the loader may move the image. `sealChecksum` is the BlobSum
//   of the five numbers before it, taken the same way, so a damaged size is
//   found before anything is read with it.
#pragma once

#include <cstdint>

// Size of the raw piece each chunk holds at most, and of the work buffer a
// chunk is decompressed into.
constexpr uint32_t kChunkRawBytes = 30000;
constexpr uint32_t kWorkBufferBytes = 32000;
// Every path the installer forms lives in a buffer of this size.
constexpr uint32_t kPathBufferBytes = 1024;
// requiredMegabytes * 1048576 must fit unsigned 32-bit arithmetic.
constexpr uint32_t kMaxRequiredMegabytes = 4095;
// The longest message built from productName (twice) must fit 1024 bytes.
constexpr uint32_t kMaxProductNameLength = 401;

struct ProductConfigRecord {
    const char* folderName;
    const char* productName;
    const char* iniFileName;
    int32_t addToStartup;
    const char* startupQuestion;
    const char* mainExecutable;
    const char* startupArguments;
    int32_t warnOlderVersion;
    int32_t installCompanion;
    const char* serviceExecutable;
    uint32_t requiredMegabytes;
    const char* serviceName;
    const char* startupLinkName;
    // Additions: the uninstall entry's "DisplayVersion" ("1.2.3.4") and
    // "Publisher", "" when the description gives none.
    const char* displayVersion;
    const char* publisher;
    // Addition: the character set of the title font, the one whose glyphs
    // the declared code page's texts need (0, ANSI, for code page 1252).
    int32_t titleCharSet;
    // Non-zero for a product made for unattended deployment: its installer
    // reads its command line (/S, /PASSIVE, /D=, /LOG=), ends with an exit
    // status that tells what happened, and registers a silent uninstall.
    // Zero: the command line is ignored and the exit status is always 0.
    int32_t unattended;
};

extern const ProductConfigRecord ProductConfig;
extern const char LicenceText[];

extern const int32_t fileCount;
extern const unsigned char* const* const fileChunks[];
extern const uint32_t* const fileChunkSizes[];
extern const char* const fileNames[];
extern const int32_t fileChunkCounts[];
extern const int32_t fileTimes[];

struct PayloadSeal {
    uint32_t fileCount;
    uint32_t chunkCount;
    uint32_t nameBytes;
    uint32_t blobBytes;
    uint32_t checksum;
    uint32_t sealChecksum;
};

extern const PayloadSeal payloadSeal;
extern const unsigned char* const payloadChunks[];
extern const uint32_t payloadChunkSizes[];
extern const char payloadNames[];
extern const unsigned char payloadBlob[];

// Not part of the extraction table: the sum of the files' uncompressed sizes,
// for the "EstimatedSize" of the uninstall entry.
extern const uint32_t payloadTotalBytes;
