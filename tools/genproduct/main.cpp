// genproduct: turns a product description (JSON) into the C++ and assembler
// sources that an installer for that product is compiled from.
//
//   genproduct --description FILE --out-dir DIR [--define NAME=VALUE]...
//              [--names-only] [--depfile FILE]
#include <cstdio>
#include <cstring>
#include <fstream>
#include <map>
#include <sstream>
#include <string>
#include <vector>

#include "chunker.h"
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

    std::vector<CompressedFile> files(product.files.size());
    size_t totalChunks = 0;
    for (size_t i = 0; i < product.files.size(); ++i) {
        if (!CompressFileInChunks(product.files[i].sourcePath, files[i], error)) {
            std::fprintf(stderr, "genproduct: %s: files[%zu] \"%s\": %s\n", descriptionPath.c_str(), i,
                         product.files[i].storedName.c_str(), error.c_str());
            return 1;
        }
        totalChunks += files[i].chunks.size();
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

    if (!EmitProductSources(product, licence, files, outDir, error)) {
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
