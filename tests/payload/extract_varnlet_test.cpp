// Extraction of the Varnlet payload into real folders under Wine: contents,
// stored times, the progress calls, the result codes that a prepared folder
// provokes, and removal of what the run wrote.
#include <gtest/gtest.h>

#include <cstdlib>
#include <string>
#include <vector>

#include "payload/extract.h"
#include "payload/payload_memory.h"
#include "product/product_data.h"
#include "tests/payload/payload_test_support.h"

using namespace payload_test;

namespace {

const HWND kWindow = reinterpret_cast<HWND>(static_cast<intptr_t>(0x5150));

// The source of each file of the table, in table order.
const char* const kSources[] = {
    VRL32_EXE,
    VARNLET_FILES_DIR "/vrl32.exe.manifest",
    VARNLET_FILES_DIR "/manual.htm",
    VARNLET_FILES_DIR "/varnlet.jpg",
    VARNLET_FILES_DIR "/sample1.jpg",
    VARNLET_FILES_DIR "/sample2.jpg",
    RTUNINST_EXE,
};

int IndexOf(const char* name) {
    for (int i = 0; i < fileCount; ++i)
        if (std::string(fileNames[i]) == name) return i;
    return -1;
}

class VarnletExtraction : public testing::Test {
protected:
    void SetUp() override {
        ASSERT_EQ(7, fileCount);
        ASSERT_FALSE(folder_.path().empty()) << "no scratch folder";
        RecordedCalls().clear();
    }
    ScratchFolder folder_;
};

TEST_F(VarnletExtraction, WritesTheSevenFilesWithTheirBytesAndStoredTimes) {
    ASSERT_EQ(kExtractDone, ExtractPayload(nullptr, nullptr));
    // Times first: reading a file may move its access time.
    for (int i = 0; i < fileCount; ++i) {
        int64_t accessTime = 0, modificationTime = 0;
        ASSERT_TRUE(FileTimes(folder_.File(fileNames[i]), accessTime, modificationTime)) << fileNames[i];
        EXPECT_EQ(fileTimes[i], modificationTime) << fileNames[i];
        EXPECT_EQ(fileTimes[i], accessTime) << fileNames[i];
    }
    for (int i = 0; i < fileCount; ++i) {
        std::vector<unsigned char> source = ReadHostFile(kSources[i]);
        ASSERT_FALSE(source.empty()) << kSources[i];
        std::vector<unsigned char> written;
        ASSERT_TRUE(ReadWholeFile(folder_.File(fileNames[i]), written)) << fileNames[i];
        EXPECT_EQ(source.size(), written.size()) << fileNames[i];
        EXPECT_TRUE(source == written) << fileNames[i] << " differs from " << kSources[i];
    }
}

TEST_F(VarnletExtraction, ReportsEachFileEachChunkThenEmptyAndDone) {
    ASSERT_EQ(kExtractDone, ExtractPayload(kWindow, RecordCall));
    const std::vector<CallbackCall>& calls = RecordedCalls();

    int totalChunks = 0;
    for (int i = 0; i < fileCount; ++i) totalChunks += fileChunkCounts[i];
    ASSERT_EQ(static_cast<size_t>(fileCount + totalChunks + 2), calls.size()) << DescribeCalls(calls);

    size_t call = 0;
    int done = 0;
    for (int i = 0; i < fileCount; ++i) {
        EXPECT_EQ(fileNames[i], calls[call].text) << "call " << call << " should announce file " << i;
        EXPECT_EQ(100 * done / totalChunks, calls[call].percent) << "before " << fileNames[i];
        ++call;
        for (int c = 0; c < fileChunkCounts[i]; ++c, ++call) {
            ++done;
            EXPECT_EQ(fileNames[i], calls[call].text) << "chunk " << c << " of " << fileNames[i];
            EXPECT_EQ(100 * done / totalChunks, calls[call].percent) << "chunk " << c << " of " << fileNames[i];
        }
    }
    EXPECT_EQ("", calls[call].text);
    EXPECT_EQ(100, calls[call].percent);
    EXPECT_EQ("Done", calls[call + 1].text);
    EXPECT_EQ(100, calls[call + 1].percent);

    EXPECT_EQ(0, calls.front().percent);
    for (size_t k = 0; k < calls.size(); ++k) {
        EXPECT_EQ(kWindow, calls[k].window) << "call " << k;
        if (k > 0) {
            EXPECT_LE(calls[k - 1].percent, calls[k].percent) << "call " << k << "\n" << DescribeCalls(calls);
        }
    }
}

TEST_F(VarnletExtraction, AnExistingFileIsReplacedWhateverItsTime) {
    std::string manual = folder_.File("manual.htm");
    ASSERT_TRUE(WriteText(manual, "an old manual that must go"));
    ASSERT_TRUE(SetFileTimes(manual, 1893456000));  // 2030: newer than the stored time
    ASSERT_EQ(kExtractDone, ExtractPayload(nullptr, nullptr));
    int64_t accessTime = 0, modificationTime = 0;
    ASSERT_TRUE(FileTimes(manual, accessTime, modificationTime));
    EXPECT_EQ(fileTimes[IndexOf("manual.htm")], modificationTime);
    std::vector<unsigned char> written;
    ASSERT_TRUE(ReadWholeFile(manual, written));
    EXPECT_TRUE(ReadHostFile(VARNLET_FILES_DIR "/manual.htm") == written);
}

class VarnletBlockedFile : public VarnletExtraction, public testing::WithParamInterface<Blocking> {};

TEST_P(VarnletBlockedFile, GivesOneAndRemovalTakesOnlyWhatTheRunWrote) {
    // manual.htm (third in the table) cannot be opened for writing; varnlet.jpg
    // comes after it and is never reached.
    std::string manual = folder_.File("manual.htm");
    std::string image = folder_.File("varnlet.jpg");
    ASSERT_TRUE(WriteText(manual, "the manual in use"));
    ASSERT_TRUE(WriteText(image, "the user's own picture"));
    int result;
    {
        BlockedFile blocked(manual, GetParam());
        if (!blocked.usable()) GTEST_SKIP() << "this process may write read-only files (Wine run as root)";
        result = ExtractPayload(nullptr, nullptr);
    }
    ASSERT_EQ(kExtractCreateFailed, result);
    EXPECT_TRUE(PathExists(folder_.File("vrl32.exe")));
    EXPECT_TRUE(PathExists(folder_.File("vrl32.exe.manifest")));
    EXPECT_FALSE(PathExists(folder_.File("sample1.jpg")));

    ASSERT_EQ(4, RemovePayload(kWindow, RecordCall));
    EXPECT_FALSE(PathExists(folder_.File("vrl32.exe")));
    EXPECT_FALSE(PathExists(folder_.File("vrl32.exe.manifest")));
    EXPECT_EQ("the manual in use", ReadText(manual));
    EXPECT_EQ("the user's own picture", ReadText(image));

    // One call per file with its share of the files, then "" and 100.
    const std::vector<CallbackCall>& calls = RecordedCalls();
    ASSERT_EQ(static_cast<size_t>(fileCount + 1), calls.size()) << DescribeCalls(calls);
    for (int i = 0; i < fileCount; ++i) {
        EXPECT_EQ(fileNames[i], calls[i].text);
        EXPECT_EQ(100 * i / fileCount, calls[i].percent) << fileNames[i];
        EXPECT_EQ(kWindow, calls[i].window);
    }
    EXPECT_EQ("", calls[fileCount].text);
    EXPECT_EQ(100, calls[fileCount].percent);
}

INSTANTIATE_TEST_SUITE_P(Blockings, VarnletBlockedFile, testing::Values(Blocking::kLocked, Blocking::kReadOnly),
                         [](const testing::TestParamInfo<Blocking>& info) {
                             return std::string(info.param == Blocking::kLocked ? "Locked" : "ReadOnly");
                         });

TEST_F(VarnletExtraction, RemovalStopsWithZeroAtAFileItCannotDelete) {
    ASSERT_EQ(kExtractDone, ExtractPayload(nullptr, nullptr));
    // The fourth file cannot be deleted: removal ends there, the files after
    // it stay.
    ASSERT_TRUE(SetReadOnly(folder_.File(fileNames[3]), true));
    EXPECT_EQ(0, RemovePayload(nullptr, nullptr));
    for (int i = 0; i < fileCount; ++i) EXPECT_EQ(i >= 3, PathExists(folder_.File(fileNames[i]))) << fileNames[i];

    // Once it can be deleted, a second removal takes the rest.
    ASSERT_TRUE(SetReadOnly(folder_.File(fileNames[3]), false));
    EXPECT_EQ(4, RemovePayload(nullptr, nullptr));
    for (int i = 0; i < fileCount; ++i) EXPECT_FALSE(PathExists(folder_.File(fileNames[i]))) << fileNames[i];
}

TEST_F(VarnletExtraction, RemovalWithNoneOfTheFilesPresentDeletesNothing) {
    ASSERT_EQ(kExtractDone, ExtractPayload(nullptr, nullptr));
    ScratchFolder other;  // now the current folder
    ASSERT_FALSE(other.path().empty());
    ASSERT_TRUE(WriteText(other.File("notes.txt"), "unrelated"));
    EXPECT_EQ(4, RemovePayload(nullptr, nullptr));
    EXPECT_EQ("unrelated", ReadText(other.File("notes.txt")));
}

void* FailingAllocate(size_t) { return nullptr; }

TEST_F(VarnletExtraction, WithoutTheWorkBufferItGivesThreeBeforeAnyCallback) {
    ASSERT_TRUE(WriteText(folder_.File("vrl32.exe"), "an older program"));
    PayloadAllocateFunc saved = payloadAllocate;
    payloadAllocate = FailingAllocate;
    int result = ExtractPayload(kWindow, RecordCall);
    payloadAllocate = saved;
    EXPECT_EQ(kExtractNoMemory, result);
    EXPECT_TRUE(RecordedCalls().empty()) << DescribeCalls(RecordedCalls());
    for (int i = 1; i < fileCount; ++i) EXPECT_FALSE(PathExists(folder_.File(fileNames[i]))) << fileNames[i];

    // Nothing was written, so removal leaves the file that was there.
    EXPECT_EQ(4, RemovePayload(nullptr, nullptr));
    EXPECT_EQ("an older program", ReadText(folder_.File("vrl32.exe")));
}

}  // namespace
