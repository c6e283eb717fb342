// genproduct: turns a product description (JSON) into the C++ and assembler
// sources that an installer for that product is compiled from.
//
//   genproduct --description FILE --out-dir DIR [--define NAME=VALUE]...
//              [--names-only] [--depfile FILE] [--uninstaller FILE]
//              [--progress] [--max-data-bytes N] [--machine i686|x86_64] [--piece-bytes N]
//   genproduct --description FILE --out-dir DIR --identity installer|uninstaller
//              --file-name NAME --default-icon FILE [--depfile FILE]
//   genproduct --description FILE --query FILE
//
// --query answers what the build must know about a description before it can
// plan its steps, as CMake lines in FILE (the description is read once, where
// CMake's own JSON reading would walk it once per file):
//   set(PRODUCT_LISTS_UNINSTALLER TRUE|FALSE)   its files include rtuninst.exe
#include <sys/stat.h>
#include <unistd.h>

#include <cstdint>
#include <cstdio>
#include <cstdlib>
#include <map>
#include <string>
#include <vector>

#include "chunk_store.h"
#include "chunk_stream.h"
#include "description.h"
#include "emit.h"
#include "identity.h"
#include "progress.h"

namespace {

// The most installer data (compressed chunks and their table) that the
// generator lets into one installer. Windows maps the whole installer into
// the 2 GB address space of a 32-bit process before any of its code runs,
// below the system libraries: an image much past 1.5 GB does not start
// ("Not enough memory"), although it builds. Kept well below that.
constexpr uint64_t kMaxInstallerDataBytes = 1400ull * 1024 * 1024;
// What the table adds per chunk: a pointer and a size of 32 bits each.
constexpr uint64_t kTableBytesPerChunk = 8;

// The bytes `paths` hold together, for the share reported as progress.
uint64_t TotalSize(const std::vector<std::string>& paths) {
    uint64_t total = 0;
    for (const std::string& path : paths) {
        struct stat status;
        if (stat(path.c_str(), &status) == 0 && S_ISREG(status.st_mode)) total += static_cast<uint64_t>(status.st_size);
    }
    return total;
}

int Usage() {
    std::fprintf(stderr,
                 "usage: genproduct --description FILE --out-dir DIR [--define NAME=VALUE]...\n"
                 "                  [--names-only] [--depfile FILE] [--uninstaller FILE]\n"
                 "                  [--progress] [--max-data-bytes N] [--machine i686|x86_64] [--piece-bytes N]\n"
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
    // Progress on standard error when that is a terminal, when asked with
    // --progress, or when GENPRODUCT_PROGRESS=1 asks through a build that
    // runs the generator (scripts/make-installer.sh).
    const char* progressVariable = std::getenv("GENPRODUCT_PROGRESS");
    bool progress = isatty(STDERR_FILENO) || (progressVariable && std::string(progressVariable) == "1");
    uint64_t maxDataBytes = kMaxInstallerDataBytes;
    ObjectMachine machine = ObjectMachine::kI386;
    uint64_t pieceBytes = BlobObject::kPieceBytes;
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
        else if (arg == "--progress") progress = true;
        else if (arg == "--max-data-bytes" && hasValue) {
            // A lower limit only (the tests refuse a small payload with it).
            char* end = nullptr;
            unsigned long long value = std::strtoull(argv[++i], &end, 10);
            if (*end != '\0' || value == 0 || value > kMaxInstallerDataBytes) return Usage();
            maxDataBytes = value;
        }
        else if (arg == "--piece-bytes" && hasValue) {
            // Smaller pieces only (the tests link a small product in many).
            char* end = nullptr;
            unsigned long long value = std::strtoull(argv[++i], &end, 10);
            if (*end != '\0' || value < 4096 || value > BlobObject::kPieceBytes) return Usage();
            pieceBytes = value;
        }
        else if (arg == "--machine" && hasValue) {
            // The installer's architecture, for the object file of the chunks.
            if (!ParseObjectMachine(argv[++i], machine)) return Usage();
        }
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
    BlobObject blob(pieceBytes);
    if (!blob.Open(outDir + "/product_blob.obj", machine, error)) {
        std::fprintf(stderr, "genproduct: %s\n", error.c_str());
        return 1;
    }
    ChunkStore store(blob);
    ChunkTable table(product.files.size());
    uint64_t totalBytes = 0;
    size_t totalChunks = 0;
    std::vector<std::string> sources;
    for (const PayloadEntry& file : product.files) sources.push_back(file.sourcePath);
    CompressionProgress shown(stderr, TotalSize(sources), isatty(STDERR_FILENO));
    auto takeChunk = [&](size_t file, const unsigned char* chunk, size_t size, size_t rawSize, std::string& why) {
        totalBytes += rawSize;
        if (totalBytes > UINT32_MAX) {
            why = "the payload is larger than 4 GB";
            return false;
        }
        uint64_t offset = 0;
        if (!store.Place(chunk, size, offset, why)) return false;
        // Refused as soon as the compressed data passes the limit, not after
        // compressing the rest.
        uint64_t dataBytes = store.Written() + kTableBytesPerChunk * (totalChunks + 1);
        if (dataBytes > maxDataBytes) {
            why = "files: the installer's data passes " + std::to_string(maxDataBytes / (1024 * 1024)) +
                  " MiB (at \"" + product.files[file].storedNameUtf8 +
                  "\"), more than a 32-bit Windows process can be sure to map; an installer this large would not "
                  "start. Ship fewer or smaller files";
            return false;
        }
        if (progress) shown.Add(rawSize);
        table.chunkOffsets[file].push_back(offset);
        table.chunkSizes[file].push_back(static_cast<uint32_t>(size));
        table.rawSizes[file] += rawSize;
        ++totalChunks;
        return true;
    };
    ChunkStreamFailure failure;
    bool streamed = StreamChunks(sources, takeChunk, failure);
    if (progress) shown.Finish();
    if (!streamed) {
        if (failure.file == ChunkStreamFailure::kNoFile)
            std::fprintf(stderr, "genproduct: %s: %s\n", descriptionPath.c_str(), failure.error.c_str());
        else if (product.files[failure.file].entryIndex == PayloadEntry::kBuildsOwn)
            std::fprintf(stderr, "genproduct: %s: the build's uninstaller: %s\n", descriptionPath.c_str(),
                         failure.error.c_str());
        else
            std::fprintf(stderr, "genproduct: %s: files[%zu] \"%s\": %s\n", descriptionPath.c_str(),
                         product.files[failure.file].entryIndex, product.files[failure.file].storedNameUtf8.c_str(),
                         failure.error.c_str());
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
    table.blobSum = store.BlobChecksum();
    if (!EmitProductSources(product, licence, table, blob, outDir, error)) {
        std::fprintf(stderr, "genproduct: %s\n", error.c_str());
        return 1;
    }
    if (!depfile.empty()) {
        std::string rule = EscapeForDepfile(outDir + "/product_data.cpp") + ":";
        rule += " " + EscapeForDepfile(descriptionPath) + " " + EscapeForDepfile(product.licencePath);
        for (const PayloadEntry& file : product.files) rule += " \\\n  " + EscapeForDepfile(file.sourcePath);
        for (const std::string& folder : product.sourceFolders) rule += " \\\n  " + EscapeForDepfile(folder);
        rule += "\n";
        if (!WriteFileAtomically(depfile, rule, error)) {
            std::fprintf(stderr, "genproduct: %s\n", error.c_str());
            return 1;
        }
    }
    return 0;
}
