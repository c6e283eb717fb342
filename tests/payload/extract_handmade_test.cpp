// Extraction of a table made at run time: nested names, an empty file, the
// rule for libraries in use, a file standing where a folder must be, chunks
// that do not inflate, and a disk that fills up (drive T: is a 2 MB tmpfs).
#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "payload/extract.h"
#include "product/product_data.h"
#include "tests/payload/handmade_table.h"
#include "tests/payload/payload_test_support.h"

using namespace payload_test;

namespace {

class HandmadeExtraction : public testing::Test {
protected:
    static void SetUpTestSuite() { handmade::BuildTable(); }
    void SetUp() override {
        ASSERT_FALSE(folder_.path().empty()) << "no scratch folder";
        handmade::DamageBrokenChunk(handmade::Damage::kNone);
        RecordedCalls().clear();
    }
    void TearDown() override { handmade::DamageBrokenChunk(handmade::Damage::kNone); }

    void ExpectWritten(int index) {
        std::vector<unsigned char> written;
        ASSERT_TRUE(ReadWholeFile(folder_.File(fileNames[index]), written)) << fileNames[index];
        EXPECT_EQ(handmade::Contents(index).size(), written.size()) << fileNames[index];
        EXPECT_TRUE(handmade::Contents(index) == written) << fileNames[index];
    }
    ScratchFolder folder_;
};

TEST_F(HandmadeExtraction, NestedNamesGetTheirFoldersAndAnEntryWithoutChunksAnEmptyFile) {
    ASSERT_EQ(kExtractDone, ExtractPayload(nullptr, RecordCall));
    int64_t accessTime = 0, modificationTime = 0;
    ASSERT_TRUE(FileTimes(folder_.File("empty.txt"), accessTime, modificationTime));
    EXPECT_EQ(fileTimes[handmade::kEmpty], modificationTime);
    EXPECT_EQ(fileTimes[handmade::kEmpty], accessTime);
    ASSERT_TRUE(FileTimes(folder_.File("sub\\dir\\nested.txt"), accessTime, modificationTime));
    EXPECT_EQ(fileTimes[handmade::kNested], modificationTime);
    for (int i = 0; i < handmade::kFileCount; ++i) ExpectWritten(i);
    EXPECT_EQ("Done", RecordedCalls().back().text);
    EXPECT_EQ(100, RecordedCalls().back().percent);
}

TEST_F(HandmadeExtraction, AFileWhereAFolderMustBeGivesOne) {
    ASSERT_TRUE(WriteText(folder_.File("sub"), "a file, not a folder"));
    EXPECT_EQ(kExtractCreateFailed, ExtractPayload(nullptr, nullptr));
    ExpectWritten(handmade::kFirst);
    EXPECT_FALSE(PathExists(folder_.File("helper.dll")));

    EXPECT_EQ(4, RemovePayload(nullptr, nullptr));
    EXPECT_FALSE(PathExists(folder_.File("first.txt")));
    EXPECT_EQ("a file, not a folder", ReadText(folder_.File("sub")));
}

struct LibraryCase {
    int file;
    Blocking blocking;
    int expected;
};

std::string LibraryCaseName(const testing::TestParamInfo<LibraryCase>& info) {
    std::string name;
    for (const char* c = fileNames[info.param.file]; *c; ++c) name += std::isalnum(static_cast<unsigned char>(*c)) ? *c : '_';
    return name + (info.param.blocking == Blocking::kLocked ? "_Locked" : "_ReadOnly");
}

class LibraryInUse : public HandmadeExtraction, public testing::WithParamInterface<LibraryCase> {};

TEST_P(LibraryInUse, IsPassedOverOnlyWhenItsPathSaysDllOrDLL) {
    const LibraryCase& c = GetParam();
    std::string path = folder_.File(fileNames[c.file]);
    ASSERT_TRUE(WriteText(path, "the copy in use"));
    int result;
    {
        BlockedFile blocked(path, c.blocking);
        if (!blocked.usable()) GTEST_SKIP() << "this process may write read-only files (Wine run as root)";
        result = ExtractPayload(nullptr, RecordCall);
    }
    EXPECT_EQ(c.expected, result) << fileNames[c.file] << ", " << BlockingName(c.blocking);
    EXPECT_EQ("the copy in use", ReadText(path));
    if (c.expected == kExtractDone) {
        // The skipped file's chunk still counts: the run ends at 100.
        ExpectWritten(handmade::kAfter);
        ASSERT_FALSE(RecordedCalls().empty());
        EXPECT_EQ(100, RecordedCalls().back().percent) << DescribeCalls(RecordedCalls());
    } else {
        EXPECT_FALSE(PathExists(folder_.File("after.txt")));
    }
}

INSTANTIATE_TEST_SUITE_P(
    Cases, LibraryInUse,
    testing::Values(LibraryCase{handmade::kHelperDll, Blocking::kLocked, kExtractDone},
                    LibraryCase{handmade::kHelperDll, Blocking::kReadOnly, kExtractDone},
                    LibraryCase{handmade::kUpperDll, Blocking::kLocked, kExtractDone},
                    LibraryCase{handmade::kMixedDll, Blocking::kLocked, kExtractCreateFailed},
                    LibraryCase{handmade::kMixedDll, Blocking::kReadOnly, kExtractCreateFailed},
                    LibraryCase{handmade::kFirst, Blocking::kLocked, kExtractCreateFailed},
                    LibraryCase{handmade::kFirst, Blocking::kReadOnly, kExtractCreateFailed}),
    LibraryCaseName);

class DamagedChunk : public HandmadeExtraction, public testing::WithParamInterface<handmade::Damage> {};

// Damaged data, not a full disk: the installer says so in its own words.
TEST_P(DamagedChunk, GivesDamagedDataWithoutWritingItAndRemovalSparesWhatTheRunNeverReached) {
    ASSERT_TRUE(WriteText(folder_.File("after.txt"), "the user's own after.txt"));
    handmade::DamageBrokenChunk(GetParam());
    EXPECT_EQ(kExtractDataDamaged, ExtractPayload(nullptr, nullptr));

    // The good first chunk is there, nothing of the damaged one.
    std::vector<unsigned char> partial;
    ASSERT_TRUE(ReadWholeFile(folder_.File("broken.txt"), partial));
    const std::vector<unsigned char>& whole = handmade::Contents(handmade::kBroken);
    ASSERT_EQ(kChunkRawBytes, partial.size());
    EXPECT_TRUE(std::equal(partial.begin(), partial.end(), whole.begin()));

    EXPECT_EQ(4, RemovePayload(nullptr, nullptr));
    for (int i = 0; i < handmade::kAfter; ++i) EXPECT_FALSE(PathExists(folder_.File(fileNames[i]))) << fileNames[i];
    EXPECT_EQ("the user's own after.txt", ReadText(folder_.File("after.txt")));
}

INSTANTIATE_TEST_SUITE_P(Damages, DamagedChunk,
                         testing::Values(handmade::Damage::kChecksum, handmade::Damage::kTruncated),
                         [](const testing::TestParamInfo<handmade::Damage>& info) {
                             return std::string(info.param == handmade::Damage::kChecksum ? "BadChecksum"
                                                                                          : "Truncated");
                         });

// An earlier installation of some of the table's files, each with bytes and
// a time of its own.
struct EarlierFile {
    const char* name;
    const char* text;
    int64_t time;
};
const EarlierFile kEarlier[] = {{"first.txt", "first, as installed before", 900000000},
                                {"sub\\dir\\nested.txt", "nested, as installed before", 900000100},
                                {"big.bin", "big, as installed before", 900000200},
                                {"after.txt", "after, as installed before", 900000300}};

void InstallEarlier(const ScratchFolder& folder) {
    ASSERT_TRUE(testing_support::CreateFolders(folder.File("sub\\dir")));
    for (const EarlierFile& file : kEarlier) {
        ASSERT_TRUE(WriteText(folder.File(file.name), file.text)) << file.name;
        ASSERT_TRUE(SetFileTimes(folder.File(file.name), file.time)) << file.name;
    }
}

void ExpectEarlier(const ScratchFolder& folder) {
    for (const EarlierFile& file : kEarlier) {
        int64_t accessTime = 0, modificationTime = 0;
        ASSERT_TRUE(FileTimes(folder.File(file.name), accessTime, modificationTime)) << file.name;
        EXPECT_EQ(file.time, modificationTime) << file.name;
        EXPECT_EQ(file.time, accessTime) << file.name;
        EXPECT_EQ(file.text, ReadText(folder.File(file.name))) << file.name;
    }
}

TEST_F(HandmadeExtraction, AFailedRunPutsBackEveryFileItReplacedAndDeletesOnlyWhatItCreated) {
    ASSERT_NO_FATAL_FAILURE(InstallEarlier(folder_));
    handmade::DamageBrokenChunk(handmade::Damage::kChecksum);
    ASSERT_EQ(kExtractDataDamaged, ExtractPayload(nullptr, nullptr));
    ExpectWritten(handmade::kBig);  // replaced, and kept aside meanwhile

    EXPECT_EQ(4, RemovePayload(nullptr, nullptr));
    ExpectEarlier(folder_);
    // Nothing new is left, no kept copy either.
    std::vector<std::string> earlier = {"after.txt", "big.bin", "first.txt", "sub"};
    EXPECT_EQ(earlier, FolderEntries(folder_.path()));
    EXPECT_EQ(std::vector<std::string>{"nested.txt"}, FolderEntries(folder_.File("sub\\dir")));
}

TEST_F(HandmadeExtraction, ASuccessfulRunKeepsTheReplacedFilesOnlyUntilTheyAreDiscarded) {
    ASSERT_NO_FATAL_FAILURE(InstallEarlier(folder_));
    ASSERT_EQ(kExtractDone, ExtractPayload(nullptr, nullptr));
    for (int i = 0; i < handmade::kFileCount; ++i) ExpectWritten(i);
    // Each replaced file waits beside its successor under a name of its own.
    std::vector<std::string> top = FolderEntries(folder_.path());
    ASSERT_EQ(static_cast<size_t>(handmade::kFileCount + 3), top.size());
    size_t kept = 0;
    for (const std::string& name : top) {
        if (name[0] != '~') continue;
        ++kept;
        std::string text = ReadText(folder_.File(name));
        EXPECT_TRUE(text == kEarlier[0].text || text == kEarlier[2].text || text == kEarlier[3].text) << name;
    }
    EXPECT_EQ(3u, kept);

    DiscardKeptFiles();
    EXPECT_EQ(static_cast<size_t>(handmade::kFileCount), FolderEntries(folder_.path()).size());
    EXPECT_EQ(std::vector<std::string>{"nested.txt"}, FolderEntries(folder_.File("sub\\dir")));
    for (int i = 0; i < handmade::kFileCount; ++i) ExpectWritten(i);
}

// Drive T: is a 2 MB tmpfs only when the test environment could mount it.
bool SmallDriveAvailable(std::string& why) {
    ULARGE_INTEGER available, total, free;
    if (!GetDiskFreeSpaceExA("T:\\", &available, &total, &free)) {
        why = "drive T: is absent";
        return false;
    }
    if (total.QuadPart > 4u * 1024 * 1024) {
        why = "drive T: is not the small tmpfs (" + std::to_string(total.QuadPart) + " bytes)";
        return false;
    }
    return true;
}

TEST(HandmadeExtractionOnAFullDisk, GivesTwoAndRemovalFreesTheDriveAgain) {
    std::string why;
    if (!SmallDriveAvailable(why)) GTEST_SKIP() << why;
    handmade::BuildTable();
    handmade::DamageBrokenChunk(handmade::Damage::kNone);
    ULARGE_INTEGER freeBefore, total, unused;
    ASSERT_TRUE(GetDiskFreeSpaceExA("T:\\", &freeBefore, &total, &unused));
    ScratchFolder folder("T:\\");
    ASSERT_FALSE(folder.path().empty()) << "no folder on T:";
    ASSERT_TRUE(WriteText(folder.File("after.txt"), "kept"));

    EXPECT_EQ(kExtractWriteFailed, ExtractPayload(nullptr, nullptr));
    std::vector<unsigned char> partial;
    ASSERT_TRUE(ReadWholeFile(folder.File("big.bin"), partial));
    EXPECT_LT(partial.size(), handmade::Contents(handmade::kBig).size());
    EXPECT_TRUE(std::equal(partial.begin(), partial.end(), handmade::Contents(handmade::kBig).begin()))
        << "the partial file holds other bytes than the table's";
    EXPECT_FALSE(PathExists(folder.File("broken.txt")));

    EXPECT_EQ(4, RemovePayload(nullptr, nullptr));
    for (int i = 0; i < handmade::kAfter; ++i) EXPECT_FALSE(PathExists(folder.File(fileNames[i]))) << fileNames[i];
    EXPECT_EQ("kept", ReadText(folder.File("after.txt")));
    ULARGE_INTEGER freeAfter;
    ASSERT_TRUE(GetDiskFreeSpaceExA("T:\\", &freeAfter, &total, &unused));
    EXPECT_GE(freeAfter.QuadPart + 64 * 1024, freeBefore.QuadPart) << "the removal left the drive full";
}

TEST(HandmadeExtractionOnAFullDisk, PutsBackTheFilesItReplacedBeforeTheDiskFilled) {
    std::string why;
    if (!SmallDriveAvailable(why)) GTEST_SKIP() << why;
    handmade::BuildTable();
    handmade::DamageBrokenChunk(handmade::Damage::kNone);
    ScratchFolder folder("T:\\");
    ASSERT_FALSE(folder.path().empty()) << "no folder on T:";
    ASSERT_NO_FATAL_FAILURE(InstallEarlier(folder));

    EXPECT_EQ(kExtractWriteFailed, ExtractPayload(nullptr, nullptr));
    EXPECT_EQ(4, RemovePayload(nullptr, nullptr));
    ExpectEarlier(folder);
    std::vector<std::string> earlier = {"after.txt", "big.bin", "first.txt", "sub"};
    EXPECT_EQ(earlier, FolderEntries(folder.path()));
}

}  // namespace
