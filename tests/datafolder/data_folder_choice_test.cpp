// The data-folder choice under Wine, with the real folder dialog, real
// folders, the real ini file in the Windows directory and message boxes read
// off the screen.
#include <gtest/gtest.h>
#include <shlobj.h>

#include <cstdint>
#include <cstring>
#include <string>

#include "common/globals.h"
#include "datafolder/data_folder.h"
#include "datafolder/proposal.h"
#include "resources/resource_ids.h"
#include "tests/datafolder/folder_test_support.h"
#include "tests/support/window_driver.h"

using namespace folder_test;
using testing_support::PressButton;
using testing_support::SetDialogItemText;

namespace {

const char kShuttingDownText[] =
    "This program cannot operate without a data folder to store its files in. The program will exit now. Please "
    "determine an appropriate folder name and start the program again later.";
const char kWindowsFolderText[] =
    "That directory is the Windows directory. It is not safe to install applications in the Windows directory "
    "because it contains other important system files. Please choose another location.";
const char kNoAccessText[] =
    "That directory does not exist and could not be created. Please enter a valid location for a directory on "
    "your system.";

const char kRoot[] = "C:\\vrl_choice_test";

void* AlwaysAsk(int value) { return reinterpret_cast<void*>(static_cast<intptr_t>(value)); }

std::string ProgramFilesFolder() {
    char folder[MAX_PATH] = "";
    EXPECT_EQ(S_OK, SHGetFolderPathA(nullptr, CSIDL_PROGRAM_FILES, nullptr, SHGFP_TYPE_CURRENT, folder));
    return folder;
}

std::string RecordedLine(const std::string& folder) { return "dataDir=" + folder + "\r\n"; }

class DataFolderChoice : public ::testing::Test {
protected:
    void SetUp() override {
        ASSERT_TRUE(SetCurrentDirectoryA("C:\\"));
        RemoveIniFile();
        RemoveTree(kRoot);
        ASSERT_TRUE(MakeFolder(kRoot));
        dataFolder[0] = '\0';
    }
    void TearDown() override {
        (void)SetCurrentDirectoryA("C:\\");
        RemoveTree(kRoot);
        RemoveIniFile();
    }
    // Cancels the dialog and expects the run to end with 0 after "Shutting Down".
    void CancelAndExpectShutdown(UiThread& run, HWND dialog) {
        PressButton(dialog, IDCANCEL);
        EXPECT_EQ(kShuttingDownText, AnswerMessageBox("Shutting Down", IDOK));
        int result = -1;
        ASSERT_TRUE(run.Finish(&result));
        EXPECT_EQ(0, result);
    }
    // Confirms the dialog with these fields and expects the run to end with 1.
    void ChooseAndExpectSuccess(UiThread& run, HWND dialog, const char* parent, const char* application) {
        SetDialogItemText(dialog, IDC_FOLDER_PARENT, parent);
        SetDialogItemText(dialog, IDC_FOLDER_APPLICATION, application);
        PressButton(dialog, IDOK);
        int result = -1;
        ASSERT_TRUE(run.Finish(&result)) << testing_support::DescribeWindows(GetCurrentProcessId());
        EXPECT_EQ(1, result);
    }
    std::string Under(const char* name) { return std::string(kRoot) + "\\" + name; }
};

TEST_F(DataFolderChoice, ProposesTheProgramFilesFolderAndCancelShutsDown) {
    UiThread run(RunChoice, AlwaysAsk(1));
    HWND dialog = WaitForFolderDialog();
    ASSERT_NE(nullptr, dialog);
    EXPECT_EQ(ProgramFilesFolder(), ParentField(dialog));
    EXPECT_EQ("Varnlet", ApplicationField(dialog));
    SaveScreenshotOf(dialog, "proposal.bmp");
    CancelAndExpectShutdown(run, dialog);
    EXPECT_EQ("", ReadIniFile()) << "a cancelled choice wrote the ini file";
}

TEST_F(DataFolderChoice, ProposesTheRecordedFolder) {
    struct Recorded {
        const char* value;
        const char* parent;
        const char* application;
    };
    const Recorded cases[] = {
        {"D:\\Data\\Varnlet", "D:\\Data", "Varnlet"},
        {"", "", ""},
        {"D:/Data//Varnlet", "D:\\Data", "Varnlet"},
        {"\\\\server\\share\\Varnlet", "\\\\server\\share", "Varnlet"},
        {"Varnlet", "Varnlet", ""},
    };
    for (const Recorded& c : cases) {
        SCOPED_TRACE(std::string("dataDir=") + c.value);
        WriteRecordedFolder(c.value);
        UiThread run(RunChoice, AlwaysAsk(1));
        HWND dialog = WaitForFolderDialog();
        ASSERT_NE(nullptr, dialog);
        EXPECT_EQ(c.parent, ParentField(dialog));
        EXPECT_EQ(c.application, ApplicationField(dialog));
        CancelAndExpectShutdown(run, dialog);
    }
}

TEST_F(DataFolderChoice, RecordedWindowsDirectoryIsRefusedBeforeTheDialog) {
    std::string windows = WindowsDirectory();
    ASSERT_FALSE(windows.empty());
    std::string upper = windows, lower = windows;
    for (char& c : upper) c = static_cast<char>(toupper(static_cast<unsigned char>(c)));
    for (char& c : lower) c = static_cast<char>(tolower(static_cast<unsigned char>(c)));
    for (const std::string& spelling : {windows, upper, lower + "\\", windows + "/"}) {
        SCOPED_TRACE("dataDir=" + spelling);
        WriteRecordedFolder(spelling.c_str());
        UiThread run(RunChoice, AlwaysAsk(1));
        HWND warning = testing_support::WaitForWindow(GetCurrentProcessId(), "Can't Install to Windows Directory",
                                                      "#32770", kWindowTimeoutMs);
        ASSERT_NE(nullptr, warning) << testing_support::DescribeWindows(GetCurrentProcessId());
        EXPECT_FALSE(IsShown("Choose a Folder")) << "the dialog came before the warning";
        EXPECT_EQ(kWindowsFolderText, AnswerMessageBox("Can't Install to Windows Directory", IDOK));
        HWND dialog = WaitForFolderDialog();
        ASSERT_NE(nullptr, dialog);
        CancelAndExpectShutdown(run, dialog);
    }
}

TEST_F(DataFolderChoice, ChosenWindowsDirectoryIsRefusedAndAskedAgain) {
    std::string windows = WindowsDirectory();
    size_t separator = windows.rfind('\\');
    ASSERT_NE(std::string::npos, separator) << windows;
    std::string parent = windows.substr(0, separator);
    std::string name = windows.substr(separator + 1);
    for (char& c : name) c = static_cast<char>(toupper(static_cast<unsigned char>(c)));

    UiThread run(RunChoice, AlwaysAsk(1));
    HWND dialog = WaitForFolderDialog();
    ASSERT_NE(nullptr, dialog);
    SetDialogItemText(dialog, IDC_FOLDER_PARENT, parent.c_str());
    SetDialogItemText(dialog, IDC_FOLDER_APPLICATION, name.c_str());
    PressButton(dialog, IDOK);
    // Refused before the question about an existing folder, and asked again.
    EXPECT_EQ(kWindowsFolderText, AnswerMessageBox("Can't Install to Windows Directory", IDOK));
    EXPECT_FALSE(IsShown("Write Data to Existing Folder?"));
    Settle(dialog);
    EXPECT_FALSE(IsShown("Couldn't Access Directory"));
    EXPECT_EQ(parent, ParentField(dialog));
    CancelAndExpectShutdown(run, dialog);
    EXPECT_EQ("", ReadIniFile());
}

TEST_F(DataFolderChoice, NewFolderIsCreatedEnteredAndRecorded) {
    UiThread run(RunChoice, AlwaysAsk(1));
    HWND dialog = WaitForFolderDialog();
    ASSERT_NE(nullptr, dialog);
    ChooseAndExpectSuccess(run, dialog, kRoot, "Fresh");
    std::string fresh = Under("Fresh");
    EXPECT_TRUE(FolderExists(fresh));
    EXPECT_STREQ(fresh.c_str(), dataFolder);
    EXPECT_EQ(fresh, CurrentDirectory());
    std::string ini = ReadIniFile();
    EXPECT_NE(std::string::npos, ini.find("[Options]")) << ini;
    EXPECT_NE(std::string::npos, ini.find(RecordedLine(fresh))) << ini;
}

TEST_F(DataFolderChoice, SeparatorsOfTheParentAreComposedAndNormalised) {
    ASSERT_TRUE(MakeFolder(Under("sub")));
    UiThread run(RunChoice, AlwaysAsk(1));
    HWND dialog = WaitForFolderDialog();
    ASSERT_NE(nullptr, dialog);
    std::string parent = "C:/vrl_choice_test//sub/";
    ChooseAndExpectSuccess(run, dialog, parent.c_str(), "Varnlet");
    std::string expected = Under("sub\\Varnlet");
    EXPECT_STREQ(expected.c_str(), dataFolder);
    EXPECT_TRUE(FolderExists(expected));
    EXPECT_NE(std::string::npos, ReadIniFile().find(RecordedLine(expected))) << ReadIniFile();
}

TEST_F(DataFolderChoice, FolderThatCannotBeEnteredIsReported) {
    // Another program holding the folder open without sharing: it exists, but
    // it cannot be made the current directory.
    std::string locked = Under("LockedVarnlet");
    ASSERT_TRUE(MakeFolder(locked));
    HANDLE holder = CreateFileA(locked.c_str(), GENERIC_READ, 0, nullptr, OPEN_EXISTING, FILE_FLAG_BACKUP_SEMANTICS,
                                nullptr);
    ASSERT_NE(INVALID_HANDLE_VALUE, holder) << GetLastError();

    UiThread run(RunChoice, AlwaysAsk(1));
    HWND dialog = WaitForFolderDialog();
    ASSERT_NE(nullptr, dialog);
    SetDialogItemText(dialog, IDC_FOLDER_PARENT, kRoot);
    SetDialogItemText(dialog, IDC_FOLDER_APPLICATION, "LockedVarnlet");
    PressButton(dialog, IDOK);
    EXPECT_EQ(kNoAccessText, AnswerMessageBox("Couldn't Access Directory", IDOK));
    dialog = WaitForFolderDialog();
    ASSERT_NE(nullptr, dialog);
    EXPECT_EQ(kRoot, ParentField(dialog));
    EXPECT_EQ("LockedVarnlet", ApplicationField(dialog));
    EXPECT_EQ("", ReadIniFile());

    // Once the other program lets go, the same choice goes through.
    CloseHandle(holder);
    PressButton(dialog, IDOK);
    int result = -1;
    ASSERT_TRUE(run.Finish(&result));
    EXPECT_EQ(1, result);
    EXPECT_EQ(locked, CurrentDirectory());
}

TEST_F(DataFolderChoice, WithoutAlwaysAskAnEnterableRecordedFolderNeedsNoWindow) {
    std::string existing = Under("Existing");
    ASSERT_TRUE(MakeFolder(existing));
    WriteRecordedFolder("C:/vrl_choice_test//Existing");
    UiThread run(RunChoice, AlwaysAsk(0));
    int result = -1;
    ASSERT_TRUE(run.Finish(&result)) << "a window came: " << testing_support::DescribeWindows(GetCurrentProcessId());
    EXPECT_EQ(1, result);
    EXPECT_EQ(existing, CurrentDirectory());
    EXPECT_NE(std::string::npos, ReadIniFile().find(RecordedLine(existing))) << ReadIniFile();
}

TEST_F(DataFolderChoice, WithoutAlwaysAskAMissingProposalIsShownNotMade) {
    std::string missing = Under("Missing");
    WriteRecordedFolder(missing.c_str());
    UiThread run(RunChoice, AlwaysAsk(0));
    HWND dialog = WaitForFolderDialog();
    ASSERT_NE(nullptr, dialog);
    EXPECT_FALSE(IsShown("Couldn't Access Directory"));
    EXPECT_FALSE(FolderExists(missing)) << "made before the user saw it";
    PressButton(dialog, IDOK);
    int result = -1;
    ASSERT_TRUE(run.Finish(&result));
    EXPECT_EQ(1, result);
    EXPECT_TRUE(FolderExists(missing));
}

TEST_F(DataFolderChoice, OverLongRecordedFolders) {
    // 400 characters fit the data-folder buffer but not a field: the parent
    // is shown cut, and OK refuses it rather than using a cut path.
    std::string longParent = std::string(kRoot) + "\\" + std::string(400, 'p');
    WriteRecordedFolder((longParent + "\\Varnlet").c_str());
    {
        UiThread run(RunChoice, AlwaysAsk(1));
        HWND dialog = WaitForFolderDialog();
        ASSERT_NE(nullptr, dialog);
        EXPECT_EQ(longParent.substr(0, 259), ParentField(dialog));
        EXPECT_EQ("Varnlet", ApplicationField(dialog));
        PressButton(dialog, IDOK);
        std::string text = AnswerMessageBox("Folder Name Too Long", IDOK);
        EXPECT_NE(std::string::npos, text.find("259")) << text;
        Settle(dialog);
        EXPECT_TRUE(IsWindowVisible(dialog));
        CancelAndExpectShutdown(run, dialog);
    }
    // More than the buffer holds is no usable folder: the proposal stays.
    WriteRecordedFolder(("C:\\" + std::string(1100, 'x')).c_str());
    {
        UiThread run(RunChoice, AlwaysAsk(1));
        HWND dialog = WaitForFolderDialog();
        ASSERT_NE(nullptr, dialog);
        EXPECT_EQ(ProgramFilesFolder(), ParentField(dialog));
        EXPECT_EQ("Varnlet", ApplicationField(dialog));
        CancelAndExpectShutdown(run, dialog);
    }
}

// A module without the folder dialog: the dialog cannot be created at all.
int RunChoiceWithoutTheDialog(void*) { return chooseDataFolder(GetModuleHandleA("kernel32.dll"), nullptr, 1); }

TEST_F(DataFolderChoice, DialogThatCannotBeShownEndsTheChoice) {
    UiThread run(RunChoiceWithoutTheDialog, nullptr);
    EXPECT_EQ(kShuttingDownText, AnswerMessageBox("Shutting Down", IDOK));
    int result = -1;
    ASSERT_TRUE(run.Finish(&result));
    EXPECT_EQ(0, result);
    EXPECT_EQ("", ReadIniFile());
}

// The route without the shell's folder query: shfolder.dll is taken out of
// the system folder for the duration (a real missing library, not a stub).
class ProposalWithoutShell : public ::testing::Test {
protected:
    void SetUp() override {
        system_ = std::string(WindowsDirectory()) + "\\system32\\shfolder.dll";
        away_ = system_ + ".away";
        // A run that died half-way may have left it away.
        if (GetFileAttributesA(away_.c_str()) != INVALID_FILE_ATTRIBUTES) {
            ASSERT_TRUE(MoveFileA(away_.c_str(), system_.c_str()));
        }
        ASSERT_TRUE(MoveFileA(system_.c_str(), away_.c_str())) << GetLastError();
        ASSERT_TRUE(SetCurrentDirectoryA("C:\\"));
        RemoveIniFile();
        guess_ = "C:\\Program Files\\Varnlet";
        RemoveTree(guess_);
    }
    void TearDown() override {
        EXPECT_TRUE(MoveFileA(away_.c_str(), system_.c_str())) << GetLastError();
        (void)SetCurrentDirectoryA("C:\\");
        RemoveTree(guess_);
        (void)_putenv("HOMEDRIVE=");
        (void)_putenv("HOMEPATH=");
    }
    std::string system_, away_, guess_;
};

TEST_F(ProposalWithoutShell, ExistingProgramFilesFolderIsProposedAndEntered) {
    ASSERT_TRUE(MakeFolder(guess_));
    proposeDataFolder(nullptr);
    EXPECT_EQ(guess_, dataFolder);
    EXPECT_EQ(guess_, CurrentDirectory());
}

TEST_F(ProposalWithoutShell, HomeFolderFromTheEnvironment) {
    struct Home {
        const char* drive;
        const char* path;
        const char* expected;
    };
    const Home cases[] = {
        {"C:", "\\Documents and Settings\\kim", "C:\\Documents and Settings\\kim\\Varnlet"},
        {"C:", "\\", "C:\\Varnlet"},
        {"D:\\", "/Users//kim/", "D:\\Users\\kim\\Varnlet"},
        {nullptr, "\\Users\\kim", "C:\\Users\\kim\\Varnlet"},
        {"C:", "E:\\Home", "E:\\Home\\Varnlet"},
        {nullptr, nullptr, "C:\\Varnlet"},
    };
    for (const Home& c : cases) {
        SCOPED_TRACE(std::string("HOMEDRIVE ") + (c.drive ? c.drive : "(none)") + " HOMEPATH " +
                     (c.path ? c.path : "(none)"));
        // The run-time library's getenv reads its own copy of the environment.
        ASSERT_EQ(0, _putenv((std::string("HOMEDRIVE=") + (c.drive ? c.drive : "")).c_str()));
        ASSERT_EQ(0, _putenv((std::string("HOMEPATH=") + (c.path ? c.path : "")).c_str()));
        proposeDataFolder(nullptr);
        EXPECT_STREQ(c.expected, dataFolder);
        EXPECT_EQ("C:\\", CurrentDirectory()) << "the proposal entered a folder";
    }
    // A home path too long for the buffer keeps the Program Files guess.
    ASSERT_EQ(0, _putenv((std::string("HOMEPATH=\\") + std::string(1100, 'h')).c_str()));
    proposeDataFolder(nullptr);
    EXPECT_EQ(guess_, dataFolder);
}

}  // namespace
