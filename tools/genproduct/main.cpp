// genproduct: turns a product description (JSON) into the C++ and assembler
// sources that an installer for that product is compiled from.
//
//   genproduct --description FILE --out-dir DIR [--define NAME=VALUE]...
//              [--names-only] [--depfile FILE]
#include <cstdint>
#include <cstdio>
#include <cstring>
#include <fstream>
#include <map>
#include <sstream>
#include <string>
#include <vector>

#include "chunk_stream.h"
#include "description.h"
#include "emit.h"

namespace {

int Usage() {
    std::fprintf(stderr,
                 "usage: genproduct --description FILE --out-dir DIR [--define NAME=VALUE]...\n"
                 "                  [--names-only] [--depfile FILE]\n");
    return 2;
}

bool ReadWholeFile(const std::string& path, std::string& out) {
    std::ifstream stream(path, std::ios::binary);
    if (!stream) return false;
    std::ostringstream buffer;
    buffer << stream.rdbuf();
    out = buffer.str();
    return static_cast<bool>(stream) || stream.eof();
}

std::string EscapeForDepfile(const std::string& path) {
    std::string out;
    for (char c : path) {
        if (c == ' ' || c == '#') out += '\\';
        if (c == '$') out += '$';
        out += c;
    }
    return out;
}

}  // namespace

int main(int argc, char** argv) {
    std::string descriptionPath, outDir, depfile;
    std::map<std::string, std::string> defines;
    bool namesOnly = false;
    for (int i = 1; i < argc; ++i) {
        std::string arg = argv[i];
        bool hasValue = i + 1 < argc;
        if (arg == "--description" && hasValue) descriptionPath = argv[++i];
        else if (arg == "--out-dir" && hasValue) outDir = argv[++i];
        else if (arg == "--depfile" && hasValue) depfile = argv[++i];
        else if (arg == "--names-only") namesOnly = true;
        else if (arg == "--define" && hasValue) {
            std::string definition = argv[++i];
            size_t equals = definition.find('=');
            if (equals == std::string::npos || equals == 0) return Usage();
            defines[definition.substr(0, equals)] = definition.substr(equals + 1);
        } else {
            return Usage();
        }
    }
    if (descriptionPath.empty() || outDir.empty()) return Usage();

    ProductDescription product;
    std::string error;
    if (!LoadProductDescription(descriptionPath, defines, !namesOnly, product, error)) {
        std::fprintf(stderr, "genproduct: %s\n", error.c_str());
        return 1;
    }
    if (namesOnly) {
        if (!EmitPayloadNames(product, outDir, error)) {
            std::fprintf(stderr, "genproduct: %s\n", error.c_str());
            return 1;
        }
        return 0;
    }

    std::string licence;
    if (!ReadWholeFile(product.licencePath, licence)) {
        std::fprintf(stderr, "genproduct: %s: licence: cannot read \"%s\"\n", descriptionPath.c_str(),
                     product.licencePath.c_str());
        return 1;
    }
    if (licence.find('\0') != std::string::npos) {
        std::fprintf(stderr, "genproduct: %s: licence: \"%s\" contains a NUL byte\n", descriptionPath.c_str(),
                     product.licencePath.c_str());
        return 1;
    }

    // The chunks go straight to the blob file as they come; only their sizes
    // are kept, so memory does not grow with the payload.
    AtomicFile blob;
    if (!blob.Open(outDir + "/product_blob.bin", error)) {
        std::fprintf(stderr, "genproduct: %s\n", error.c_str());
        return 1;
    }
    ChunkTable table(product.files.size());
    uint64_t totalBytes = 0;
    size_t totalChunks = 0;
    auto takeChunk = [&](size_t file, const unsigned char* chunk, size_t size, size_t rawSize, std::string& why) {
        totalBytes += rawSize;
        if (totalBytes > UINT32_MAX) {
            why = "the payload is larger than 4 GB";
            return false;
        }
        table.chunkSizes[file].push_back(static_cast<uint32_t>(size));
        table.rawSizes[file] += rawSize;
        ++totalChunks;
        return blob.Write(chunk, size, why);
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
