// Choosing the data folder the way users get it wrong first: the Windows
// directory, a folder that already serves something else, a drive that is too
// small. Each is refused or questioned, the user chooses again, and the
// installation completes in the folder finally chosen.
#include "tests/e2e/scenario.h"

namespace e2e {
namespace {

constexpr char kStoredTime[] = "2005-01-02T03:04:05Z";

class FolderChoice : public Scenario {
protected:
    void AcceptLicenceAndWaitForTheFolderDialog(HWND* dialog) {
        ASSERT_TRUE(AnswerLicence(user(), true, nullptr)) << user().Failure();
        std::string parent, application;
        *dialog = WaitForFolderDialog(user(), &parent, &application);
        ASSERT_TRUE(*dialog) << user().Failure();
    }

    // The older-version warning (these installers show it instead of closing
    // running copies), then No to starting the product.
    void FinishWithoutStarting() {
        ASSERT_TRUE(ExpectOlderVersionWarning()) << user().Failure();
        ASSERT_TRUE(ExpectBox(kSuccessTitle, FormatText(kSuccessFormat, kProduct, kProduct), false, {IDYES, IDNO},
                              IDNO, kAfterWaitMs))
            << user().Failure();
        ASSERT_TRUE(ExpectEndsWithStatusZero()) << user().Failure();
    }
};

TEST_F(FolderChoice, WindowsDirectoryIsRefusedAndAnExistingFolderNeedsConsent) {
    const std::string tools = JoinPath(kScratchRoot, "Tools");
    ASSERT_TRUE(CreateFolders(tools));
    ASSERT_TRUE(WriteWholeFile(JoinPath(tools, "readme.txt"), "the user's own"));
    const std::string windows = WindowsDirectory();
    const size_t cut = windows.rfind('\\');
    ASSERT_NE(std::string::npos, cut) << windows;

    ASSERT_TRUE(StartInstaller(BuiltProgram(E2E_VARNLET_WARN_SETUP))) << user().Failure();
    HWND dialog = nullptr;
    ASSERT_NO_FATAL_FAILURE(AcceptLicenceAndWaitForTheFolderDialog(&dialog));

    // The Windows directory is refused before anything else is asked.
    ASSERT_TRUE(ChooseFolder(user(), dialog, windows.substr(0, cut), windows.substr(cut + 1))) << user().Failure();
    ASSERT_TRUE(ExpectBox(kWindowsFolderTitle, kWindowsFolderText, true, {IDOK}, IDOK)) << user().Failure();

    // The dialog stays with the refused folder in it.
    std::string parent, application;
    dialog = WaitForFolderDialog(user(), &parent, &application);
    ASSERT_TRUE(dialog) << user().Failure();
    EXPECT_EQ(windows.substr(0, cut), parent);
    EXPECT_EQ(windows.substr(cut + 1), application);

    // No keeps the dialog open; Yes takes the folder.
    ASSERT_TRUE(ChooseFolder(user(), dialog, kScratchRoot, "Tools")) << user().Failure();
    ASSERT_TRUE(ExpectBox(kExistingFolderTitle, kExistingFolderText, false, {IDYES, IDNO}, IDNO)) << user().Failure();
    HWND same = user().WaitForWindow(kFolderDialogTitle, kNextWindowMs);
    ASSERT_TRUE(same) << user().Failure();
    EXPECT_EQ(dialog, same) << "No closed the folder dialog";
    EXPECT_EQ(kScratchRoot, user().Field(dialog, kParentFolderId)) << "No changed what the user typed";
    EXPECT_EQ("Tools", user().Field(dialog, kApplicationFolderId));
    ASSERT_TRUE(user().Click(dialog, IDOK)) << user().Failure();
    ASSERT_TRUE(ExpectBox(kExistingFolderTitle, kExistingFolderText, false, {IDYES, IDNO}, IDYES))
        << user().Failure();
    ASSERT_NO_FATAL_FAILURE(FinishWithoutStarting());

    ExpectPayloadInstalled(tools, VarnletPayload(), {"readme.txt"}, LinkTargets("vrl32.exe"));
    std::string mine;
    EXPECT_TRUE(ReadWholeFile(JoinPath(tools, "readme.txt"), &mine));
    EXPECT_EQ("the user's own", mine);
    ExpectRegistered(tools, "vrl32.exe");
    for (const PayloadFile& file : VarnletPayload())
        EXPECT_FALSE(PathExists(JoinPath(windows, file.name))) << file.name << " was written to " << windows;
    ExpectNotRunning("vrl32.exe");
}

TEST_F(FolderChoice, TooSmallADriveBringsTheDialogBackUntilARoomyOne) {
    ULARGE_INTEGER available = {}, total = {};
    ASSERT_TRUE(GetDiskFreeSpaceExA(kSmallDrive, &available, &total, nullptr)) << kSmallDrive << " is missing";
    if (total.QuadPart >= 3u << 20) GTEST_SKIP() << kSmallDrive << " is not the 2 MB drive (tmpfs needs root)";
    ASSERT_TRUE(CreateFolders(kScratchRoot));

    ASSERT_TRUE(StartInstaller(BuiltProgram(E2E_ROOMY_SETUP))) << user().Failure();
    HWND dialog = nullptr;
    ASSERT_NO_FATAL_FAILURE(AcceptLicenceAndWaitForTheFolderDialog(&dialog));
    ASSERT_TRUE(ChooseFolder(user(), dialog, kSmallDrive, kProduct)) << user().Failure();

    // The free space as the installer measures it: whole clusters, in MB.
    DWORD sectorsPerCluster = 0, bytesPerSector = 0, freeClusters = 0, clusters = 0;
    ASSERT_TRUE(GetDiskFreeSpaceA(kSmallDrive, &sectorsPerCluster, &bytesPerSector, &freeClusters, &clusters));
    int freeMegabytes = static_cast<int>((freeClusters * (sectorsPerCluster * bytesPerSector)) >> 20);
    ASSERT_TRUE(ExpectBox(kNoSpaceTitle, FormatText(kNoSpaceFormat, 3, kSmallDrive, freeMegabytes), true, {IDOK},
                          IDOK))
        << user().Failure();

    // The choice was remembered, so the dialog proposes it again.
    std::string parent, application;
    dialog = WaitForFolderDialog(user(), &parent, &application);
    ASSERT_TRUE(dialog) << user().Failure();
    EXPECT_EQ("T:", parent);
    EXPECT_EQ(kProduct, application);
    ASSERT_TRUE(ChooseFolder(user(), dialog, kScratchRoot, kProduct)) << user().Failure();
    ASSERT_NO_FATAL_FAILURE(FinishWithoutStarting());

    const std::string dataFolder = JoinPath(kScratchRoot, kProduct);
    ExpectPayloadInstalled(dataFolder, RecorderPayload({"vmain.exe", "rtuninst.exe"}, kStoredTime), {},
                           LinkTargets("vmain.exe"));
    ExpectRegistered(dataFolder, "vmain.exe");
    // The folder made on the small drive stays, empty.
    ExpectFolderHolds(JoinPath(kSmallDrive, kProduct), {});
    EXPECT_TRUE(ReadChildRuns(ChildLog()).empty()) << "No started a program";
}

}  // namespace
}  // namespace e2e
