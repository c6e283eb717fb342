// The happy path of VarnletSetup.exe, twice in a row, as a user meets it:
//
// 1. With a stand-in copy of Varnlet running, the user installs into a folder
//    of their own choice and answers Yes: the running copy is asked to close,
//    Varnlet is installed completely and started.
// 2. The user runs the installer again: it proposes the folder of the first
//    run from the ini file, closes the Varnlet started by the first run (and
//    asks a copy that will not close, which stays), replaces the files that
//    were changed or deleted meanwhile, leaves the user's own file alone, and
//    the user answers No, so nothing is started.
#include <shlobj.h>

#include "tests/e2e/scenario.h"
#include "tests/support/window_driver.h"

namespace e2e {
namespace {

constexpr char kParent[] = "C:\\e2e\\Apps";
constexpr char kDataFolder[] = "C:\\e2e\\Apps\\Varnlet";
constexpr int kProgramWindowMs = 30000;

class TwoInstallations : public Scenario {
protected:
    // Licence, folder, closing notice and the success question of one run,
    // with the folder dialog's proposal checked and `typedParent` typed in
    // (none: the proposal is kept).
    void WalkToTheEnd(const std::string& expectedParent, const char* typedParent, int answer) {
        std::string licence;
        ASSERT_TRUE(AnswerLicence(user(), true, &licence)) << user().Failure();
        EXPECT_EQ(VarnletLicence(), licence);

        std::string parent, application;
        HWND dialog = WaitForFolderDialog(user(), &parent, &application);
        ASSERT_TRUE(dialog) << user().Failure();
        EXPECT_EQ(expectedParent, parent) << "proposed parent folder";
        EXPECT_EQ(kProduct, application) << "proposed application folder";
        if (typedParent) {
            ASSERT_TRUE(ChooseFolder(user(), dialog, typedParent, kProduct)) << user().Failure();
        } else {
            ASSERT_TRUE(user().Click(dialog, IDOK)) << user().Failure();
        }

        ASSERT_TRUE(ExpectBox(kClosingTitle, FormatText(kClosingFormat, kProduct), true, {IDOK}, IDOK))
            << user().Failure();
        ASSERT_TRUE(ExpectBox(kSuccessTitle, FormatText(kSuccessFormat, kProduct, kProduct), false, {IDYES, IDNO},
                              answer, kAfterWaitMs))
            << user().Failure();
        ASSERT_TRUE(ExpectEndsWithStatusZero()) << user().Failure();
    }
};

TEST_F(TwoInstallations, FirstAnsweredYesThenSecondReplacesTheFilesAndAnsweredNo) {
    ASSERT_TRUE(CreateFolders(kParent));
    std::string failure;
    RunningCopy report("Varnlet - report", JoinPath(OutputFolder(), "report.log"), false);
    ASSERT_TRUE(report.Start(&failure)) << failure;

    // --- first installation --------------------------------------------------
    ASSERT_TRUE(StartInstaller(BuiltProgram(VARNLET_SETUP_EXE))) << user().Failure();
    ASSERT_NO_FATAL_FAILURE(WalkToTheEnd(ShellFolder(CSIDL_PROGRAM_FILES), kParent, IDYES));

    EXPECT_TRUE(report.WaitForExit(kNextWindowMs)) << "the running copy did not close";
    EXPECT_EQ("WM_CLOSE 0 0\n", report.Log()) << "requests to the running copy";
    // Varnlet runs now and reads its files, so only modification times stay.
    std::vector<std::string> everything;
    for (const PayloadFile& file : VarnletPayload()) everything.push_back(file.name);
    ExpectPayloadInstalled(kDataFolder, VarnletPayload(), {}, everything);
    ExpectRegistered(kDataFolder, "vrl32.exe");

    std::vector<ProcessSeen> started = ProcessesNamed("vrl32.exe");
    ASSERT_EQ(1u, started.size()) << "Varnlet was not started once after Yes";
    EXPECT_EQ(JoinPath(kDataFolder, "vrl32.exe"), started[0].image);
    std::string commandLine;
    ASSERT_TRUE(ProcessCommandLine(started[0].id, &commandLine));
    EXPECT_EQ(Quoted("\"" + JoinPath(kDataFolder, "vrl32.exe") + "\""), Quoted(commandLine));
    ASSERT_TRUE(testing_support::WaitForWindow(started[0].id, kProduct, nullptr, kProgramWindowMs))
        << "Varnlet shows no window\n"
        << testing_support::DescribeWindows(0);
    user().Step("Varnlet runs from " + started[0].image, true);

    // --- meanwhile: a changed file, a deleted file, a file of the user's own --
    std::string manual = JoinPath(kDataFolder, "manual.htm");
    ASSERT_TRUE(WriteWholeFile(manual, "changed by the user"));
    ASSERT_TRUE(SetFileTimes(manual, UnixTimeFromIso("2020-01-01T00:00:00Z"), UnixTimeFromIso("2020-01-01T00:00:00Z")));
    ASSERT_TRUE(DeleteFileA(JoinPath(kDataFolder, "sample2.jpg").c_str()));
    ASSERT_TRUE(WriteWholeFile(JoinPath(kDataFolder, "my notes.txt"), "mine"));
    RunningCopy unsaved("Varnlet - unsaved", JoinPath(OutputFolder(), "unsaved.log"), true);
    RunningCopy other("My Varnlet", JoinPath(OutputFolder(), "other.log"), false);
    ASSERT_TRUE(unsaved.Start(&failure)) << failure;
    ASSERT_TRUE(other.Start(&failure)) << failure;

    // --- second installation ---------------------------------------------------
    ASSERT_TRUE(StartInstaller(BuiltProgram(VARNLET_SETUP_EXE))) << user().Failure();
    ASSERT_NO_FATAL_FAILURE(WalkToTheEnd(kParent, nullptr, IDNO));

    // The Varnlet of the first run was asked to close and did.
    HANDLE varnlet = OpenProcess(SYNCHRONIZE, FALSE, started[0].id);
    if (varnlet) {
        EXPECT_EQ(WAIT_OBJECT_0, WaitForSingleObject(varnlet, kNextWindowMs)) << "Varnlet did not close";
        CloseHandle(varnlet);
    }
    ExpectNotRunning("vrl32.exe");
    EXPECT_EQ("WM_CLOSE 0 0\n", unsaved.Log()) << "the copy that will not close was asked once";
    EXPECT_EQ(-1, unsaved.ExitStatus()) << "the copy that will not close ended";
    EXPECT_EQ("", other.Log()) << "a window whose title only contains the name was asked";
    EXPECT_EQ(-1, other.ExitStatus());

    ExpectPayloadInstalled(kDataFolder, VarnletPayload(), {"my notes.txt"}, LinkTargets("vrl32.exe"));
    std::string mine;
    EXPECT_TRUE(ReadWholeFile(JoinPath(kDataFolder, "my notes.txt"), &mine));
    EXPECT_EQ("mine", mine);
    ExpectRegistered(kDataFolder, "vrl32.exe");
}

}  // namespace
}  // namespace e2e
