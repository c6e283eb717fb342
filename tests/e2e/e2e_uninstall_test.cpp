// Removing Varnlet after a real installation, as a user does it:
//
// VarnletSetup.exe installs Varnlet into a folder with a blank in its path
// (the user answers No, so nothing is started). The user keeps a file of
// their own in that folder and one next to it. Then the uninstaller is run
// with exactly the command line that the list of installed programs holds,
// its question is answered Yes and its closing message OK. Afterwards the
// installed files, the Start-menu links, the uninstall key and the ini entry
// are gone, Wine's program list no longer shows Varnlet, and the user's files
// (and so the data folder) are still there.
//
// While an installer of Varnlet runs (here waiting at its licence agreement),
// the uninstaller of the installation before it only warns and ends: the
// installation stays whole. And while the uninstaller's finishing copy still
// runs after the uninstaller has ended (here: it cannot delete rtuninst.exe,
// which the test holds open, and says so), an installer only warns and ends.
#include <shlobj.h>

#include "tests/e2e/scenario.h"
#include "tests/support/scheduled_deletions.h"
#include "tests/support/window_driver.h"
#include "varnlet/rtuninst/exit_status.h"

namespace e2e {
namespace {

constexpr char kParent[] = "C:\\e2e\\Program Files";
constexpr char kDataFolder[] = "C:\\e2e\\Program Files\\Varnlet";
constexpr char kUninstallTitle[] = "Uninstall Varnlet";
constexpr char kOwnFile[] = "my notes.txt";
constexpr char kOwnText[] = "the user's own notes";
constexpr char kOutsideText[] = "next to Varnlet, not part of it";
constexpr int kListMs = 30000;

// Visible buttons of a message box, ascending ids.
std::vector<int> ButtonsOf(HWND box) {
    std::vector<int> buttons;
    for (int id : {IDOK, IDCANCEL, IDABORT, IDRETRY, IDIGNORE, IDYES, IDNO}) {
        HWND button = GetDlgItem(box, id);
        if (button && IsWindowVisible(button)) buttons.push_back(id);
    }
    return buttons;
}

// Wine's own list of installed programs ("uninstaller.exe --list"). Output
// goes to a file rather than a pipe: helper programs Wine starts could
// inherit a pipe's write end and keep the reader waiting.
bool ListInstalledPrograms(const std::string& outputPath, std::string* listing) {
    listing->clear();
    SECURITY_ATTRIBUTES inherit = {sizeof inherit, nullptr, TRUE};
    HANDLE output = CreateFileA(outputPath.c_str(), GENERIC_WRITE, FILE_SHARE_READ | FILE_SHARE_WRITE, &inherit,
                                CREATE_ALWAYS, FILE_ATTRIBUTE_NORMAL, nullptr);
    if (output == INVALID_HANDLE_VALUE) {
        *listing = "cannot create " + outputPath;
        return false;
    }
    STARTUPINFOA startup = {};
    startup.cb = sizeof startup;
    startup.dwFlags = STARTF_USESTDHANDLES;
    startup.hStdOutput = output;
    startup.hStdError = output;
    char command[] = "uninstaller.exe --list";
    PROCESS_INFORMATION process = {};
    BOOL started = CreateProcessA(nullptr, command, nullptr, nullptr, TRUE, CREATE_NO_WINDOW, nullptr, nullptr,
                                  &startup, &process);
    DWORD error = GetLastError();
    CloseHandle(output);
    if (!started) {
        *listing = "uninstaller.exe could not be started, error " + std::to_string(error);
        return false;
    }
    bool ended = WaitForSingleObject(process.hProcess, kListMs) == WAIT_OBJECT_0;
    CloseHandle(process.hThread);
    CloseHandle(process.hProcess);
    if (!ended) {
        *listing = "uninstaller.exe --list did not end";
        return false;
    }
    return ReadWholeFile(outputPath, listing);
}

// Waits for the uninstaller's temporary copy to end and takes it and its
// folder off the restart list.
std::string RemoveScheduledCopy() {
    std::string left = WaitForUninstallerCopies(kNextWindowMs);
    left += testing_support::TakeScheduledUninstallerCopies(kNextWindowMs).problems;
    return left;
}

class Uninstall : public Scenario {
protected:
    void TearDown() override {
        if (uninstaller_.hProcess) {
            if (WaitForSingleObject(uninstaller_.hProcess, 0) == WAIT_TIMEOUT) {
                (void)TerminateProcess(uninstaller_.hProcess, 99);
                (void)WaitForSingleObject(uninstaller_.hProcess, kNextWindowMs);
            }
            CloseHandle(uninstaller_.hProcess);
            CloseHandle(uninstaller_.hThread);
            std::string left = RemoveScheduledCopy();
            EXPECT_EQ("", left) << "the uninstaller's temporary copy could not be removed";
        }
        Scenario::TearDown();
    }

    // The installation in `dataFolder` is still whole. Every file was read
    // (its access time moved) by the check right after it was installed.
    void ExpectInstalledAgainAfterItsCheck(const std::string& dataFolder = kDataFolder) {
        std::vector<std::string> readBefore;
        for (const PayloadFile& file : VarnletPayload()) readBefore.push_back(file.name);
        ExpectPayloadInstalled(dataFolder, VarnletPayload(), {}, readBefore);
    }

    // Installs Varnlet into `parent`\Varnlet and answers No at the end.
    void InstallWithoutStarting(const std::string& parent = kParent) {
        const std::string dataFolder = JoinPath(parent, kProduct);
        ASSERT_TRUE(CreateFolders(parent));
        ASSERT_TRUE(StartInstaller(BuiltProgram(VARNLET_SETUP_EXE))) << user().Failure();
        ASSERT_TRUE(AnswerLicence(user(), true, nullptr)) << user().Failure();
        std::string proposedParent, proposedApplication;
        HWND dialog = WaitForFolderDialog(user(), &proposedParent, &proposedApplication);
        ASSERT_TRUE(dialog) << user().Failure();
        ASSERT_TRUE(ChooseFolder(user(), dialog, parent, kProduct)) << user().Failure();
        ASSERT_TRUE(ExpectBox(kClosingTitle, FormatText(kClosingFormat, kProduct), true, {IDOK}, IDOK))
            << user().Failure();
        ASSERT_TRUE(ExpectBox(kSuccessTitle, FormatText(kSuccessFormat, kProduct, kProduct), false, {IDYES, IDNO},
                              IDNO, kAfterWaitMs))
            << user().Failure();
        ASSERT_TRUE(ExpectEndsWithStatusZero()) << user().Failure();
        ExpectNotRunning("vrl32.exe");
        ExpectPayloadInstalled(dataFolder, VarnletPayload(), {}, LinkTargets("vrl32.exe"));
        ExpectRegistered(dataFolder, "vrl32.exe");
    }

    // Starts the command line as the list of installed programs runs it.
    bool RunCommandLine(const std::string& commandLine) {
        std::vector<char> buffer(commandLine.begin(), commandLine.end());
        buffer.push_back('\0');
        STARTUPINFOA startup = {};
        startup.cb = sizeof startup;
        if (!CreateProcessA(nullptr, buffer.data(), nullptr, nullptr, FALSE, 0, nullptr, "C:\\", &startup,
                            &uninstaller_)) {
            ADD_FAILURE() << "could not start " << Quoted(commandLine) << ", error " << GetLastError();
            uninstaller_ = PROCESS_INFORMATION{};
            return false;
        }
        user().Step("started " + commandLine, false);
        return true;
    }

    // The uninstaller's next box titled `title`, its text, icon and buttons
    // checked, answered with `answer`.
    bool AnswerBox(const char* title, const std::string& text, bool hasIcon, const std::vector<int>& buttons,
                   int answer) {
        HWND box = testing_support::WaitForWindow(uninstaller_.dwProcessId, title, "#32770", kNextWindowMs);
        if (!box) {
            ADD_FAILURE() << "no message box " << Quoted(title) << " came\n"
                          << testing_support::DescribeWindows(0);
            return false;
        }
        std::string seen = testing_support::MessageBoxText(box);
        // A round trip through the box's message loop lets it paint first.
        (void)SendMessageTimeoutA(box, WM_NULL, 0, 0, SMTO_NORMAL, 2000, nullptr);
        user().Step(std::string("message box ") + Quoted(title) + ": " + Quoted(seen), true);
        EXPECT_EQ(Quoted(text), Quoted(seen)) << "text of message box " << Quoted(title);
        EXPECT_EQ(hasIcon, GetDlgItem(box, kMessageBoxIconId) != nullptr) << "icon of message box " << Quoted(title);
        EXPECT_EQ(buttons, ButtonsOf(box)) << "buttons of message box " << Quoted(title);
        testing_support::PressButton(box, answer);
        user().Step(std::string("clicked ") + ButtonName(answer), false);
        if (!testing_support::WaitForWindowGone(box, kNextWindowMs)) {
            ADD_FAILURE() << "message box " << Quoted(title) << " stayed after " << ButtonName(answer);
            return false;
        }
        return true;
    }

    // Runs the registered uninstaller of the installation in `folder`,
    // answers Yes and OK, and waits for it and its temporary copy;
    // `closingText` is the closing message expected.
    void UninstallAnsweringYes(const std::string& closingText, const std::string& folder = kDataFolder) {
        UninstallEntry entry = ReadUninstallEntry(kProduct);
        ASSERT_TRUE(entry.present && entry.uninstallString.present) << "no UninstallString to run";
        ASSERT_TRUE(RunCommandLine(entry.uninstallString.text));

        ASSERT_TRUE(AnswerBox(kUninstallTitle,
                              "Do you want to remove Varnlet from this computer?\r\n\r\nIts files in " + folder +
                                  ", its Start-menu entries and its entry in the list of installed programs will be "
                                  "deleted. Files of your own in that folder are kept.",
                              true, {IDYES, IDNO}, IDYES));

        // Nothing of Varnlet runs, so no closing notice is due; should one come
        // anyway it is answered as a user would and reported.
        HWND next = nullptr;
        DWORD start = GetTickCount();
        while (!next && GetTickCount() - start < static_cast<DWORD>(kAfterWaitMs)) {
            next = testing_support::WaitForWindow(uninstaller_.dwProcessId, kUninstallTitle, "#32770", 100);
            HWND notice = testing_support::WaitForWindow(uninstaller_.dwProcessId, kClosingTitle, "#32770", 0);
            if (!next && notice) {
                ADD_FAILURE() << "closing notice although nothing of Varnlet runs: "
                              << Quoted(testing_support::MessageBoxText(notice));
                ASSERT_TRUE(AnswerBox(kClosingTitle, FormatText(kClosingFormat, kProduct), true, {IDOK}, IDOK));
            }
        }
        ASSERT_TRUE(next) << "no closing message came\n" << testing_support::DescribeWindows(0);
        ASSERT_TRUE(AnswerBox(kUninstallTitle, closingText, true, {IDOK}, IDOK));

        ASSERT_EQ(WAIT_OBJECT_0, WaitForSingleObject(uninstaller_.hProcess, kNextWindowMs)) << "the uninstaller runs on";
        DWORD status = 0xFFFFFFFF;
        ASSERT_TRUE(GetExitCodeProcess(uninstaller_.hProcess, &status));
        EXPECT_EQ(static_cast<DWORD>(varnlet::kExitRemoved), status) << "exit status of the uninstaller";

        // The uninstaller's own file goes by its temporary copy, which was
        // started before the closing message; wait for the copy to end.
        EXPECT_EQ("", WaitForUninstallerCopies(kNextWindowMs));
    }

    PROCESS_INFORMATION uninstaller_ = {};
};

TEST_F(Uninstall, RemovesARealInstallationAndKeepsTheUsersFiles) {
    ASSERT_NO_FATAL_FAILURE(InstallWithoutStarting());

    std::string ownFile = JoinPath(kDataFolder, kOwnFile);
    std::string outsideFile = JoinPath(kParent, "outside.txt");
    ASSERT_TRUE(WriteWholeFile(ownFile, kOwnText)) << ownFile;
    ASSERT_TRUE(WriteWholeFile(outsideFile, kOutsideText)) << outsideFile;

    std::string listing;
    ASSERT_TRUE(ListInstalledPrograms(JoinPath(OutputFolder(), "list-before.txt"), &listing)) << listing;
    ASSERT_NE(std::string::npos, listing.find(kProduct)) << "Wine's program list before:\n" << listing;

    ASSERT_NO_FATAL_FAILURE(UninstallAnsweringYes(
        "Varnlet has been removed from this computer.\r\n\r\nThe folder " + std::string(kDataFolder) +
        " still holds files that were not installed with Varnlet, so it was left in place with them."));

    // Only the user's own file is left, so the folder stays.
    ExpectFolderHolds(kDataFolder, {kOwnFile});
    std::string text;
    EXPECT_TRUE(ReadWholeFile(ownFile, &text)) << ownFile;
    EXPECT_EQ(kOwnText, text);
    ExpectFolderHolds(kParent, {"Varnlet", "outside.txt"});
    EXPECT_TRUE(ReadWholeFile(outsideFile, &text)) << outsideFile;
    EXPECT_EQ(kOutsideText, text);

    std::string menuFolder = JoinPath(ShellFolder(CSIDL_PROGRAMS), kProduct);
    EXPECT_FALSE(PathExists(JoinPath(menuFolder, "Varnlet.lnk"))) << "the Varnlet link stays";
    EXPECT_FALSE(PathExists(JoinPath(menuFolder, "Uninstall.lnk"))) << "the Uninstall link stays";
    EXPECT_FALSE(PathExists(menuFolder)) << menuFolder << " stays";
    UninstallEntry after = ReadUninstallEntry(kProduct);
    EXPECT_FALSE(after.present) << "the uninstall key stays, UninstallString " << Quoted(after.uninstallString.text);
    ExpectIniDataFolder("");

    ASSERT_TRUE(ListInstalledPrograms(JoinPath(OutputFolder(), "list-after.txt"), &listing)) << listing;
    EXPECT_EQ(std::string::npos, listing.find(kProduct)) << "Wine's program list after:\n" << listing;
}

TEST_F(Uninstall, CannotStartWhileAnInstallerOfTheProductRuns) {
    ASSERT_NO_FATAL_FAILURE(InstallWithoutStarting());
    ASSERT_TRUE(StartInstaller(BuiltProgram(VARNLET_SETUP_EXE))) << user().Failure();
    ASSERT_TRUE(user().WaitForWindow(kLicenceTitle, kNextWindowMs)) << user().Failure();

    UninstallEntry entry = ReadUninstallEntry(kProduct);
    ASSERT_TRUE(entry.present && entry.uninstallString.present) << "no UninstallString to run";
    ASSERT_TRUE(RunCommandLine(entry.uninstallString.text));
    // The installer's windows are not the uninstaller's to raise.
    ASSERT_TRUE(AnswerBox(kLockHeldTitle, FormatText(kLockHeldFormat, kProduct), true, {IDOK}, IDOK));
    ASSERT_EQ(WAIT_OBJECT_0, WaitForSingleObject(uninstaller_.hProcess, kNextWindowMs)) << "the uninstaller runs on";
    DWORD status = 0xFFFFFFFF;
    ASSERT_TRUE(GetExitCodeProcess(uninstaller_.hProcess, &status));
    EXPECT_EQ(static_cast<DWORD>(varnlet::kExitAnotherRunning), status) << "exit status of the uninstaller";
    ExpectInstalledAgainAfterItsCheck();
    ExpectRegistered(kDataFolder, "vrl32.exe");

    // The installer, untouched by all this, is given up at its licence.
    ASSERT_TRUE(AnswerLicence(user(), false, nullptr)) << user().Failure();
    ASSERT_TRUE(ExpectBox(kNotInstalledTitle, kNotInstalledText, true, {IDOK}, IDOK)) << user().Failure();
    ASSERT_TRUE(ExpectEndsWithStatusZero()) << user().Failure();
}

TEST_F(Uninstall, TheFinishingCopyHoldsTheLockAfterTheUninstallerEnded) {
    ASSERT_NO_FATAL_FAILURE(InstallWithoutStarting());
    std::string uninstallerPath = JoinPath(kDataFolder, "rtuninst.exe");
    // Readable, but not deletable while this handle is open.
    HANDLE held = CreateFileA(uninstallerPath.c_str(), GENERIC_READ, FILE_SHARE_READ, nullptr, OPEN_EXISTING, 0,
                              nullptr);
    ASSERT_NE(INVALID_HANDLE_VALUE, held) << uninstallerPath;
    UninstallEntry entry = ReadUninstallEntry(kProduct);
    ASSERT_TRUE(entry.present && entry.uninstallString.present) << "no UninstallString to run";
    ASSERT_TRUE(RunCommandLine(entry.uninstallString.text));
    HWND question = testing_support::WaitForWindow(uninstaller_.dwProcessId, kUninstallTitle, "#32770", kNextWindowMs);
    ASSERT_TRUE(question) << testing_support::DescribeWindows(0);
    testing_support::PressButton(question, IDYES);
    HWND closing = nullptr;
    DWORD start = GetTickCount();
    while (!closing && GetTickCount() - start < static_cast<DWORD>(kAfterWaitMs)) {
        HWND box = testing_support::WaitForWindow(uninstaller_.dwProcessId, kUninstallTitle, "#32770", 100);
        if (box && box != question) closing = box;
    }
    ASSERT_TRUE(closing) << "no closing message came\n" << testing_support::DescribeWindows(0);
    testing_support::PressButton(closing, IDOK);
    ASSERT_EQ(WAIT_OBJECT_0, WaitForSingleObject(uninstaller_.hProcess, kNextWindowMs)) << "the uninstaller runs on";

    // The copy gives up on the file after a few seconds and reports it.
    HWND report = testing_support::WaitForWindow(0, kUninstallTitle, "#32770", kAfterWaitMs);
    ASSERT_TRUE(report) << "the finishing copy reported nothing\n" << testing_support::DescribeWindows(0);
    ASSERT_TRUE(StartInstaller(BuiltProgram(VARNLET_SETUP_EXE))) << user().Failure();
    EXPECT_TRUE(ExpectBox(kLockHeldTitle, FormatText(kLockHeldFormat, kProduct), true, {IDOK}, IDOK))
        << user().Failure();
    EXPECT_TRUE(ExpectEndsWithStatusZero()) << user().Failure();

    CloseHandle(held);
    testing_support::PressButton(report, IDOK);
    EXPECT_TRUE(testing_support::WaitForWindowGone(report, kNextWindowMs));
}

}  // namespace
// A second installation over the first fails at sample1.jpg, which another
// program holds open: the user sees why, and afterwards the first
// installation is there exactly as it was (every file with its bytes and
// times, nothing new beside them, its links, key and ini entry), and its
// uninstaller still removes all of it.
TEST_F(Uninstall, AFailedUpgradePutsTheEarlierInstallationBackAndItStillUninstalls) {
    ASSERT_NO_FATAL_FAILURE(InstallWithoutStarting());

    std::string held = JoinPath(kDataFolder, "sample1.jpg");
    HANDLE holder = CreateFileA(held.c_str(), GENERIC_READ, 0, nullptr, OPEN_EXISTING, FILE_ATTRIBUTE_NORMAL, nullptr);
    ASSERT_NE(INVALID_HANDLE_VALUE, holder) << held;
    ASSERT_TRUE(StartInstaller(BuiltProgram(VARNLET_SETUP_EXE))) << user().Failure();
    ASSERT_TRUE(AnswerLicence(user(), true, nullptr)) << user().Failure();
    std::string parent, application;
    HWND dialog = WaitForFolderDialog(user(), &parent, &application);
    ASSERT_TRUE(dialog) << user().Failure();
    EXPECT_EQ(kParent, parent) << "the first installation's folder is proposed";
    ASSERT_TRUE(user().Click(dialog, IDOK)) << user().Failure();
    ASSERT_TRUE(ExpectBox(kClosingTitle, FormatText(kClosingFormat, kProduct), true, {IDOK}, IDOK))
        << user().Failure();
    ASSERT_TRUE(ExpectBox(FormatText(kFailedTitleFormat, kProduct).c_str(), kCannotCreateText, true, {IDOK}, IDOK,
                          kAfterWaitMs))
        << user().Failure();
    ASSERT_TRUE(ExpectEndsWithStatusZero()) << user().Failure();
    CloseHandle(holder);

    ExpectInstalledAgainAfterItsCheck();
    ExpectRegistered(kDataFolder, "vrl32.exe");

    ASSERT_NO_FATAL_FAILURE(UninstallAnsweringYes("Varnlet has been removed from this computer."));
    EXPECT_FALSE(PathExists(kDataFolder)) << kDataFolder << " stays";
    ExpectNothingRegistered();
    ExpectIniDataFolder("");
}

// A second installation over the first, on a drive too small for it: it
// replaces rtuninst.exe, adds vmain.exe and fills the disk on data.bin. After
// the user is told, the first installation is back as it was (nothing of the
// second, no kept copies of replaced files) and its uninstaller removes it.
TEST_F(Uninstall, AnUpgradeThatFillsTheDiskPutsTheEarlierInstallationBack) {
    ULARGE_INTEGER total = {};
    ASSERT_TRUE(GetDiskFreeSpaceExA(kSmallDrive, nullptr, &total, nullptr)) << kSmallDrive << " is missing";
    if (total.QuadPart >= 3u << 20) GTEST_SKIP() << kSmallDrive << " is not the 2 MB drive (tmpfs needs root)";
    const std::string dataFolder = JoinPath(kSmallDrive, kProduct);
    ASSERT_NO_FATAL_FAILURE(InstallWithoutStarting(kSmallDrive));

    ASSERT_TRUE(StartAndChooseFolder(BuiltProgram(E2E_BIGFILE_SETUP), kSmallDrive, kProduct)) << user().Failure();
    ASSERT_TRUE(ExpectOlderVersionWarning()) << user().Failure();
    ASSERT_TRUE(ExpectBox(FormatText(kFailedTitleFormat, kProduct).c_str(), kCannotFinishText, true, {IDOK}, IDOK,
                          kAfterWaitMs))
        << user().Failure();
    ASSERT_TRUE(ExpectEndsWithStatusZero()) << user().Failure();

    // Exactly the first installation's files, with their bytes and times.
    ExpectInstalledAgainAfterItsCheck(dataFolder);
    ExpectRegistered(dataFolder, "vrl32.exe");

    ASSERT_NO_FATAL_FAILURE(UninstallAnsweringYes("Varnlet has been removed from this computer.", dataFolder));
    EXPECT_FALSE(PathExists(dataFolder)) << dataFolder << " stays";
    ExpectNothingRegistered();
    ExpectIniDataFolder("");
}

}  // namespace e2e
