// Writing the files fails: a file that cannot be created, a disk that fills
// up. The user is told why under "Varnlet Installation Failed" while the
// progress dialog still shows where it stopped; then every file written so
// far is deleted. What stays is only what the folder choice made: the data
// folder and its ini entry.
#include "tests/e2e/scenario.h"

namespace e2e {
namespace {

constexpr char kStoredTime[] = "2005-01-02T03:04:05Z";

// Chunks of a file of `bytes` bytes, as the build cuts it.
int ChunksOf(size_t bytes) { return static_cast<int>((bytes + 29999) / 30000); }

class ExtractionFailures : public Scenario {
protected:
    // From the licence to the older-version warning, into parent\Varnlet.
    void WalkToTheExtraction(const std::string& installer, const std::string& parent) {
        ASSERT_TRUE(StartAndChooseFolder(installer, parent, kProduct)) << user().Failure();
        ASSERT_TRUE(ExpectOlderVersionWarning()) << user().Failure();
    }

    // The failure message over the progress dialog, which shows `item` and
    // the percentage line.
    void ExpectFailure(const char* text, const std::string& item, std::string* percentLine) {
        MessageBoxSeen box;
        ASSERT_TRUE(user().WaitForMessageBox(FormatText(kFailedTitleFormat, kProduct).c_str(), kAfterWaitMs, &box))
            << user().Failure();
        EXPECT_EQ(Quoted(text), Quoted(box.text));
        EXPECT_TRUE(box.hasIcon) << "a warning has its icon";
        EXPECT_EQ(std::vector<int>{IDOK}, box.buttons);
        HWND progress = user().WaitForWindow(kProgressTitle, kNextWindowMs);
        ASSERT_TRUE(progress) << user().Failure() << "the progress dialog is gone";
        EXPECT_EQ(item, user().Field(progress, kProgressItemId)) << "item line of the progress dialog";
        *percentLine = user().Field(progress, kProgressPercentId);
        ASSERT_TRUE(user().Answer(box, IDOK)) << user().Failure();
        ASSERT_TRUE(ExpectEndsWithStatusZero()) << user().Failure();
    }
};

TEST_F(ExtractionFailures, AFileThatCannotBeCreatedStopsAndTheWrittenFilesGo) {
    // A folder where manual.htm belongs: a file cannot be created there.
    const std::string dataFolder = JoinPath(JoinPath(kScratchRoot, "Prepared"), kProduct);
    const std::string blocker = JoinPath(dataFolder, "manual.htm");
    ASSERT_TRUE(CreateFolders(blocker));
    ASSERT_TRUE(WriteWholeFile(JoinPath(blocker, "kept.txt"), "kept"));

    ASSERT_NO_FATAL_FAILURE(WalkToTheExtraction(BuiltProgram(E2E_VARNLET_WARN_SETUP), JoinPath(kScratchRoot, "Prepared")));
    // The progress shows manual.htm at the share of chunks written before it.
    std::vector<PayloadFile> payload = VarnletPayload();
    int total = 0, before = 0;
    for (const PayloadFile& file : payload) {
        std::string bytes;
        ASSERT_TRUE(ReadWholeFile(file.source, &bytes)) << file.source;
        if (file.name == "vrl32.exe" || file.name == "vrl32.exe.manifest") before += ChunksOf(bytes.size());
        total += ChunksOf(bytes.size());
    }
    std::string percentLine;
    ASSERT_NO_FATAL_FAILURE(ExpectFailure(kCannotCreateText, "manual.htm", &percentLine));
    EXPECT_EQ(FormatText("Percent Complete: %d%%", 100 * before / total), percentLine);

    // vrl32.exe and its manifest were written and are deleted again; the
    // folder in the way stays as it was.
    ExpectFolderHolds(dataFolder, {"manual.htm"});
    ExpectFolderHolds(blocker, {"kept.txt"});
    ExpectNothingRegistered();
    ExpectIniDataFolder(dataFolder);
    ExpectNotRunning("vrl32.exe");
}

TEST_F(ExtractionFailures, AFullDiskStopsAndThePartFileGoes) {
    ULARGE_INTEGER available = {}, total = {};
    ASSERT_TRUE(GetDiskFreeSpaceExA(kSmallDrive, &available, &total, nullptr)) << kSmallDrive << " is missing";
    if (total.QuadPart >= 3u << 20) GTEST_SKIP() << kSmallDrive << " is not the 2 MB drive (tmpfs needs root)";

    ASSERT_NO_FATAL_FAILURE(WalkToTheExtraction(BuiltProgram(E2E_BIGFILE_SETUP), kSmallDrive));
    std::string percentLine;
    ASSERT_NO_FATAL_FAILURE(ExpectFailure(kCannotFinishText, "data.bin", &percentLine));
    EXPECT_EQ(0u, percentLine.find("Percent Complete: ")) << percentLine;

    const std::string dataFolder = JoinPath(kSmallDrive, kProduct);
    ExpectFolderHolds(dataFolder, {});
    ULARGE_INTEGER availableAfter = {};
    ASSERT_TRUE(GetDiskFreeSpaceExA(kSmallDrive, &availableAfter, nullptr, nullptr));
    // Only the empty folder is left of what the installer wrote there.
    EXPECT_GE(availableAfter.QuadPart + 4096, available.QuadPart) << "free bytes before and after";
    ExpectNothingRegistered();
    ExpectIniDataFolder(dataFolder);
    EXPECT_TRUE(ReadChildRuns(ChildLog()).empty()) << "a program was started";
}

}  // namespace
}  // namespace e2e
