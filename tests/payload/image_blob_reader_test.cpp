// The check of the installer's data reads the blob from the installer's file.
// The sum must be the file's bytes, and the file must be the loaded image's:
// one that ends early or differs at the start of a piece read is refused,
// while damage elsewhere shows in the sum, which the seal then refuses.
#include <windows.h>

#include <gtest/gtest.h>

#include <string>

#include "common/blob_sum.h"
#include "common/scoped.h"
#include "payload/image_blob_reader.h"
#include "tests/support/test_files.h"

using testing_support::JoinPath;
using testing_support::ProgramFolder;
using testing_support::WriteWholeFile;

namespace {

constexpr size_t kPieceBytes = 256 * 1024;

uint32_t SumOf(const std::string& bytes) {
    BlobSum sum;
    sum.Add(bytes.data(), bytes.size());
    return sum.Value();
}

TEST(ImageBlobReader, SumsTheFileOnlyWhenItHoldsTheLoadedBytes) {
    std::string image;
    for (size_t i = 0; i < 3 * kPieceBytes + 1234; ++i) image += static_cast<char>(i * 131 + (i >> 9));
    std::string atPieceStart = image, insidePiece = image;
    atPieceStart[kPieceBytes] ^= 0x10;
    insidePiece[kPieceBytes + 5000] ^= 0x10;
    struct Case {
        const char* what;
        std::string file;
        bool read;
        bool sameSum;
    } cases[] = {
        {"the loaded bytes", image, true, true},
        {"a file that ends one byte early", image.substr(0, image.size() - 1), false, false},
        {"another file, different where a piece starts", atPieceStart, false, false},
        {"a byte changed inside a piece", insidePiece, true, false},
    };
    const std::string path = JoinPath(ProgramFolder(), "image_blob_reader_test.bin");
    for (const Case& c : cases) {
        SCOPED_TRACE(c.what);
        ASSERT_TRUE(WriteWholeFile(path, "head" + c.file));
        ScopedHandle file(CreateFileA(path.c_str(), GENERIC_READ, FILE_SHARE_READ, nullptr, OPEN_EXISTING, 0, nullptr));
        ASSERT_TRUE(file.Valid());
        ASSERT_NE(INVALID_SET_FILE_POINTER, SetFilePointer(file.Get(), 4, nullptr, FILE_BEGIN));
        BlobSum sum;
        EXPECT_EQ(c.read, AddBlobFromFile(file.Get(), reinterpret_cast<const unsigned char*>(image.data()),
                                          static_cast<uint32_t>(image.size()), sum));
        if (c.read) {
            EXPECT_EQ(c.sameSum, sum.Value() == SumOf(image));
        }
    }
    (void)DeleteFileA(path.c_str());
}

}  // namespace
