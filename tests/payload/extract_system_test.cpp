// Names that begin with "SYSTEM/" or "SYSTEM\" go below the Windows system
// folder, where a newer copy of a file is kept. Changes the prefix's system
// folder, so it runs alone; it removes what it put there.
#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "payload/extract.h"
#include "product/product_data.h"
#include "tests/payload/payload_test_support.h"

using namespace payload_test;

namespace {

std::string SystemFolder() {
    char folder[MAX_PATH];
    UINT length = GetSystemDirectoryA(folder, sizeof folder);
    return length > 0 && length < sizeof folder ? std::string(folder) : std::string();
}

class SystemFolderExtraction : public testing::Test {
protected:
    void SetUp() override {
        ASSERT_EQ(4, fileCount);
        ASSERT_FALSE(folder_.path().empty());
        system_ = SystemFolder();
        ASSERT_FALSE(system_.empty());
        fileA_ = system_ + "\\varnlet-test-a.txt";
        fileB_ = system_ + "\\varnlet-test-dir\\deep\\b.txt";
        CleanSystemFolder();
        RecordedCalls().clear();
    }
    void TearDown() override { CleanSystemFolder(); }
    void CleanSystemFolder() {
        RemoveTree(fileA_);
        RemoveTree(system_ + "\\varnlet-test-dir");
        // The copies of replaced files that each run keeps until its
        // installation would be over.
        WIN32_FIND_DATAA found;
        HANDLE search = FindFirstFileA((system_ + "\\~*.kept").c_str(), &found);
        if (search == INVALID_HANDLE_VALUE) return;
        do {
            (void)DeleteFileA((system_ + "\\" + found.cFileName).c_str());
        } while (FindNextFileA(search, &found));
        FindClose(search);
    }
    static std::vector<unsigned char> Source(const char* name) {
        return ReadHostFile((std::string(VARNLET_FILES_DIR "/") + name).c_str());
    }

    ScratchFolder folder_;
    std::string system_, fileA_, fileB_;
};

TEST_F(SystemFolderExtraction, MarkedNamesAreWrittenBelowTheSystemFolderWithTheirFolders) {
    ASSERT_EQ(kExtractDone, ExtractPayload(nullptr, nullptr));
    int64_t accessTime = 0, modificationTime = 0;
    ASSERT_TRUE(FileTimes(fileB_, accessTime, modificationTime)) << fileB_;
    EXPECT_EQ(fileTimes[2], modificationTime);
    std::vector<unsigned char> bytes;
    ASSERT_TRUE(ReadWholeFile(fileA_, bytes)) << fileA_;
    EXPECT_TRUE(Source("vrl32.exe.manifest") == bytes);
    ASSERT_TRUE(ReadWholeFile(fileB_, bytes));
    EXPECT_TRUE(Source("manual.htm") == bytes);
    // Nothing of them in the current folder.
    EXPECT_FALSE(PathExists(folder_.File("SYSTEM")));
    EXPECT_TRUE(PathExists(folder_.File("vrl32.exe")));

    // Removal never takes files from the system folder.
    EXPECT_EQ(4, RemovePayload(nullptr, nullptr));
    EXPECT_TRUE(PathExists(fileA_));
    EXPECT_TRUE(PathExists(fileB_));
    EXPECT_FALSE(PathExists(folder_.File("vrl32.exe")));
}

TEST_F(SystemFolderExtraction, ANewerCopyStaysAndItsChunksStillCount) {
    ASSERT_TRUE(WriteText(fileA_, "a newer library"));
    ASSERT_TRUE(SetFileTimes(fileA_, fileTimes[0] + 1));
    ASSERT_EQ(kExtractDone, ExtractPayload(nullptr, RecordCall));
    EXPECT_EQ("a newer library", ReadText(fileA_));

    // The skipped file has its announcement and no chunk calls; the next file
    // starts from the share its chunks made.
    const std::vector<CallbackCall>& calls = RecordedCalls();
    int total = 0;
    for (int i = 0; i < fileCount; ++i) total += fileChunkCounts[i];
    ASSERT_GE(calls.size(), 2u) << DescribeCalls(calls);
    EXPECT_EQ("SYSTEM/varnlet-test-a.txt", calls[0].text);
    EXPECT_EQ(0, calls[0].percent);
    EXPECT_EQ("vrl32.exe", calls[1].text) << DescribeCalls(calls);
    EXPECT_EQ(100 * fileChunkCounts[0] / total, calls[1].percent) << DescribeCalls(calls);
    EXPECT_EQ(static_cast<size_t>(fileCount + total - fileChunkCounts[0] + 2), calls.size()) << DescribeCalls(calls);
    EXPECT_EQ(100, calls.back().percent);
}

TEST_F(SystemFolderExtraction, AnOlderOrEquallyOldCopyIsReplaced) {
    struct Case {
        int64_t offset;  // from the stored time
        const char* what;
    };
    const Case cases[] = {{-1, "older"}, {0, "equally old"}, {-100000000, "much older"}};
    for (const Case& c : cases) {
        ASSERT_TRUE(WriteText(fileA_, "an old library"));
        ASSERT_TRUE(SetFileTimes(fileA_, fileTimes[0] + c.offset));
        ASSERT_EQ(kExtractDone, ExtractPayload(nullptr, nullptr)) << c.what;
        int64_t accessTime = 0, modificationTime = 0;
        ASSERT_TRUE(FileTimes(fileA_, accessTime, modificationTime));
        EXPECT_EQ(fileTimes[0], modificationTime) << c.what;
        std::vector<unsigned char> bytes;
        ASSERT_TRUE(ReadWholeFile(fileA_, bytes));
        EXPECT_TRUE(Source("vrl32.exe.manifest") == bytes) << c.what;
    }
}

}  // namespace
