// Writes the generated sources that the installer is compiled from.
#pragma once

#include <string>
#include <vector>

#include <cstdint>

#include "common/blob_sum.h"
#include "blob_object.h"
#include "description.h"

// Where each file's chunks lie in the blob (offset and size, in file and
// piece order; identical chunks share their bytes), the bytes each file
// holds, and the blob's length and sum.
struct ChunkTable {
    explicit ChunkTable(size_t fileCount) : chunkOffsets(fileCount), chunkSizes(fileCount), rawSizes(fileCount) {}
    std::vector<std::vector<uint64_t>> chunkOffsets;
    std::vector<std::vector<uint32_t>> chunkSizes;
    std::vector<uint64_t> rawSizes;
    uint64_t blobBytes = 0;
    BlobSum blobSum;  // of the blob's bytes
};

// Commits `blob` (written to, but not yet committed, as OUTDIR/product_blob.obj)
// and writes OUTDIR/product_table.bin (the table's numbers and names),
// OUTDIR/product_blob.S (the whole table as assembler data, with its seal, and
// for host builds the blob; see product/product_data.h) and OUTDIR/product_data.cpp (the
// configuration record and the licence), each through a temporary file
// renamed into place, so a failed run leaves no half-made output behind.
bool EmitProductSources(const ProductDescription& product, const std::string& licenceBytes,
                        const ChunkTable& table, BlobObject& blob, const std::string& outDir,
                        std::string& error);

// Writes OUTDIR/payload_names.cpp: only the stored names, for programs (the
// uninstaller) that need the file list but not the contents.
bool EmitPayloadNames(const ProductDescription& product, const std::string& outDir, std::string& error);

// Escapes bytes as the body of a C++ string literal (octal escapes for
// everything outside printable ASCII, split so no escape swallows a digit).
std::string CppStringLiteral(const std::string& bytes);

// A path as make's dependency files (the build's depfiles) spell it: blanks
// and '#' escaped, '$' doubled.
std::string EscapeForDepfile(const std::string& path);
