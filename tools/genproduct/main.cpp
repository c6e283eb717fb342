// genproduct: turns a product description (JSON) into the C++ and assembler
// sources that an installer for that product is compiled from.
//
//   genproduct --description FILE --out-dir DIR [--define NAME=VALUE]...
//              [--names-only] [--depfile FILE] [--uninstaller FILE]
//   genproduct --description FILE --out-dir DIR --identity installer|uninstaller
//              --file-name NAME --default-icon FILE [--depfile FILE]
//   genproduct --description FILE --query FILE
//
// --query answers what the build must know about a description before it can
// plan its steps, as CMake lines in FILE (the description is read once, where
// CMake's own JSON reading would walk it once per file):
//   set(PRODUCT_LISTS_UNINSTALLER TRUE|FALSE)   its files include rtuninst.exe
#include <cstdint>
#include <cstdio>
#include <map>
#include <string>
#include <vector>

#include "chunk_store.h"
#include "chunk_stream.h"
#include "description.h"
#include "emit.h"
#include "identity.h"

namespace {

int Usage() {
    std::fprintf(stderr,
                 "usage: genproduct --description FILE --out-dir DIR [--define NAME=VALUE]...\n"
                 "                  [--names-only] [--depfile FILE] [--uninstaller FILE]\n"
                 "       genproduct --description FILE --out-dir DIR --identity installer|uninstaller\n"
                 "                  --file-name NAME --default-icon FILE [--depfile FILE]\n"
                 "       genproduct --description FILE --query FILE\n");
    return 2;
}

}  // namespace

int main(int argc, char** argv) {
    std::string descriptionPath, outDir, depfile, queryFile;
    std::map<std::string, std::string> defines;
    bool namesOnly = false;
    // The product's identity for a resource script, and the build's own
    // uninstaller for a product that brings none.
    std::string identityRole, uninstallerSource;
    IdentityRequest identity;
    for (int i = 1; i < argc; ++i) {
        std::string arg = argv[i];
        bool hasValue = i + 1 < argc;
        if (arg == "--description" && hasValue) descriptionPath = argv[++i];
        else if (arg == "--out-dir" && hasValue) outDir = argv[++i];
        else if (arg == "--depfile" && hasValue) depfile = argv[++i];
        else if (arg == "--names-only") namesOnly = true;
        else if (arg == "--query" && hasValue) queryFile = argv[++i];
        else if (arg == "--uninstaller" && hasValue) uninstallerSource = argv[++i];
        else if (arg == "--identity" && hasValue) identityRole = argv[++i];
        else if (arg == "--file-name" && hasValue) identity.fileName = argv[++i];
        else if (arg == "--default-icon" && hasValue) identity.defaultIcon = argv[++i];
        else if (arg == "--define" && hasValue) {
            std::string definition = argv[++i];
            size_t equals = definition.find('=');
            if (equals == std::string::npos || equals == 0) return Usage();
            defines[definition.substr(0, equals)] = definition.substr(equals + 1);
        } else {
            return Usage();
        }
    }
    if (descriptionPath.empty() || (outDir.empty() && queryFile.empty())) return Usage();
    if (!identityRole.empty() && (identity.fileName.empty() ||
                                  (identityRole != "installer" && identityRole != "uninstaller")))
        return Usage();

    ProductDescription product;
    std::string error;
    LoadOptions options;
    options.defines = defines;
    options.checkSources = !namesOnly && identityRole.empty() && queryFile.empty();
    options.uninstallerSource = uninstallerSource;
    // The uninstaller's own names and resources are made only when the
    // uninstaller exists, whether the product brings it or the build makes it.
    if (!options.checkSources && uninstallerSource.empty()) options.uninstallerSource = "rtuninst.exe";
    if (!LoadProductDescription(descriptionPath, options, product, error)) {
        std::fprintf(stderr, "genproduct: %s\n", error.c_str());
        return 1;
    }
    if (!queryFile.empty()) {
        std::string answer = std::string("set(PRODUCT_LISTS_UNINSTALLER ") +
                             (product.listsUninstaller ? "TRUE" : "FALSE") + ")\n";
        if (!WriteFileAtomically(queryFile, answer, error)) {
            std::fprintf(stderr, "genproduct: %s\n", error.c_str());
            return 1;
        }
        return 0;
    }
    if (!identityRole.empty()) {
        identity.role = identityRole == "installer" ? ProgramRole::kInstaller : ProgramRole::kUninstaller;
        identity.depfile = depfile;
        if (!EmitIdentity(product, identity, outDir, error)) {
            std::fprintf(stderr, "genproduct: %s: %s\n", descriptionPath.c_str(), error.c_str());
            return 1;
        }
        return 0;
    }
    if (namesOnly) {
        if (!EmitPayloadNames(product, outDir, error)) {
            std::fprintf(stderr, "genproduct: %s\n", error.c_str());
            return 1;
        }
        return 0;
    }

    // Read and converted into the code page with the description.
    const std::string& licence = product.licenceText;

    // The chunks go straight to the blob file as they come (each distinct
    // chunk once); only their places and sizes are kept, so memory does not
    // grow with the payload.
    AtomicFile blob;
    if (!blob.Open(outDir + "/product_blob.bin", error)) {
        std::fprintf(stderr, "genproduct: %s\n", error.c_str());
        return 1;
    }
    ChunkStore store(blob);
    ChunkTable table(product.files.size());
    uint64_t totalBytes = 0;
    size_t totalChunks = 0;
    auto takeChunk = [&](size_t file, const unsigned char* chunk, size_t size, size_t rawSize, std::string& why) {
        totalBytes += rawSize;
        if (totalBytes > UINT32_MAX) {
            why = "the payload is larger than 4 GB";
            return false;
        }
        uint64_t offset = 0;
        if (!store.Place(chunk, size, offset, why)) return false;
        table.chunkOffsets[file].push_back(offset);
        table.chunkSizes[file].push_back(static_cast<uint32_t>(size));
        table.rawSizes[file] += rawSize;
        ++totalChunks;
        return true;
    };
    std::vector<std::string> sources;
    for (const PayloadEntry& file : product.files) sources.push_back(file.sourcePath);
    ChunkStreamFailure failure;
    if (!StreamChunks(sources, takeChunk, failure)) {
        if (failure.file == ChunkStreamFailure::kNoFile)
            std::fprintf(stderr, "genproduct: %s\n", failure.error.c_str());
        else
            std::fprintf(stderr, "genproduct: %s: files[%zu] \"%s\": %s\n", descriptionPath.c_str(), failure.file,
                         product.files[failure.file].storedName.c_str(), failure.error.c_str());
        return 1;
    }
    if (totalChunks == 0) {
        std::fprintf(stderr, "genproduct: %s: files: every file is empty; the table needs at least one chunk\n",
                     descriptionPath.c_str());
        return 1;
    }
    if (totalChunks > INT32_MAX) {
        std::fprintf(stderr, "genproduct: %s: files: too many chunks\n", descriptionPath.c_str());
        return 1;
    }

    table.blobBytes = store.BlobBytes();
    table.blobChecksum = store.BlobChecksum();
    if (!EmitProductSources(product, licence, table, blob, outDir, error)) {
        std::fprintf(stderr, "genproduct: %s\n", error.c_str());
        return 1;
    }
    if (!depfile.empty()) {
        std::string rule = EscapeForDepfile(outDir + "/product_data.cpp") + ":";
        rule += " " + EscapeForDepfile(descriptionPath) + " " + EscapeForDepfile(product.licencePath);
        for (const PayloadEntry& file : product.files) rule += " \\\n  " + EscapeForDepfile(file.sourcePath);
        rule += "\n";
        if (!WriteFileAtomically(depfile, rule, error)) {
            std::fprintf(stderr, "genproduct: %s\n", error.c_str());
            return 1;
        }
    }
    return 0;
}
