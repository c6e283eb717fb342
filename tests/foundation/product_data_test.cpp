// The Varnlet data compiled into the installer: configuration values, licence
// line ends, and a payload table whose chunks inflate back into the sources.
#include <gtest/gtest.h>

#include <cstdio>
#include <cstring>
#include <string>
#include <vector>

#include <zlib.h>

#include "product/product_data.h"

namespace {

// Unix paths of the sources, reached through Wine's Z: drive.
std::vector<unsigned char> ReadHostFile(const char* unixPath) {
    std::vector<unsigned char> bytes;
    std::string path = std::string("Z:") + unixPath;
    FILE* file = std::fopen(path.c_str(), "rb");
    if (!file) return bytes;
    unsigned char buffer[65536];
    size_t got;
    while ((got = std::fread(buffer, 1, sizeof buffer, file)) > 0) bytes.insert(bytes.end(), buffer, buffer + got);
    std::fclose(file);
    return bytes;
}

std::vector<unsigned char> InflateFile(int index) {
    std::vector<unsigned char> out;
    std::vector<unsigned char> work(kWorkBufferBytes);
    for (int c = 0; c < fileChunkCounts[index]; ++c) {
        const unsigned char* chunk = fileChunks[index][c];
        EXPECT_EQ(0x78, chunk[0]) << fileNames[index] << " chunk " << c;
        EXPECT_EQ(0x9C, chunk[1]) << fileNames[index] << " chunk " << c;
        uLongf length = kWorkBufferBytes;
        EXPECT_EQ(Z_OK, uncompress(work.data(), &length, chunk, fileChunkSizes[index][c]));
        EXPECT_LE(length, kChunkRawBytes);
        out.insert(out.end(), work.begin(), work.begin() + length);
    }
    return out;
}

}  // namespace

TEST(VarnletProductData, ConfigurationHasThisBuildsValues) {
    EXPECT_STREQ("Varnlet", ProductConfig.folderName);
    EXPECT_STREQ("Varnlet", ProductConfig.productName);
    EXPECT_STREQ("varnlet2.ini", ProductConfig.iniFileName);
    EXPECT_EQ(0, ProductConfig.addToStartup);
    EXPECT_EQ(0, std::strncmp(ProductConfig.startupQuestion, "This application is much more useful", 36));
    EXPECT_STREQ("vrl32.exe", ProductConfig.mainExecutable);
    EXPECT_STREQ("", ProductConfig.startupArguments);
    EXPECT_EQ(0, ProductConfig.warnOlderVersion);
    EXPECT_EQ(0, ProductConfig.installCompanion);
    EXPECT_STREQ("", ProductConfig.serviceExecutable);
    EXPECT_EQ(1u, ProductConfig.requiredMegabytes);
    EXPECT_STREQ("", ProductConfig.serviceName);
    EXPECT_STREQ("", ProductConfig.startupLinkName);
}

TEST(VarnletProductData, LicenceIsTheFileWithEveryLineEndingInCrCrLf) {
    std::vector<unsigned char> source = ReadHostFile(VARNLET_LICENCE);
    ASSERT_FALSE(source.empty());
    ASSERT_EQ(source.size(), std::strlen(LicenceText));
    EXPECT_EQ(0, std::memcmp(source.data(), LicenceText, source.size()));
    std::string text = LicenceText;
    ASSERT_GE(text.size(), 3u);
    EXPECT_EQ("\r\r\n", text.substr(text.size() - 3));
    for (size_t i = 0; i < text.size(); ++i) {
        if (text[i] == '\n') {
            ASSERT_GE(i, 2u);
            EXPECT_EQ('\r', text[i - 1]) << "line end at byte " << i;
            EXPECT_EQ('\r', text[i - 2]) << "line end at byte " << i;
        }
    }
}

TEST(VarnletProductData, SevenFilesInTableOrderInflateToTheirSources) {
    struct Expected {
        const char* name;
        const char* source;
        int32_t time;
    };
    const Expected expected[] = {
        {"vrl32.exe", VRL32_EXE, 1094739338},
        {"vrl32.exe.manifest", VARNLET_FILES_DIR "/vrl32.exe.manifest", 1078846560},
        {"manual.htm", VARNLET_FILES_DIR "/manual.htm", 1094737779},
        {"varnlet.jpg", VARNLET_FILES_DIR "/varnlet.jpg", 1021918264},
        {"sample1.jpg", VARNLET_FILES_DIR "/sample1.jpg", 1077308690},
        {"sample2.jpg", VARNLET_FILES_DIR "/sample2.jpg", 1077308688},
        {"rtuninst.exe", RTUNINST_EXE, 1094739338},
    };
    ASSERT_EQ(7, fileCount);
    uint32_t total = 0;
    for (int i = 0; i < fileCount; ++i) {
        SCOPED_TRACE(expected[i].name);
        EXPECT_STREQ(expected[i].name, fileNames[i]);
        EXPECT_EQ(expected[i].time, fileTimes[i]);
        std::vector<unsigned char> source = ReadHostFile(expected[i].source);
        ASSERT_FALSE(source.empty());
        EXPECT_EQ(static_cast<int32_t>((source.size() + kChunkRawBytes - 1) / kChunkRawBytes), fileChunkCounts[i]);
        EXPECT_TRUE(InflateFile(i) == source);
        total += static_cast<uint32_t>(source.size());
    }
    EXPECT_EQ(total, payloadTotalBytes);
}
