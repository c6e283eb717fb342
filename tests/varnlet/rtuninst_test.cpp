// Varnlet's uninstaller under Wine, run on an installed Varnlet the way a
// user runs it from the Start menu: its questions answered through the real
// message boxes, its results read back from the disk, the Start menu, the
// registry, the ini file and Wine's own list of installed programs.
#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "tests/support/scheduled_deletions.h"
#include "tests/support/screenshot.h"
#include "tests/support/window_driver.h"
#include "tests/varnlet/varnlet_fixture.h"

using namespace varnlet_test;
using testing_support::MessageBoxText;
using testing_support::PressButton;
using testing_support::WaitForWindow;
using testing_support::WaitForWindowGone;

namespace {

constexpr int kWindowTimeoutMs = 30000;
constexpr int kExitTimeoutMs = 30000;
const char kTestRoot[] = "C:\\VarnletTests";
const char kParent[] = "C:\\VarnletTests\\My Programs";
const char kDataFolder[] = "C:\\VarnletTests\\My Programs\\Varnlet";
const char kTitle[] = "Uninstall Varnlet";

// The temporary copies of the uninstaller that are scheduled for deletion at
// the next restart, taken off the list and deleted now (once their process
// has ended), so the prefix does not collect them.
std::vector<std::string> TakeScheduledUninstallerCopies() {
    return testing_support::TakeScheduledDeletions(
               [](const std::string& path) { return path.rfind("\\rtuninst-") != std::string::npos; }, kExitTimeoutMs)
        .paths;
}

std::string Listing(const std::vector<std::string>& names) {
    std::string text;
    for (const std::string& name : names) text += "[" + name + "] ";
    return text;
}

bool Contains(const std::string& text, const std::string& part) { return text.find(part) != std::string::npos; }

// What the installed state looks like from outside, for before/after checks.
struct Snapshot {
    std::vector<std::string> dataFiles;
    bool productLink;
    bool uninstallLink;
    std::string uninstallString;
    std::string dataDir;
};

Snapshot Take() {
    return Snapshot{FolderEntries(kDataFolder), PathExists(ProductLink()), PathExists(UninstallLink()),
                    ReadUninstallValue("UninstallString"), ReadDataDir()};
}

class RtuninstTest : public ::testing::Test {
protected:
    void SetUp() override {
        RemoveTree(kTestRoot);
        RemoveInstalledState(kDataFolder);
        PutInstalledState(kDataFolder);
        ASSERT_TRUE(WriteWholeFile(JoinPath(kParent, "outside.txt"), "not Varnlet's"));
    }

    void TearDown() override {
        EndIfRunning(varnlet_);
        EndIfRunning(uninstaller_);
        TakeScheduledUninstallerCopies();
        RemoveInstalledState(kDataFolder);
        WritePrivateProfileStringA("Options", "theme", nullptr, kIniFile);
        RemoveTree(kTestRoot);
    }

    static std::string Uninstaller() { return JoinPath(kDataFolder, "rtuninst.exe"); }

    // Starts the uninstaller as the Start-menu link does and answers its
    // question; returns the confirmation's text.
    std::string StartAndAnswer(Process* process, int answer, const std::string& exe = Uninstaller()) {
        if (!Start(exe, "", kDataFolder, process)) {
            ADD_FAILURE() << "could not start " << exe;
            return "";
        }
        HWND box = WaitForWindow(process->Id(), kTitle, "#32770", kWindowTimeoutMs);
        if (!box) {
            ADD_FAILURE() << "no confirmation\n" << testing_support::DescribeWindows(0);
            return "";
        }
        std::string text = MessageBoxText(box);
        PressButton(box, answer);
        EXPECT_TRUE(WaitForWindowGone(box, kWindowTimeoutMs));
        return text;
    }

    // Waits for the uninstaller's closing message, confirms it and returns
    // its text.
    static std::string ConfirmOutcome(const Process& process) {
        HWND box = WaitForWindow(process.Id(), kTitle, "#32770", kWindowTimeoutMs);
        if (!box) {
            ADD_FAILURE() << "no closing message\n" << testing_support::DescribeWindows(0);
            return "";
        }
        std::string text = MessageBoxText(box);
        // A round trip through the box's message loop lets it paint before
        // the picture is taken.
        SendMessageTimeoutA(box, WM_NULL, 0, 0, SMTO_NORMAL, 2000, nullptr);
        testing_support::SaveScreenshot("outcome.bmp");
        PressButton(box, IDOK);
        return text;
    }

    void StartVarnlet() {
        ASSERT_TRUE(Start(JoinPath(kDataFolder, "vrl32.exe"), "", kDataFolder, &varnlet_));
        ASSERT_NE(nullptr, WaitForWindow(varnlet_.Id(), "Varnlet", "VarnletMainWindow", kWindowTimeoutMs));
    }

    Process varnlet_;
    Process uninstaller_;
};

}  // namespace

TEST_F(RtuninstTest, RemovesTheInstallationButNotTheUsersFilesAndASecondRunFindsNothing) {
    ASSERT_TRUE(WriteWholeFile(JoinPath(kDataFolder, "my tile.jpg"), "the user's own"));
    PutStartupLink(kDataFolder);
    ASSERT_TRUE(PathExists(StartupLink()));
    ASSERT_NE(std::string::npos, RunAndCapture("uninstaller.exe --list", kExitTimeoutMs).find("Varnlet"))
        << "the installed state should be listed before";
    StartVarnlet();

    std::string question = StartAndAnswer(&uninstaller_, IDYES);
    EXPECT_TRUE(Contains(question, "Do you want to remove Varnlet from this computer?")) << question;
    EXPECT_TRUE(Contains(question, kDataFolder)) << question;

    // Varnlet is running: the uninstaller says so and closes it.
    HWND notice = WaitForWindow(uninstaller_.Id(), "Closing Running Copies", "#32770", kWindowTimeoutMs);
    ASSERT_NE(nullptr, notice) << testing_support::DescribeWindows(0);
    EXPECT_EQ("Any copies of Varnlet currently running must now be shut down. This may take a few seconds.",
              MessageBoxText(notice));
    PressButton(notice, IDOK);
    EXPECT_EQ(0u, WaitForExit(varnlet_, kExitTimeoutMs)) << "Varnlet should end on the close request";

    std::string outcome = ConfirmOutcome(uninstaller_);
    EXPECT_TRUE(Contains(outcome, "Varnlet has been removed from this computer.")) << outcome;
    EXPECT_TRUE(Contains(outcome, "still holds files")) << outcome;
    EXPECT_EQ(0u, WaitForExit(uninstaller_, kExitTimeoutMs));

    // Its own file goes once it has ended; the user's file and so the
    // folder stay.
    EXPECT_TRUE(WaitUntilGone(Uninstaller(), kExitTimeoutMs));
    EXPECT_EQ(std::vector<std::string>{"my tile.jpg"}, FolderEntries(kDataFolder)) << Listing(FolderEntries(kDataFolder));
    EXPECT_EQ("the user's own", ReadFileText(JoinPath(kDataFolder, "my tile.jpg")));
    EXPECT_EQ((std::vector<std::string>{"Varnlet", "outside.txt"}), FolderEntries(kParent));
    EXPECT_EQ("not Varnlet's", ReadFileText(JoinPath(kParent, "outside.txt")));

    EXPECT_FALSE(PathExists(ProductLink()));
    EXPECT_FALSE(PathExists(UninstallLink()));
    EXPECT_FALSE(PathExists(StartMenuGroup())) << "the empty group goes too";
    EXPECT_FALSE(PathExists(StartupLink()));
    EXPECT_FALSE(UninstallKeyExists());
    EXPECT_EQ("", ReadDataDir());
    char windows[MAX_PATH];
    ASSERT_NE(0u, GetWindowsDirectoryA(windows, sizeof windows));
    EXPECT_FALSE(PathExists(JoinPath(windows, kIniFile))) << "an ini file with nothing left in it goes";
    std::string listed = RunAndCapture("uninstaller.exe --list", kExitTimeoutMs);
    EXPECT_FALSE(Contains(listed, "Varnlet")) << listed;
    EXPECT_EQ(1u, TakeScheduledUninstallerCopies().size()) << "the temporary copy goes at the next restart";

    // A copy of the uninstaller run again finds nothing and changes nothing.
    std::string again = JoinPath(kTestRoot, "again");
    ASSERT_TRUE(CreateFolders(again));
    ASSERT_TRUE(CopyFileA(RtuninstExe().c_str(), JoinPath(again, "rtuninst.exe").c_str(), FALSE));
    Process second;
    ASSERT_TRUE(Start(JoinPath(again, "rtuninst.exe"), "", again, &second));
    HWND box = WaitForWindow(second.Id(), kTitle, "#32770", kWindowTimeoutMs);
    ASSERT_NE(nullptr, box);
    std::string nothing = MessageBoxText(box);
    EXPECT_TRUE(Contains(nothing, "There is nothing of Varnlet left to remove")) << nothing;
    PressButton(box, IDOK);
    EXPECT_EQ(2u, WaitForExit(second, kExitTimeoutMs));
    EXPECT_TRUE(PathExists(JoinPath(again, "rtuninst.exe")));
    EXPECT_EQ(std::vector<std::string>{"my tile.jpg"}, FolderEntries(kDataFolder));
}

TEST_F(RtuninstTest, RemovesTheDataFolderWhenNothingElseIsInItAndKeepsOtherIniEntries) {
    WritePrivateProfileStringA("Options", "theme", "waves", kIniFile);
    StartAndAnswer(&uninstaller_, IDYES);
    EXPECT_EQ("Varnlet has been removed from this computer.", ConfirmOutcome(uninstaller_));
    EXPECT_EQ(0u, WaitForExit(uninstaller_, kExitTimeoutMs));
    EXPECT_TRUE(WaitUntilGone(kDataFolder, kExitTimeoutMs)) << Listing(FolderEntries(kDataFolder));
    EXPECT_EQ(std::vector<std::string>{"outside.txt"}, FolderEntries(kParent));
    EXPECT_EQ("", ReadDataDir());
    char theme[32];
    GetPrivateProfileStringA("Options", "theme", "", theme, sizeof theme, kIniFile);
    EXPECT_STREQ("waves", theme);
}

TEST_F(RtuninstTest, AnsweringNoChangesNothing) {
    StartVarnlet();
    Snapshot before = Take();
    StartAndAnswer(&uninstaller_, IDNO);
    EXPECT_EQ(1u, WaitForExit(uninstaller_, kExitTimeoutMs));
    Snapshot after = Take();
    EXPECT_EQ(before.dataFiles, after.dataFiles) << Listing(after.dataFiles);
    EXPECT_EQ(7u, after.dataFiles.size());
    EXPECT_TRUE(after.productLink);
    EXPECT_TRUE(after.uninstallLink);
    EXPECT_EQ(before.uninstallString, after.uninstallString);
    EXPECT_EQ(std::string(kDataFolder), after.dataDir);
    EXPECT_EQ(STILL_ACTIVE, WaitForExit(varnlet_, 0)) << "Varnlet must not be closed";
}

TEST_F(RtuninstTest, WhenTheIniNamesAnotherFolderOnlyThisFoldersFilesGo) {
    const char other[] = "C:\\VarnletTests\\Elsewhere";
    WriteDataDir(other);
    std::string question = StartAndAnswer(&uninstaller_, IDYES);
    EXPECT_TRUE(Contains(question, std::string("Varnlet now runs from ") + other)) << question;
    EXPECT_EQ("Varnlet has been removed from this computer.", ConfirmOutcome(uninstaller_));
    EXPECT_EQ(0u, WaitForExit(uninstaller_, kExitTimeoutMs));
    EXPECT_TRUE(WaitUntilGone(kDataFolder, kExitTimeoutMs)) << Listing(FolderEntries(kDataFolder));
    // The shared entries are the other installation's.
    EXPECT_TRUE(PathExists(ProductLink()));
    EXPECT_TRUE(PathExists(UninstallLink()));
    EXPECT_TRUE(UninstallKeyExists());
    EXPECT_EQ(std::string(other), ReadDataDir());
}

TEST_F(RtuninstTest, WhatCannotBeRemovedIsListedAndTheRestStillGoes) {
    std::string locked = JoinPath(kDataFolder, "sample1.jpg");
    HANDLE held = CreateFileA(locked.c_str(), GENERIC_READ, 0, nullptr, OPEN_EXISTING, 0, nullptr);
    ASSERT_NE(INVALID_HANDLE_VALUE, held);
    StartAndAnswer(&uninstaller_, IDYES);
    std::string outcome = ConfirmOutcome(uninstaller_);
    CloseHandle(held);
    EXPECT_TRUE(Contains(outcome, "Varnlet was removed, except for the following")) << outcome;
    EXPECT_TRUE(Contains(outcome, locked)) << outcome;
    EXPECT_EQ(3u, WaitForExit(uninstaller_, kExitTimeoutMs));
    EXPECT_TRUE(WaitUntilGone(Uninstaller(), kExitTimeoutMs));
    EXPECT_EQ(std::vector<std::string>{"sample1.jpg"}, FolderEntries(kDataFolder));
    EXPECT_FALSE(UninstallKeyExists());
    EXPECT_FALSE(PathExists(StartMenuGroup()));
}
