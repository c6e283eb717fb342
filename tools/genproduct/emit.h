// Writes the generated sources that the installer is compiled from.
#pragma once

#include <string>
#include <vector>

#include "chunker.h"
#include "description.h"

// Writes OUTDIR/product_data.cpp, OUTDIR/product_blob.S and OUTDIR/product_blob.bin,
// each through a temporary file renamed into place, so a failed run leaves no
// half-made output behind.
bool EmitProductSources(const ProductDescription& product, const std::string& licenceBytes,
                        const std::vector<CompressedFile>& files, const std::string& outDir,
                        std::string& error);

// Writes OUTDIR/payload_names.cpp: only the stored names, for programs (the
// uninstaller) that need the file list but not the contents.
bool EmitPayloadNames(const ProductDescription& product, const std::string& outDir, std::string& error);

// Escapes bytes as the body of a C++ string literal (octal escapes for
// everything outside printable ASCII, split so no escape swallows a digit).
std::string CppStringLiteral(const std::string& bytes);

// Writes `contents` to `path` through a temporary file and a rename.
bool WriteFileAtomically(const std::string& path, const std::string& contents, std::string& error);
