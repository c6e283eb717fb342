// Varnlet's uninstaller under Wine, run on an installed Varnlet the way a
// user runs it from the Start menu: its questions answered through the real
// message boxes, its results read back from the disk, the Start menu, the
// registry, the ini file and Wine's own list of installed programs.
#include <gtest/gtest.h>

#include <aclapi.h>

#include <algorithm>
#include <cctype>
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

namespace {

constexpr int kWindowTimeoutMs = kUninstallerTimeoutMs;
constexpr int kExitTimeoutMs = kUninstallerTimeoutMs;
const char kParent[] = "C:\\VarnletTests\\My Programs";
const char kDataFolder[] = "C:\\VarnletTests\\My Programs\\Varnlet";
const char kTitle[] = "Uninstall Varnlet";

// The temporary copies of the uninstaller and their folders, scheduled for
// deletion at the next restart, taken off the list and deleted now (once
// their process has ended), so the prefix does not collect them.
std::vector<std::string> TakeScheduledUninstallerCopies() {
    return testing_support::TakeScheduledUninstallerCopies(kExitTimeoutMs).paths;
}

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

class RtuninstTest : public UninstallerTest {
protected:
    void SetUp() override {
        UninstallerTest::SetUp();
        RemoveInstalledState(kDataFolder);
        PutInstalledState(kDataFolder);
        ASSERT_TRUE(WriteWholeFile(JoinPath(kParent, "outside.txt"), "not Varnlet's"));
    }

    void TearDown() override {
        EndIfRunning(varnlet_);
        UninstallerTest::TearDown();
        RemoveInstalledState(kDataFolder);
        WritePrivateProfileStringA("Options", "theme", nullptr, kIniFile);
    }

    static std::string Uninstaller() { return JoinPath(kDataFolder, "rtuninst.exe"); }

    // Starts the uninstaller as the Start-menu link does and answers its
    // question; returns the confirmation's text.
    std::string StartAndAnswer(int answer) {
        if (!Start(Uninstaller(), "", kDataFolder, &uninstaller_)) {
            ADD_FAILURE() << "could not start " << Uninstaller();
            return "";
        }
        return AnswerBox(uninstaller_, kTitle, answer);
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
};

}  // namespace

TEST_F(RtuninstTest, RemovesTheInstallationButNotTheUsersFilesAndASecondRunFindsNothing) {
    ASSERT_TRUE(WriteWholeFile(JoinPath(kDataFolder, "my tile.jpg"), "the user's own"));
    PutStartupLink(kDataFolder);
    ASSERT_TRUE(PathExists(StartupLink()));
    ASSERT_NE(std::string::npos, RunAndCapture("uninstaller.exe --list", kExitTimeoutMs).find("Varnlet"))
        << "the installed state should be listed before";
    StartVarnlet();

    std::string question = StartAndAnswer(IDYES);
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
    EXPECT_EQ(2u, TakeScheduledUninstallerCopies().size()) << "the temporary copy and its folder go at the next restart";

    // An uninstaller run again, under another name than the payload's,
    // finds nothing and changes nothing.
    std::string again = JoinPath(kTestRoot, "again");
    ASSERT_TRUE(CreateFolders(again));
    const std::string renamed = JoinPath(again, "uninstall varnlet.exe");
    ASSERT_TRUE(CopyFileA(RtuninstExe().c_str(), renamed.c_str(), FALSE));
    Process second;
    ASSERT_TRUE(Start(renamed, "", again, &second));
    std::string nothing = AnswerBox(second, kTitle, IDOK);
    EXPECT_TRUE(Contains(nothing, "There is nothing of Varnlet left to remove")) << nothing;
    EXPECT_EQ(2u, WaitForExit(second, kExitTimeoutMs));
    EXPECT_TRUE(PathExists(renamed));
    EXPECT_EQ(std::vector<std::string>{"my tile.jpg"}, FolderEntries(kDataFolder));
}

// Everything of the product gone but the uninstaller in its folder (its
// finishing copy was stopped before its end, say): the uninstaller removes
// itself and its folder, reports success, and its copy goes as always.
TEST_F(RtuninstTest, AnUninstallerWithNothingElseLeftRemovesItself) {
    for (const char* name : kPayloadFiles) {
        if (std::string(name) != "rtuninst.exe") {
            ASSERT_TRUE(DeleteFileA(JoinPath(kDataFolder, name).c_str())) << name;
        }
    }
    RemoveTree(StartMenuGroup());
    ASSERT_EQ(ERROR_SUCCESS, RegDeleteKeyA(HKEY_LOCAL_MACHINE, kUninstallKey));
    WriteDataDir(nullptr);

    ASSERT_TRUE(Start(Uninstaller(), "", kDataFolder, &uninstaller_));
    EXPECT_EQ("Varnlet has been removed from this computer.", ConfirmOutcome(uninstaller_));
    EXPECT_EQ(0u, WaitForExit(uninstaller_, kExitTimeoutMs));
    EXPECT_TRUE(WaitUntilGone(kDataFolder, kExitTimeoutMs)) << Listing(FolderEntries(kDataFolder));
    EXPECT_EQ(std::vector<std::string>{"outside.txt"}, FolderEntries(kParent));
    // The copy puts itself on the restart list after deleting the folder.
    size_t taken = 0;
    for (int waited = 0; taken < 2 && waited < kExitTimeoutMs; waited += 100) {
        taken += TakeScheduledUninstallerCopies().size();
        if (taken < 2) Sleep(100);
    }
    EXPECT_EQ(2u, taken) << "the temporary copy and its folder go at the next restart";
}

TEST_F(RtuninstTest, RemovesTheDataFolderWhenNothingElseIsInItAndKeepsOtherIniEntries) {
    WritePrivateProfileStringA("Options", "theme", "waves", kIniFile);
    StartAndAnswer(IDYES);
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
    StartAndAnswer(IDNO);
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
    std::string question = StartAndAnswer(IDYES);
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
    StartAndAnswer(IDYES);
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

namespace {

const char kOverrideKey[] = "Software\\Wine\\AppDefaults\\rtuninst.exe\\DllOverrides";

// Wine prefers its own shell32 to one lying beside a program unless told
// otherwise before the program starts; this override, for programs named
// rtuninst.exe, makes a bare-name load really pick a planted one.
class PlantedShell32 {
public:
    PlantedShell32() {
        char temp[MAX_PATH + 1];
        DWORD length = GetTempPathA(sizeof temp, temp);
        if (length > 0 && length < sizeof temp) temp_ = temp;
        plant_ = JoinPath(temp_, "shell32.dll");
        mark_ = plant_ + ".ran";
        control_ = JoinPath(temp_, "rtuninst.exe");
        HKEY key = nullptr;
        const char order[] = "native,builtin";
        ok_ = !temp_.empty() && CopyFileA(WindowsPathOf(PLANTED_SHELL32).c_str(), plant_.c_str(), FALSE) &&
              RegCreateKeyExA(HKEY_CURRENT_USER, kOverrideKey, 0, nullptr, 0, KEY_SET_VALUE, nullptr, &key,
                              nullptr) == ERROR_SUCCESS &&
              RegSetValueExA(key, "shell32", 0, REG_SZ, reinterpret_cast<const BYTE*>(order), sizeof order) ==
                  ERROR_SUCCESS;
        if (key) RegCloseKey(key);
    }
    ~PlantedShell32() {
        (void)RegDeleteKeyA(HKEY_CURRENT_USER, kOverrideKey);
        DeleteFileA(control_.c_str());
        DeleteFileA(plant_.c_str());
        DeleteFileA(mark_.c_str());
    }
    bool Ok() const { return ok_; }
    bool Ran() const { return PathExists(mark_); }
    void ForgetRun() const { DeleteFileA(mark_.c_str()); }
    // A program named like the uninstaller, run from the temporary folder,
    // loading shell32 by bare name.
    bool ControlRunLoadsIt() const {
        Process control;
        return CopyFileA(WindowsPathOf(PLANTED_CONTROL).c_str(), control_.c_str(), FALSE) &&
               Start(control_, "", temp_, &control) && WaitForExit(control, kExitTimeoutMs) != STILL_ACTIVE && Ran();
    }

private:
    std::string temp_, plant_, mark_, control_;
    bool ok_ = false;
};

bool RunsElevated() {
    HANDLE token = nullptr;
    if (!OpenProcessToken(GetCurrentProcess(), TOKEN_QUERY, &token)) return false;
    TOKEN_ELEVATION elevation = {};
    DWORD size = 0;
    bool elevated = GetTokenInformation(token, TokenElevation, &elevation, sizeof elevation, &size) &&
                    elevation.TokenIsElevated != 0;
    CloseHandle(token);
    return elevated;
}

// Where the copy's folder belongs: the system's temporary folder for an
// elevated uninstaller, the user's otherwise.
std::string CopyRoot(bool elevated) {
    char folder[MAX_PATH + 1];
    if (elevated) {
        UINT length = GetSystemWindowsDirectoryA(folder, MAX_PATH);
        return length > 0 && length < MAX_PATH ? JoinPath(folder, "Temp") : "";
    }
    DWORD length = GetTempPathA(sizeof folder, folder);
    return length > 0 && length < sizeof folder ? std::string(folder, length - 1) : "";
}

std::vector<std::string> CopyFolders(const std::string& root) {
    std::vector<std::string> folders;
    for (const std::string& name : FolderEntries(root)) {
        if (name.rfind("rtuninst-", 0) == 0) folders.push_back(name);
    }
    return folders;
}

std::string AccountName(PSID sid) {
    char name[256] = "?", domain[256];
    DWORD nameSize = sizeof name, domainSize = sizeof domain;
    SID_NAME_USE use;
    (void)LookupAccountSidA(nullptr, sid, name, &nameSize, domain, &domainSize, &use);
    return name;
}

// The accounts that `folder`'s access list lets in at all, other than the
// system, the administrators and the folder's owner; "<unreadable>" when it
// cannot be read. (Wine keeps no access list of its own for a file; it shows
// one made from the Unix permissions it set from the list it was given, so an
// exact comparison is for Windows only.)
std::string OthersLetIn(const std::string& folder) {
    PSECURITY_DESCRIPTOR descriptor = nullptr;
    PACL acl = nullptr;
    PSID owner = nullptr;
    if (GetNamedSecurityInfoA(folder.c_str(), SE_FILE_OBJECT, DACL_SECURITY_INFORMATION | OWNER_SECURITY_INFORMATION,
                              &owner, nullptr, &acl, nullptr, &descriptor) != ERROR_SUCCESS)
        return "<unreadable>";
    std::string others = acl ? "" : "<no access list: everyone>";
    for (DWORD i = 0; acl && i < acl->AceCount; ++i) {
        ACCESS_ALLOWED_ACE* ace = nullptr;
        if (!GetAce(acl, i, reinterpret_cast<void**>(&ace)) || ace->Header.AceType != ACCESS_ALLOWED_ACE_TYPE) continue;
        PSID sid = &ace->SidStart;
        if (owner && EqualSid(sid, owner)) continue;
        std::string name = AccountName(sid);
        if (name != "SYSTEM" && name != "Administrators") others += name + " ";
    }
    LocalFree(descriptor);
    return others;
}

std::string Lower(std::string text) {
    for (char& c : text) c = static_cast<char>(std::tolower(static_cast<unsigned char>(c)));
    return text;
}

}  // namespace

// The copy that removes the uninstaller's file runs from a folder made for
// it alone and loads nothing that a program of the user left in the user's
// temporary folder.
TEST_F(RtuninstTest, TheCopyRunsFromANewPrivateFolderAndLoadsNoLibraryPlantedInTheTemporaryFolder) {
    PlantedShell32 plant;
    ASSERT_TRUE(plant.Ok());
    ASSERT_TRUE(plant.ControlRunLoadsIt()) << "the planted shell32.dll is not loadable at all, so this proves nothing";
    plant.ForgetRun();

    bool elevated = RunsElevated();
    std::string root = CopyRoot(elevated);
    ASSERT_FALSE(root.empty());
    std::vector<std::string> before = CopyFolders(root);

    StartAndAnswer(IDYES);
    // While the closing message is up, the copy is waiting for the
    // uninstaller to end, in a folder that was not there before.
    ASSERT_NE(nullptr, WaitForWindow(uninstaller_.Id(), kTitle, "#32770", kWindowTimeoutMs));
    std::vector<std::string> after = CopyFolders(root);
    std::vector<std::string> made;
    for (const std::string& name : after) {
        if (std::find(before.begin(), before.end(), name) == before.end()) made.push_back(name);
    }
    ASSERT_EQ(1u, made.size()) << "before: " << Listing(before) << " after: " << Listing(after);
    const std::string folder = JoinPath(root, made[0]);
    EXPECT_EQ(std::string::npos, made[0].find_first_not_of("0123456789abcdef", sizeof "rtuninst-" - 1)) << made[0];
    EXPECT_EQ(sizeof "rtuninst-" - 1 + 16, made[0].size()) << "64 random bits in the name: " << made[0];
    EXPECT_EQ(std::vector<std::string>{"rtuninst.exe"}, FolderEntries(folder));
    if (elevated) {
        EXPECT_EQ("", OthersLetIn(folder)) << "only the system and administrators may be let in";
    }
    EXPECT_EQ("Varnlet has been removed from this computer.", ConfirmOutcome(uninstaller_));
    EXPECT_EQ(0u, WaitForExit(uninstaller_, kExitTimeoutMs));

    // The copy's last step puts itself and then its folder on the restart
    // list; taking them off waits for its process to end. (A copy of an
    // earlier test may come off the list first.)
    const std::string ours = Lower(folder);
    std::vector<std::string> taken;
    for (int waited = 0; taken.size() < 2 && waited < kExitTimeoutMs; waited += 100) {
        testing_support::TakenDeletions now = testing_support::TakeScheduledUninstallerCopies(kExitTimeoutMs);
        EXPECT_EQ("", now.problems);
        for (const std::string& path : now.paths) {
            if (Lower(path).compare(0, ours.size(), ours) == 0) taken.push_back(Lower(path));
        }
        Sleep(100);
    }
    EXPECT_EQ((std::vector<std::string>{Lower(JoinPath(folder, "rtuninst.exe")), ours}), taken);
    EXPECT_FALSE(PathExists(folder));
    EXPECT_FALSE(PathExists(kDataFolder)) << Listing(FolderEntries(kDataFolder));
    EXPECT_FALSE(plant.Ran()) << "the copy loaded the shell32.dll planted in the temporary folder";
}

// A second uninstaller started while one asks its question changes nothing
// and ends at once with 0, showing the user the first one's question.
TEST_F(RtuninstTest, ASecondUninstallerHandsOverToTheRunningOne) {
    Process second;
    ASSERT_TRUE(Start(Uninstaller(), "", kDataFolder, &uninstaller_));
    HWND question = WaitForWindow(uninstaller_.Id(), kTitle, "#32770", kWindowTimeoutMs);
    ASSERT_NE(nullptr, question);
    // Something else in front first, so that the hand-over has to move it.
    HWND other = CreateWindowExA(0, "STATIC", "in front", WS_POPUP | WS_VISIBLE, 0, 0, 50, 50, nullptr, nullptr,
                                 nullptr, nullptr);
    (void)SetForegroundWindow(other);
    ASSERT_TRUE(Start(Uninstaller(), "", kDataFolder, &second));
    EXPECT_EQ(0u, WaitForExit(second, kExitTimeoutMs));
    // Under Wine the window manager passes the activation on a moment later.
    for (int waited = 0; GetForegroundWindow() != question && waited < kWindowTimeoutMs; waited += 50) Sleep(50);
    EXPECT_EQ(question, GetForegroundWindow()) << testing_support::DescribeWindows(0);
    DestroyWindow(other);
    EXPECT_EQ(STILL_ACTIVE, WaitForExit(uninstaller_, 0));
    EXPECT_EQ(7u, FolderEntries(kDataFolder).size()) << Listing(FolderEntries(kDataFolder));

    PressButton(question, IDNO);
    EXPECT_EQ(1u, WaitForExit(uninstaller_, kExitTimeoutMs));
    EXPECT_TRUE(PathExists(Uninstaller()));
    EXPECT_TRUE(UninstallKeyExists());
}
