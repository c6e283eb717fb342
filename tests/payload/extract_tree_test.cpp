// Extraction of a deep tree whose folders recur throughout the table (the
// files of one folder are not next to each other), and of the same tree
// while another party removes or replaces a folder the extraction made.
// The table is made at run time.
#include <gtest/gtest.h>

#include <zlib.h>

#include <algorithm>
#include <string>
#include <vector>

#include "payload/extract.h"
#include "product/product_data.h"
#include "tests/payload/payload_test_support.h"

using namespace payload_test;

// Stored names, in table order. Each folder comes back after others, and
// "deep" runs nine folders down.
#define TREE_FILES(X)                                   \
    X(0, "top.txt")                                     \
    X(1, "alpha/one.txt")                               \
    X(2, "beta/x/y/two.txt")                            \
    X(3, "deep/a/b/c/d/e/f/g/h/three.txt")              \
    X(4, "alpha/four.txt")                              \
    X(5, "alpha/five.txt")                             \
    X(6, "deep/a/b/c/six.txt")                          \
    X(7, "beta/x/y/seven.txt")                          \
    X(8, "alpha/sub/eight.txt")                         \
    X(9, "deep/a/b/c/d/e/f/g/h/nine.txt")               \
    X(10, "gamma\\back\\slash\\ten.txt")                \
    X(11, "alpha/eleven.txt")                           \
    X(12, "gamma/back/twelve.txt")                      \
    X(13, "deep/a/b/c/d/e/f/thirteen.txt")              \
    X(14, "beta/x/y/empty.txt")                         \
    X(15, "alpha/sub/fifteen.txt")                      \
    X(16, "deep/a/sixteen.txt")                         \
    X(17, "top2.txt")

#define TREE_NAME(i, name) name,
#define TREE_CHUNKS(i, name) chunkSlots[i],
#define TREE_SIZES(i, name) sizeSlots[i],

namespace {

constexpr int kFiles = 18;
constexpr int kEmpty = 14;  // no chunks: an empty file
const unsigned char* chunkSlots[kFiles][2];
uint32_t sizeSlots[kFiles][2];
std::vector<std::vector<unsigned char>> contents(kFiles);
std::vector<std::vector<unsigned char>> compressed;

}  // namespace

const int32_t fileCount = kFiles;
const unsigned char* const* const fileChunks[] = {TREE_FILES(TREE_CHUNKS)};
const uint32_t* const fileChunkSizes[] = {TREE_FILES(TREE_SIZES)};
const char* const fileNames[] = {TREE_FILES(TREE_NAME)};
// The last file has two chunks; the empty one none.
const int32_t fileChunkCounts[] = {1, 1, 1, 1, 1, 1, 1, 1, 1, 1, 1, 1, 1, 1, 0, 1, 1, 2};
const int32_t fileTimes[] = {1100000000, 1100000011, 1100000022, 1100000033, 1100000044, 1100000055,
                             1100000066, 1100000077, 1100000088, 1100000099, 1100000110, 1100000121,
                             1100000132, 1100000143, 1100000154, 1100000165, 1100000176, 1100000187};
const uint32_t payloadTotalBytes = 0;

namespace {

void BuildTable() {
    if (!compressed.empty()) return;
    compressed.reserve(kFiles * 2);
    for (int i = 0; i < kFiles; ++i) {
        size_t size = fileChunkCounts[i] == 0 ? 0 : fileChunkCounts[i] == 2 ? kChunkRawBytes + 77 : 100 + 37 * i;
        for (size_t k = 0; k < size; ++k) contents[i].push_back(static_cast<unsigned char>((k * 7 + i * 13) % 251));
        for (int c = 0; c < fileChunkCounts[i]; ++c) {
            size_t offset = c * kChunkRawBytes;
            size_t piece = size - offset < kChunkRawBytes ? size - offset : kChunkRawBytes;
            uLongf length = compressBound(piece);
            std::vector<unsigned char> out(length);
            EXPECT_EQ(Z_OK, compress2(out.data(), &length, contents[i].data() + offset, piece, 6));
            out.resize(length);
            compressed.push_back(out);
            chunkSlots[i][c] = compressed.back().data();
            sizeSlots[i][c] = static_cast<uint32_t>(length);
        }
    }
}

std::string Windows(const std::string& name) {
    std::string path = name;
    for (char& c : path)
        if (c == '/') c = '\\';
    return path;
}

// Every folder below `folder`, relative to it, and every file.
void Walk(const std::string& root, const std::string& relative, std::vector<std::string>& found) {
    for (const std::string& entry : testing_support::FolderEntries(relative.empty() ? root : root + "\\" + relative)) {
        std::string path = relative.empty() ? entry : relative + "\\" + entry;
        found.push_back(path);
        if (testing_support::IsFolder(root + "\\" + path)) Walk(root, path, found);
    }
}

// The folders and files that the table makes, sorted as Walk lists them.
std::vector<std::string> ExpectedTree(const std::vector<int>& files) {
    std::vector<std::string> expected;
    for (int i : files) {
        std::string name = Windows(fileNames[i]);
        for (size_t at = name.find('\\'); at != std::string::npos; at = name.find('\\', at + 1))
            expected.push_back(name.substr(0, at));
        expected.push_back(name);
    }
    std::sort(expected.begin(), expected.end());
    expected.erase(std::unique(expected.begin(), expected.end()), expected.end());
    return expected;
}

int TotalChunks() {
    int total = 0;
    for (int i = 0; i < kFiles; ++i) total += fileChunkCounts[i];
    return total;
}

class TreeExtraction : public testing::Test {
protected:
    static void SetUpTestSuite() { BuildTable(); }
    void SetUp() override {
        ASSERT_FALSE(folder_.path().empty());
        RecordedCalls().clear();
    }

    void ExpectFile(int i) {
        std::string path = folder_.File(Windows(fileNames[i]));
        int64_t accessTime = 0, modificationTime = 0;
        ASSERT_TRUE(FileTimes(path, accessTime, modificationTime)) << path;
        EXPECT_EQ(fileTimes[i], modificationTime) << fileNames[i];
        EXPECT_EQ(fileTimes[i], accessTime) << fileNames[i];
        std::vector<unsigned char> bytes;
        ASSERT_TRUE(ReadWholeFile(path, bytes)) << path;
        EXPECT_TRUE(bytes == contents[i]) << fileNames[i] << ": " << bytes.size() << " bytes";
    }
    std::vector<std::string> Tree() {
        std::vector<std::string> found;
        Walk(folder_.path(), "", found);
        std::sort(found.begin(), found.end());
        return found;
    }

    ScratchFolder folder_;
};

TEST_F(TreeExtraction, EveryFolderFileAndTimeOfADeepTreeWhoseFoldersRecur) {
    ASSERT_EQ(kExtractDone, ExtractPayload(nullptr, RecordCall));
    std::vector<int> all;
    for (int i = 0; i < kFiles; ++i) all.push_back(i);
    EXPECT_EQ(ExpectedTree(all), Tree());
    for (int i = 0; i < kFiles; ++i) ExpectFile(i);
    // One call before each file and one per chunk, then "" and "Done".
    EXPECT_EQ(static_cast<size_t>(kFiles + TotalChunks() + 2), RecordedCalls().size()) << DescribeCalls(RecordedCalls());
}

// What another party does to the folder "alpha" when the extraction
// announces `when`. "alpha/five.txt" follows another file of alpha, so the
// extraction holds the folder then.
enum class Meddling { kRemoveFolder, kFileInItsPlace, kLinkInItsPlace, kMovedAndLinked };
struct MeddlingCase {
    Meddling meddling;
    const char* when;
    int lastGone;  // files of alpha up to this index went with the folder
    int expected;
    const char* name;
};

const MeddlingCase* currentCase = nullptr;
std::string meddlingRoot, outside;
bool meddled = false;
bool folderWent = false;

int MeddlingCallback(HWND window, const char* text, int percent) {
    (void)RecordCall(window, text, percent);
    if (meddled || std::string(text) != currentCase->when) return 1;
    meddled = true;
    std::string alpha = meddlingRoot + "\\alpha";
    // A folder that the extraction holds may refuse to go (Windows keeps
    // it, Wine lets it go); its files go either way.
    if (currentCase->meddling == Meddling::kMovedAndLinked) {
        // Renaming a held folder is refused by Windows but not by Wine.
        folderWent = MoveFileExA(alpha.c_str(), (alpha + "-moved").c_str(), 0) && PlantFolderLink(alpha, outside);
        return 1;
    }
    // Deleting a held folder is refused by Windows, and put off by Wine
    // until the extraction lets go of it; its files go either way.
    folderWent = RemoveTree(alpha) && !PathExists(alpha);
    if (!folderWent) return 1;
    if (currentCase->meddling == Meddling::kFileInItsPlace) (void)WriteText(alpha, "not a folder");
    if (currentCase->meddling == Meddling::kLinkInItsPlace) (void)PlantFolderLink(alpha, outside);
    return 1;
}

bool IsInAlpha(int i) { return std::string(fileNames[i]).rfind("alpha/", 0) == 0; }

class MeddledTree : public TreeExtraction, public testing::WithParamInterface<MeddlingCase> {
protected:
    void SetUp() override {
        TreeExtraction::SetUp();
        outside_ = MakeFolderBeside(folder_.path(), "outside");
        ASSERT_FALSE(outside_.empty());
    }
    void TearDown() override {
        EXPECT_TRUE(FolderEntries(outside_).empty()) << "something was written through the link";
        (void)RemoveFolderLink(folder_.File("alpha"));
        (void)RemoveTree(outside_);
    }
    std::string outside_;
};

TEST_P(MeddledTree, TheFolderIsMadeAgainOrTheRunFailsButNothingIsWrittenElsewhere) {
    const MeddlingCase& c = GetParam();
    if ((c.meddling == Meddling::kLinkInItsPlace || c.meddling == Meddling::kMovedAndLinked) &&
        !FolderLinksAvailable())
        GTEST_SKIP() << "no way to make a link that this system shows as a reparse point";
    currentCase = &c;
    meddlingRoot = folder_.path();
    outside = outside_;
    meddled = false;
    folderWent = false;
    int result = ExtractPayload(nullptr, MeddlingCallback);
    currentCase = nullptr;
    ASSERT_TRUE(meddled) << "the callback never saw " << c.when;
    // Where the folder could not be removed nothing was put in its place.
    int expectedResult = folderWent ? c.expected : kExtractDone;
    EXPECT_EQ(expectedResult, result);

    if (c.meddling == Meddling::kMovedAndLinked && folderWent) {
        // The next file of the held folder still went into it, under its new
        // name; the first file of alpha after that was refused the link.
        EXPECT_EQ(kExtractCreateFailed, result);
        std::vector<std::string> moved = {"five.txt", "four.txt", "one.txt"};
        EXPECT_EQ(moved, FolderEntries(folder_.File("alpha-moved")));
        (void)RemoveTree(folder_.File("alpha-moved"));
        return;
    }
    // Every file up to where the run stopped is in its place, except those
    // of alpha that went with the folder.
    std::vector<int> expected;
    bool stopped = false;
    for (int i = 0; i < kFiles && !stopped; ++i) {
        stopped = expectedResult != kExtractDone && std::string(fileNames[i]) == c.when;
        if (stopped || (IsInAlpha(i) && (i <= c.lastGone || expectedResult != kExtractDone))) continue;
        expected.push_back(i);
    }
    std::vector<std::string> tree = ExpectedTree(expected);
    if (expectedResult != kExtractDone) tree.push_back("alpha");  // the other party's file or link
    std::sort(tree.begin(), tree.end());
    tree.erase(std::unique(tree.begin(), tree.end()), tree.end());
    EXPECT_EQ(tree, Tree());
    for (int i : expected) ExpectFile(i);
    if (c.meddling == Meddling::kFileInItsPlace) {
        EXPECT_EQ("not a folder", ReadText(folder_.File("alpha")));
    }
}

// The clean-up after a failure deletes nothing through a link that took the
// place of a folder it made.
TEST_F(MeddledTree, TheCleanUpDeletesNothingThroughALink) {
    if (!FolderLinksAvailable()) GTEST_SKIP() << "no way to make a link that this system shows as a reparse point";
    ASSERT_EQ(kExtractDone, ExtractPayload(nullptr, nullptr));
    std::string alpha = folder_.File("alpha");
    ASSERT_TRUE(MoveFileExA(alpha.c_str(), (alpha + "-moved").c_str(), 0));
    ASSERT_TRUE(PlantFolderLink(alpha, outside_));
    std::string othersFile = outside_ + "\\one.txt";
    ASSERT_TRUE(WriteText(othersFile, "someone else's"));

    EXPECT_EQ(0, RemovePayload(nullptr, nullptr)) << "alpha\\one.txt cannot be reached but through the link";
    EXPECT_EQ("someone else's", ReadText(othersFile));
    (void)DeleteFileA(othersFile.c_str());
    (void)RemoveTree(alpha + "-moved");
}

INSTANTIATE_TEST_SUITE_P(
    Cases, MeddledTree,
    testing::Values(
        MeddlingCase{Meddling::kRemoveFolder, "alpha/eleven.txt", 8, kExtractDone, "RemovedMeanwhile"},
        MeddlingCase{Meddling::kRemoveFolder, "alpha/five.txt", 4, kExtractDone, "RemovedBetweenTwoOfItsFiles"},
        MeddlingCase{Meddling::kFileInItsPlace, "alpha/eleven.txt", 8, kExtractCreateFailed, "AFileInItsPlace"},
        MeddlingCase{Meddling::kLinkInItsPlace, "alpha/eleven.txt", 8, kExtractCreateFailed, "ALinkInItsPlace"},
        MeddlingCase{Meddling::kLinkInItsPlace, "alpha/five.txt", 4, kExtractCreateFailed,
                     "ALinkInItsPlaceBetweenTwoOfItsFiles"},
        MeddlingCase{Meddling::kMovedAndLinked, "alpha/five.txt", 4, kExtractCreateFailed,
                     "MovedAwayAndALinkInItsPlaceBetweenTwoOfItsFiles"}),
    [](const testing::TestParamInfo<MeddlingCase>& info) { return std::string(info.param.name); });

}  // namespace
