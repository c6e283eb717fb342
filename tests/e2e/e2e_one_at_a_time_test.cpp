// One installer of a product at a time: while VarnletSetup.exe waits at its
// licence agreement, and again at the notice just before it writes the files,
// the user starts VarnletSetup.exe a second time. Each second installer ends
// at once with exit status 0, having written nothing, and puts the first
// one's open window in front of the user. The first installation then goes
// on to the end and every file it wrote is whole.
//
// A run that holds the lock with no window the installer could raise (here:
// this test, as a run in another session would) makes the installer warn and
// end, having changed nothing.
#include "common/run_lock.h"
#include "tests/e2e/scenario.h"
#include "tests/support/window_driver.h"

namespace e2e {
namespace {

constexpr char kParent[] = "C:\\e2e\\Once";
constexpr char kDataFolder[] = "C:\\e2e\\Once\\Varnlet";

class OneAtATime : public Scenario {
protected:
    // Starts a second installer with a window of ours in front, and checks
    // that it ends with 0 and leaves `expectedFront` in front.
    void StartSecondExpectingHandOverTo(HWND expectedFront, const char* stage) {
        HWND other = CreateWindowExA(WS_EX_TOPMOST, "STATIC", "another program", WS_POPUP | WS_VISIBLE, 0, 0, 200,
                                     100, nullptr, nullptr, nullptr, nullptr);
        ASSERT_NE(nullptr, other);
        (void)SetForegroundWindow(other);
        (void)SetWindowPos(other, HWND_NOTOPMOST, 0, 0, 0, 0, SWP_NOMOVE | SWP_NOSIZE);

        std::string program = BuiltProgram(VARNLET_SETUP_EXE);
        std::string commandLine = "\"" + program + "\"";
        STARTUPINFOA startup = {};
        startup.cb = sizeof startup;
        PROCESS_INFORMATION second = {};
        ASSERT_TRUE(CreateProcessA(program.c_str(), &commandLine[0], nullptr, nullptr, FALSE, 0, nullptr, nullptr,
                                   &startup, &second))
            << "error " << GetLastError();
        DWORD status = 0xFFFFFFFF;
        EXPECT_EQ(WAIT_OBJECT_0, WaitForSingleObject(second.hProcess, kNextWindowMs)) << "the second installer runs on";
        EXPECT_TRUE(GetExitCodeProcess(second.hProcess, &status));
        EXPECT_EQ(0u, status) << "exit status of the second installer at " << stage;
        CloseHandle(second.hThread);
        CloseHandle(second.hProcess);
        user().Step(std::string("a second installer started at ") + stage + " ended", true);

        EXPECT_EQ(expectedFront, GetForegroundWindow())
            << "the first installer's window was not brought to the front at " << stage << "\n"
            << testing_support::DescribeWindows(0);
        DestroyWindow(other);
        EXPECT_EQ(WAIT_TIMEOUT, WaitForSingleObject(user().Process(), 0)) << "the first installer ended";
    }
};

TEST_F(OneAtATime, ASecondInstallerHandsOverToTheRunningOneAndTheFirstCompletes) {
    ASSERT_TRUE(CreateFolders(kParent));
    ASSERT_TRUE(StartInstaller(BuiltProgram(VARNLET_SETUP_EXE))) << user().Failure();

    HWND licence = user().WaitForWindow(kLicenceTitle, kNextWindowMs);
    ASSERT_TRUE(licence) << user().Failure();
    ASSERT_NO_FATAL_FAILURE(StartSecondExpectingHandOverTo(licence, "the licence agreement"));
    // Nothing of the product anywhere: the second one wrote nothing.
    ExpectNothingRegistered();
    ExpectIniDataFolder("");
    ExpectFolderHolds(kParent, {});

    ASSERT_TRUE(AnswerLicence(user(), true, nullptr)) << user().Failure();
    std::string parent, application;
    HWND dialog = WaitForFolderDialog(user(), &parent, &application);
    ASSERT_TRUE(dialog) << user().Failure();
    ASSERT_TRUE(ChooseFolder(user(), dialog, kParent, kProduct)) << user().Failure();

    // The notice before the files are written: a message box over the
    // background window.
    MessageBoxSeen notice;
    ASSERT_TRUE(user().WaitForMessageBox(kClosingTitle, kNextWindowMs, &notice)) << user().Failure();
    ASSERT_NO_FATAL_FAILURE(StartSecondExpectingHandOverTo(notice.window, "the notice before writing"));
    ExpectFolderHolds(kDataFolder, {}, true);
    ASSERT_TRUE(user().Answer(notice, IDOK)) << user().Failure();

    ASSERT_TRUE(ExpectBox(kSuccessTitle, FormatText(kSuccessFormat, kProduct, kProduct), false, {IDYES, IDNO}, IDNO,
                          kAfterWaitMs))
        << user().Failure();
    ASSERT_TRUE(ExpectEndsWithStatusZero()) << user().Failure();
    ExpectNotRunning("VarnletSetup.exe");
    ExpectPayloadInstalled(kDataFolder, VarnletPayload(), {}, LinkTargets("vrl32.exe"));
    ExpectRegistered(kDataFolder, "vrl32.exe");
}

TEST_F(OneAtATime, AnInstallerFindingTheLockHeldWithoutAWindowWarnsAndChangesNothing) {
    RunLock heldElsewhere;
    ASSERT_TRUE(ClaimRunLock(kProduct, &heldElsewhere)) << "another run of Varnlet holds the lock";
    ASSERT_TRUE(CreateFolders(kParent));
    ASSERT_TRUE(StartInstaller(BuiltProgram(VARNLET_SETUP_EXE))) << user().Failure();
    // It looks for a window to raise first.
    ASSERT_TRUE(ExpectBox(kLockHeldTitle, FormatText(kLockHeldFormat, kProduct), true, {IDOK}, IDOK)) << user().Failure();
    ASSERT_TRUE(ExpectEndsWithStatusZero()) << user().Failure();
    ExpectNothingRegistered();
    ExpectIniDataFolder("");
    ExpectFolderHolds(kParent, {});
}

}  // namespace
}  // namespace e2e
