#include "chunker.h"

#include <cstdio>
#include <memory>

#include <zlib.h>

#include "product/product_data.h"

bool CompressFileInChunks(const std::string& path, CompressedFile& out, std::string& error) {
    std::unique_ptr<FILE, int (*)(FILE*)> file(std::fopen(path.c_str(), "rb"), &std::fclose);
    if (!file) {
        error = "cannot read source file \"" + path + "\"";
        return false;
    }
    out = CompressedFile{};
    std::vector<unsigned char> piece(kChunkRawBytes);
    for (;;) {
        size_t got = std::fread(piece.data(), 1, piece.size(), file.get());
        if (got == 0) break;
        uLongf packedSize = compressBound(static_cast<uLong>(got));
        std::vector<unsigned char> packed(packedSize);
        if (compress(packed.data(), &packedSize, piece.data(), static_cast<uLong>(got)) != Z_OK) {
            error = "zlib could not compress a piece of \"" + path + "\"";
            return false;
        }
        packed.resize(packedSize);
        out.chunks.push_back(std::move(packed));
        out.rawSize += got;
        if (got < piece.size()) break;
    }
    if (std::ferror(file.get())) {
        error = "error while reading source file \"" + path + "\"";
        return false;
    }
    return true;
}
