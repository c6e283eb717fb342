// Whole installers driven the way a user would: the licence, the folder
// dialog, and every message box of the installation sequence read and
// answered on screen. Variant products (products/*.json) make the free-space
// check fail, the extraction fail in each of its three ways, and record the
// program started at the end; the real Varnlet installer shows that
// command-line arguments change nothing. Exit status 0 every time.
#include <gtest/gtest.h>

#include <shlobj.h>

#include <string>
#include <vector>

#include "tests/e2e/children/child_log_format.h"
#include "tests/e2e/driver/install_traces.h"
#include "tests/e2e/driver/installer_texts.h"
#include "tests/e2e/driver/installer_walk.h"
#include "tests/e2e/driver/user_driver.h"
#include "tests/payload/payload_test_support.h"
#include "tests/support/screenshot.h"
#include "tests/support/window_driver.h"

namespace {

using e2e::MessageBoxSeen;

constexpr char kVariantIni[] = "varnlet-e2e-sequence.ini";
constexpr e2e::ProductNames kVariant = {"Varnlet", "Varnlet", kVariantIni, ""};
constexpr e2e::ProductNames kVarnlet = {"Varnlet", "Varnlet", "varnlet2.ini", ""};
constexpr char kApplication[] = "SequenceVarnlet";  // ends in the folder name: taken without a question
constexpr char kFailedTitle[] = "Varnlet Installation Failed";
constexpr char kCreateFailedText[] =
    "The application was not able to create one of its component files. The disk is full, or a copy of the "
    "application is already running, or you do not have write access to the directory in which you are "
    "attempting to install the application. Check your available disk space, make sure the application is not "
    "running now, and run the setup program again.";
constexpr char kWriteFailedText[] =
    "The application was unable to finish writing a file to disk. Your hard drive is probably full. Check your "
    "available disk space, make additional space available, and run the setup program again.";
constexpr char kNoMemoryText[] =
    "Insufficient memory was available for the setup procedure. Close other applications and run the setup "
    "program again.";
constexpr char kOlderVersionText[] =
    "Do you already have an older version of Varnlet?\r\n\r\nIf you do, MAKE SURE IT IS NOT RUNNING RIGHT NOW. If "
    "it is running, shut it down BEFORE clicking the OK button.\r\n\r\nIf you have not installed Varnlet before, "
    "just click the OK button.";
constexpr char kSuccessText[] =
    "Varnlet has been successfully installed on your system. Would you like to start Varnlet now?";

std::string NoSpaceText(int required, const std::string& root, int freeMegabytes) {
    return "Not enough free disk space is available on the drive you have specified. " + std::to_string(required) +
           " megabytes of free space are required for the proper operation of the program. On drive " + root +
           " only " + std::to_string(freeMegabytes) +
           " megabytes of free space are available.\r\n\r\nYou will be given another opportunity to choose a "
           "location for the software. You may wish to cancel the installation process, or use your Windows "
           "desktop to delete files, making more room for the program.";
}

// Free megabytes of drive T:, or -1 when it is not the test environment's
// small tmpfs.
int SmallDriveFreeMegabytes() {
    ULARGE_INTEGER available, total, free;
    if (!GetDiskFreeSpaceExA("T:\\", &available, &total, &free) || total.QuadPart > 4u * 1024 * 1024) return -1;
    return static_cast<int>(free.QuadPart >> 20);
}

class SequenceEndToEnd : public testing::Test {
protected:
    void SetUp() override {
        ASSERT_FALSE(scratch_.path().empty());
        log_ = scratch_.File("children.log");
        Clean();
        user_.reset(new e2e::UserDriver(testing_support::TestOutputFolder() + "\\" +
                                            testing::UnitTest::GetInstance()->current_test_info()->name(),
                                        stdout));
    }
    void TearDown() override {
        user_.reset();  // ends an installer that a failed test left running
        Clean();
    }
    // Wine hands each new shortcut to its menu builder, which may still hold
    // it for a moment after the installer has ended: removal is tried until
    // it goes through.
    void Clean() {
        for (const e2e::ProductNames& product : {kVariant, kVarnlet}) {
            std::string left;
            DWORD start = GetTickCount();
            do {
                left = e2e::RemoveProductTraces(product, {std::string("T:\\") + kApplication});
            } while (!left.empty() && GetTickCount() - start < 10000 && (Sleep(100), true));
            EXPECT_EQ("", left);
        }
    }
    e2e::UserDriver& user() { return *user_; }
    std::string Folder() const { return scratch_.File(kApplication); }

    // Starts the installer, accepts the licence and chooses `parent`\kApplication.
    void StartAndChoose(const char* installer, const std::string& parent, const std::string& arguments = "") {
        ASSERT_TRUE(user().Start(payload_test::WindowsPathOf(installer), arguments, "",
                                 {std::string(e2e::kChildLogVariable) + "=" + log_}))
            << user().Failure();
        ASSERT_TRUE(e2e::AnswerLicence(user(), true, nullptr)) << user().Failure();
        ChooseAgain(parent);
    }
    void ChooseAgain(const std::string& parent) {
        std::string proposedParent, proposedApplication;
        HWND dialog = e2e::WaitForFolderDialog(user(), &proposedParent, &proposedApplication);
        ASSERT_TRUE(dialog) << user().Failure();
        ASSERT_TRUE(e2e::ChooseFolder(user(), dialog, parent, kApplication)) << user().Failure();
    }
    // Waits for the box `title`, checks what it says and clicks `answer`.
    void ExpectBox(const char* title, const std::string& text, bool warning, const std::vector<int>& buttons,
                   int answer) {
        MessageBoxSeen seen;
        ASSERT_TRUE(user().WaitForMessageBox(title, e2e::kAfterWaitMs, &seen)) << user().Failure();
        EXPECT_EQ(text, seen.text) << title;
        EXPECT_EQ(warning, seen.hasIcon) << title;
        EXPECT_EQ(buttons, seen.buttons) << title;
        ASSERT_TRUE(user().Answer(seen, answer)) << user().Failure();
    }
    void ExpectExitStatusZero() {
        DWORD status = 1;
        ASSERT_TRUE(user().WaitForExit(e2e::kNextWindowMs, &status)) << user().Failure();
        EXPECT_EQ(0u, status);
    }
    // The data folder after a failed run: only what the test put there.
    void ExpectOnly(const std::string& folder, const std::vector<std::string>& names) {
        EXPECT_EQ(names, e2e::FolderEntries(folder)) << "in " << folder;
    }

    payload_test::ScratchFolder scratch_;
    std::string log_;
    std::unique_ptr<e2e::UserDriver> user_;
};

TEST_F(SequenceEndToEnd, TooLittleSpaceShowsTheNumbersAndOffersTheFolderChoiceAgain) {
    if (SmallDriveFreeMegabytes() < 0) GTEST_SKIP() << "drive T: is not the small tmpfs";
    StartAndChoose(ROOMY_SETUP_EXE, "T:\\");
    MessageBoxSeen seen;
    ASSERT_TRUE(user().WaitForMessageBox("Not Enough Disk Space", e2e::kNextWindowMs, &seen)) << user().Failure();
    // Measured with the chosen folder in place, as the installer measured.
    EXPECT_EQ(NoSpaceText(3, "T:\\", SmallDriveFreeMegabytes()), seen.text);
    EXPECT_TRUE(seen.hasIcon);
    EXPECT_EQ(std::vector<int>{IDOK}, seen.buttons);
    ASSERT_TRUE(user().Answer(seen, IDOK)) << user().Failure();

    ChooseAgain(scratch_.path());
    ExpectBox("Close Running Copies First!", kOlderVersionText, true, {IDOK}, IDOK);
    ExpectBox("Installation Successful", kSuccessText, false, {IDYES, IDNO}, IDNO);
    ExpectExitStatusZero();
    ExpectOnly(std::string("T:\\") + kApplication, {});
    ExpectOnly(Folder(), {"manual.htm", "rtuninst.exe", "sample1.jpg", "vrl32.exe"});
}

TEST_F(SequenceEndToEnd, AFileThatCannotBeCreatedFailsAndTheWrittenFilesGoAgain) {
    ASSERT_TRUE(CreateDirectoryA(Folder().c_str(), nullptr));
    std::string manual = Folder() + "\\manual.htm";
    ASSERT_TRUE(payload_test::WriteText(manual, "the manual in use"));
    {
        payload_test::LockedFile lock(manual);
        ASSERT_TRUE(lock.locked());
        StartAndChoose(PLAIN_SETUP_EXE, scratch_.path());
        ExpectBox("Close Running Copies First!", kOlderVersionText, true, {IDOK}, IDOK);
        ExpectBox(kFailedTitle, kCreateFailedText, true, {IDOK}, IDOK);
        ExpectExitStatusZero();
    }
    // vrl32.exe came before manual.htm and was removed again.
    ExpectOnly(Folder(), {"manual.htm"});
    EXPECT_EQ("the manual in use", payload_test::ReadText(manual));
    EXPECT_FALSE(e2e::ReadUninstallEntry("Varnlet").present);
}

TEST_F(SequenceEndToEnd, AFullDiskFailsTheWriteAndTheDriveIsEmptiedAgain) {
    if (SmallDriveFreeMegabytes() < 0) GTEST_SKIP() << "drive T: is not the small tmpfs";
    int freeBefore = SmallDriveFreeMegabytes();
    StartAndChoose(BIGFILE_SETUP_EXE, "T:\\");
    ExpectBox("Close Running Copies First!", kOlderVersionText, true, {IDOK}, IDOK);
    ExpectBox(kFailedTitle, kWriteFailedText, true, {IDOK}, IDOK);
    ExpectExitStatusZero();
    ExpectOnly(std::string("T:\\") + kApplication, {});
    EXPECT_EQ(freeBefore, SmallDriveFreeMegabytes());
}

TEST_F(SequenceEndToEnd, NoMemoryForTheWorkBufferFailsBeforeAnythingIsWritten) {
    StartAndChoose(NOMEMORY_SETUP_EXE, scratch_.path());
    ExpectBox("Close Running Copies First!", kOlderVersionText, true, {IDOK}, IDOK);
    ExpectBox(kFailedTitle, kNoMemoryText, true, {IDOK}, IDOK);
    ExpectExitStatusZero();
    ExpectOnly(Folder(), {});
}

TEST_F(SequenceEndToEnd, YesStartsTheMainExecutableAndNoDoesNot) {
    struct Case {
        int answer;
        bool started;
    };
    for (const Case& c : {Case{IDNO, false}, Case{IDYES, true}}) {
        SCOPED_TRACE(c.started ? "answered Yes" : "answered No");
        payload_test::RemoveTree(log_);
        StartAndChoose(PLAIN_SETUP_EXE, scratch_.path());
        ExpectBox("Close Running Copies First!", kOlderVersionText, true, {IDOK}, IDOK);
        ExpectBox("Installation Successful", kSuccessText, false, {IDYES, IDNO}, c.answer);
        ExpectExitStatusZero();
        ExpectOnly(Folder(), {"manual.htm", "rtuninst.exe", "sample1.jpg", "vrl32.exe"});
        std::vector<e2e::ChildRun> runs;
        if (c.started) {
            ASSERT_TRUE(e2e::WaitForChildRuns(log_, 1, e2e::kNextWindowMs, &runs)) << "nothing was started";
            ASSERT_EQ(1u, runs.size());
            EXPECT_EQ(Folder() + "\\vrl32.exe", runs[0].program);
            EXPECT_EQ("\"" + Folder() + "\\vrl32.exe\"", runs[0].commandLine);
        } else {
            // The installer has ended: a program it had started would be
            // running now or would have logged its start already.
            EXPECT_TRUE(e2e::ReadChildRuns(log_).empty());
            EXPECT_TRUE(e2e::ProcessesNamed("vrl32.exe").empty());
        }
    }
}

TEST_F(SequenceEndToEnd, ArgumentsChangeNothingAndYesStartsVarnlet) {
    StartAndChoose(VARNLET_SETUP_EXE, scratch_.path(), "/S /D=C:\\varnlet-elsewhere --quiet");
    ExpectBox("Closing Running Copies",
              "Any copies of Varnlet currently running must now be shut down. This may take a few seconds.", true,
              {IDOK}, IDOK);
    ExpectBox("Installation Successful", kSuccessText, false, {IDYES, IDNO}, IDYES);
    ExpectExitStatusZero();
    EXPECT_FALSE(e2e::PathExists("C:\\varnlet-elsewhere"));
    // The shell link object still works with the library search restricted.
    std::string menu = e2e::JoinPath(e2e::ShellFolder(CSIDL_PROGRAMS), "Varnlet");
    EXPECT_EQ(Folder() + "\\vrl32.exe", e2e::ReadLink(e2e::JoinPath(menu, "Varnlet.lnk")).target);
    EXPECT_EQ(Folder() + "\\rtuninst.exe", e2e::ReadLink(e2e::JoinPath(menu, "Uninstall.lnk")).target);

    std::vector<e2e::ProcessSeen> started = e2e::ProcessesNamed("vrl32.exe");
    ASSERT_EQ(1u, started.size()) << "Varnlet should run once";
    EXPECT_EQ(Folder() + "\\vrl32.exe", started[0].image);
    HWND window = testing_support::WaitForWindow(started[0].id, "Varnlet", nullptr, e2e::kNextWindowMs);
    ASSERT_TRUE(window) << testing_support::DescribeWindows(0);
    (void)PostMessageA(window, WM_CLOSE, 0, 0);
    if (!testing_support::WaitForWindowGone(window, e2e::kNextWindowMs)) e2e::EndProcess(started[0].id);
}

}  // namespace
