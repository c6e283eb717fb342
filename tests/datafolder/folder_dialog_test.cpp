// The folder dialog under Wine: its fields, OK on new, existing and
// impossible folders, the file case, Cancel, Esc and Enter, and Browse...
// with the shell's real folder browser. Drive D: is a folder of the build
// tree (mapped by the datafolder_drive_d fixture).
#include <gtest/gtest.h>
#include <commctrl.h>
#include <shlobj.h>

#include <cstring>
#include <cwchar>
#include <string>

#include "common/globals.h"
#include "resources/resource_ids.h"
#include "tests/datafolder/folder_test_support.h"
#include "tests/support/window_driver.h"

using namespace folder_test;
using testing_support::PressButton;
using testing_support::SetDialogItemText;

namespace {

const char kCreateFailedText[] =
    "That folder does not exist, and the application was not able to create it. Most likely the parent folder "
    "does not exist or you have entered a path the program does not have write access to.";
const char kFileText[] =
    "That path specifies a file, and not a new or existing folder name. Please enter a folder name, such as Varnlet "
    "for example.";
const char kExistingText[] =
    "That folder already exists. The application can use it, but we do not recommend using a folder that is "
    "already being used for other purposes. Are you sure you want to use this directory?";

const char kTools[] = "D:\\Tools";

class FolderDialog : public ::testing::Test {
protected:
    void SetUp() override {
        ASSERT_NE(DRIVE_NO_ROOT_DIR, GetDriveTypeA("D:\\")) << "drive D: is not mapped";
        ASSERT_TRUE(SetCurrentDirectoryA("C:\\"));
        RemoveTree(kTools);
        ASSERT_TRUE(MakeFolder(kTools));
        dataFolder[0] = '\0';
    }
    void TearDown() override { RemoveTree(kTools); }

    void Fill(HWND dialog, const char* parent, const char* application) {
        SetDialogItemText(dialog, IDC_FOLDER_PARENT, parent);
        SetDialogItemText(dialog, IDC_FOLDER_APPLICATION, application);
    }
    int Finish(UiThread& run) {
        int result = -1;
        EXPECT_TRUE(run.Finish(&result)) << testing_support::DescribeWindows(GetCurrentProcessId());
        return result;
    }
    // After a refusal: the dialog is still up with the user's texts.
    void ExpectStillOpen(UiThread& run, HWND dialog, const char* parent, const char* application) {
        Settle(dialog);
        EXPECT_TRUE(IsWindowVisible(dialog));
        EXPECT_TRUE(run.Running());
        EXPECT_EQ(parent, ParentField(dialog));
        EXPECT_EQ(application, ApplicationField(dialog));
    }
};

// The proposal must be in place before the dialog starts, so the thread is
// started by each test after setting it.
#define START_DIALOG(run, proposal)          \
    std::strcpy(dataFolder, proposal);      \
    UiThread run(RunFolderDialog, nullptr); \
    HWND dialog = WaitForFolderDialog();    \
    ASSERT_NE(nullptr, dialog)

TEST_F(FolderDialog, SplitsTheProposalIntoTheTwoFields) {
    struct Split {
        const char* proposal;
        const char* parent;
        const char* application;
    };
    const Split cases[] = {
        {"C:\\Program Files\\Varnlet", "C:\\Program Files", "Varnlet"},
        {"Varnlet", "Varnlet", ""},
        {"", "", ""},
        {"C:/Data/Varnlet", "C:/Data", "Varnlet"},
        {"\\\\server\\share\\Varnlet", "\\\\server\\share", "Varnlet"},
    };
    for (const Split& c : cases) {
        SCOPED_TRACE(std::string("proposal ") + c.proposal);
        START_DIALOG(run, c.proposal);
        EXPECT_EQ(c.parent, ParentField(dialog));
        EXPECT_EQ(c.application, ApplicationField(dialog));
        GUITHREADINFO info = {};
        info.cbSize = sizeof info;
        ASSERT_TRUE(GetGUIThreadInfo(run.Id(), &info));
        EXPECT_EQ(GetDlgItem(dialog, IDOK), info.hwndFocus) << "focus is not on OK";
        PressButton(dialog, IDCANCEL);
        EXPECT_EQ(0, Finish(run));
    }
}

TEST_F(FolderDialog, OkComposesCreatesAndAccepts) {
    struct Compose {
        const char* parent;
        const char* application;
        const char* composed;
    };
    const Compose cases[] = {
        {"D:\\Tools", "Varnlet", "D:\\Tools\\Varnlet"},
        {"D:/Tools", "Plain", "D:\\Tools\\Plain"},
        {"D:\\Tools\\", "Trailing", "D:\\Tools\\Trailing"},
        {"D:/Tools/", "Both", "D:\\Tools\\Both"},
        // The folder is resolved before it is checked: separators, "." and "..".
        {"D:\\Tools", "Typed//", "D:\\Tools\\Typed"},
        {"D:\\Tools\\.\\x\\..", "Dots", "D:\\Tools\\Dots"},
        // No parent: a folder at the root of the current drive.
        {"", "vrl_dialog_root_test", "C:\\vrl_dialog_root_test"},
    };
    for (const Compose& c : cases) {
        SCOPED_TRACE(std::string(c.parent) + " + " + c.application);
        START_DIALOG(run, "C:\\Program Files\\Varnlet");
        Fill(dialog, c.parent, c.application);
        PressButton(dialog, IDOK);
        EXPECT_EQ(1, Finish(run));
        EXPECT_STREQ(c.composed, dataFolder);
        EXPECT_TRUE(FolderExists(c.composed)) << c.composed;
    }
    RemoveTree("C:\\vrl_dialog_root_test");
}

TEST_F(FolderDialog, ProductFolderIsAcceptedWithoutAQuestion) {
    ASSERT_TRUE(MakeFolder("D:\\Tools\\MyVARNLET"));
    START_DIALOG(run, "C:\\Program Files\\Varnlet");
    Fill(dialog, kTools, "MyVARNLET");
    PressButton(dialog, IDOK);
    EXPECT_EQ(1, Finish(run));
    EXPECT_STREQ("D:\\Tools\\MyVARNLET", dataFolder);
}

TEST_F(FolderDialog, OtherExistingFolderOnlyAfterYes) {
    START_DIALOG(run, "C:\\Program Files\\Varnlet");
    Fill(dialog, "D:\\", "Tools");
    PressButton(dialog, IDOK);
    EXPECT_EQ(kExistingText, AnswerMessageBox("Write Data to Existing Folder?", IDNO));
    ExpectStillOpen(run, dialog, "D:\\", "Tools");
    PressButton(dialog, IDOK);
    HWND question = testing_support::WaitForWindow(GetCurrentProcessId(), "Write Data to Existing Folder?", "#32770",
                                                   kWindowTimeoutMs);
    ASSERT_NE(nullptr, question);
    SaveScreenshotOf(question, "existing_question.bmp");
    EXPECT_EQ(kExistingText, AnswerMessageBox("Write Data to Existing Folder?", IDYES));
    EXPECT_EQ(1, Finish(run));
    EXPECT_STREQ(kTools, dataFolder);
}

TEST_F(FolderDialog, PathOfAFileAsksForAFolderName) {
    ASSERT_TRUE(MakeFile("D:\\Tools\\notes.txt"));
    START_DIALOG(run, "C:\\Program Files\\Varnlet");
    Fill(dialog, kTools, "notes.txt");
    PressButton(dialog, IDOK);
    EXPECT_EQ(kFileText, AnswerMessageBox("Please Enter a Folder Name", IDOK));
    ExpectStillOpen(run, dialog, kTools, "notes.txt");
    PressButton(dialog, IDCANCEL);
    EXPECT_EQ(0, Finish(run));
    // The rejected attempt is what the data-folder buffer holds.
    EXPECT_STREQ("D:\\Tools\\notes.txt", dataFolder);
}

TEST_F(FolderDialog, FolderTwoLevelsDeepCannotBeCreated) {
    START_DIALOG(run, "C:\\Program Files\\Varnlet");
    Fill(dialog, "D:\\Tools\\missing", "Varnlet");
    PressButton(dialog, IDOK);
    EXPECT_EQ(kCreateFailedText, AnswerMessageBox("Can't Create Directory", IDOK));
    ExpectStillOpen(run, dialog, "D:\\Tools\\missing", "Varnlet");
    EXPECT_FALSE(FolderExists("D:\\Tools\\missing"));
    PressButton(dialog, IDCANCEL);
    EXPECT_EQ(0, Finish(run));
    EXPECT_STREQ("D:\\Tools\\missing\\Varnlet", dataFolder);
}

// The chosen folder's text: each case is refused with its own message, the
// dialog stays open with what was typed, and nothing is created.
TEST_F(FolderDialog, FolderTextTheSystemWouldChangeIsRefused) {
    std::string windows = WindowsDirectory();
    ASSERT_GE(windows.size(), 4u) << windows;
    std::string upper = windows;
    for (char& c : upper) c = static_cast<char>(toupper(static_cast<unsigned char>(c)));
    std::string windowsName = windows.substr(windows.rfind('\\') + 1);
    std::string drive = windows.substr(0, 2);
    struct Refusal {
        std::wstring parent;
        std::wstring application;
        const char* title;
        const wchar_t* textPart;
        std::string notCreated;
    };
    auto wide = [](const std::string& text) { return std::wstring(text.begin(), text.end()); };
    const Refusal cases[] = {
        {wide(drive + "\\x\\..\\.."), wide(windowsName), "Can't Install to Windows Directory", L"Windows directory",
         ""},
        {wide(drive + "\\"), wide(upper.substr(3)), "Can't Install to Windows Directory", L"Windows directory", ""},
        {wide(windows + "\\"), L"", "Can't Install to Windows Directory", L"Windows directory", ""},
        {wide(upper), L"Varnlet", "Can't Install to Windows Directory", L"Windows directory",
         windows + "\\Varnlet"},
        {L"D:\\Tools", L"Varnlet ", "Folder Name Ends in a Blank or Dot", L"\"Varnlet \"", "D:\\Tools\\Varnlet"},
        {L"D:\\Tools", L"Varnlet.", "Folder Name Ends in a Blank or Dot", L"\"Varnlet.\"", "D:\\Tools\\Varnlet"},
        {L"D:\\Tools\\sub. ", L"Varnlet", "Folder Name Ends in a Blank or Dot", L"\"sub. \"", "D:\\Tools\\sub"},
        // Greek capitals are not in code page 1252, whose best fit would make
        // them "OS".
        {L"D:\\Tools", L"\u03A9\u03A3-Daten", "Unusable Characters in Folder Name",
         L"on this system: \u03A9 \u03A3. Please", "D:\\Tools\\OS-Daten"},
    };
    ASSERT_EQ(1252u, GetACP()) << "the last case needs a code page without Greek letters";
    for (const Refusal& c : cases) {
        SCOPED_TRACE(std::string("case ") + c.title + " " + std::to_string(&c - cases));
        START_DIALOG(run, "C:\\Program Files\\Varnlet");
        SendMessageW(GetDlgItem(dialog, IDC_FOLDER_PARENT), WM_SETTEXT, 0, reinterpret_cast<LPARAM>(c.parent.c_str()));
        SendMessageW(GetDlgItem(dialog, IDC_FOLDER_APPLICATION), WM_SETTEXT, 0,
                     reinterpret_cast<LPARAM>(c.application.c_str()));
        PressButton(dialog, IDOK);
        HWND box = testing_support::WaitForWindow(GetCurrentProcessId(), c.title, "#32770", kWindowTimeoutMs);
        ASSERT_NE(nullptr, box) << testing_support::DescribeWindows(GetCurrentProcessId());
        wchar_t text[1024] = {};
        (void)GetDlgItemTextW(box, 0xFFFF, text, 1024);
        EXPECT_NE(nullptr, std::wcsstr(text, c.textPart)) << "message: " << testing_support::MessageBoxText(box);
        (void)AnswerMessageBox(c.title, IDOK);
        Settle(dialog);
        EXPECT_TRUE(run.Running()) << "the dialog closed";
        if (!c.notCreated.empty()) {
            EXPECT_FALSE(FolderExists(c.notCreated)) << c.notCreated;
        }
        PressButton(dialog, IDCANCEL);
        EXPECT_EQ(0, Finish(run));
    }
    EXPECT_FALSE(FolderExists("C:\\OS-Daten"));
}

TEST_F(FolderDialog, OverLongFolderIsRefused) {
    struct TooLong {
        std::string parent;
        std::string application;
    };
    const TooLong cases[] = {
        {std::string("D:\\Tools\\") + std::string(300, 'p'), "Varnlet"},
        {kTools, std::string(260, 'a')},
        // Each field fits, the whole path (260 characters) does not.
        {kTools, std::string(260 - 9, 'a')},
    };
    for (const TooLong& c : cases) {
        SCOPED_TRACE("parent " + std::to_string(c.parent.size()) + " application " +
                     std::to_string(c.application.size()) + " characters");
        START_DIALOG(run, "C:\\Program Files\\Varnlet");
        Fill(dialog, c.parent.c_str(), c.application.c_str());
        PressButton(dialog, IDOK);
        std::string text = AnswerMessageBox("Folder Name Too Long", IDOK);
        EXPECT_NE(std::string::npos, text.find("at most 259 characters")) << text;
        ExpectStillOpen(run, dialog, c.parent.c_str(), c.application.c_str());
        PressButton(dialog, IDCANCEL);
        EXPECT_EQ(0, Finish(run));
    }
    // 259 characters in all are still a folder.
    START_DIALOG(run, "C:\\Program Files\\Varnlet");
    std::string longest(259 - 9, 'a');
    Fill(dialog, kTools, longest.c_str());
    PressButton(dialog, IDOK);
    EXPECT_EQ(1, Finish(run));
    EXPECT_EQ(259u, std::strlen(dataFolder));
}

TEST_F(FolderDialog, KeysAndCloseBox) {
    struct Ending {
        const char* name;
        UINT message;
        WPARAM wParam;
        bool toFocus;
        int expected;
    };
    const Ending cases[] = {
        {"Esc", WM_KEYDOWN, VK_ESCAPE, true, 0},
        {"close box", WM_SYSCOMMAND, SC_CLOSE, false, 0},
        {"Enter", WM_KEYDOWN, VK_RETURN, true, 1},
    };
    for (const Ending& c : cases) {
        SCOPED_TRACE(c.name);
        START_DIALOG(run, "D:\\Tools\\Keys");
        GUITHREADINFO info = {};
        info.cbSize = sizeof info;
        ASSERT_TRUE(GetGUIThreadInfo(run.Id(), &info));
        PostMessageA(c.toFocus ? info.hwndFocus : dialog, c.message, c.wParam, 0);
        EXPECT_EQ(c.expected, Finish(run));
    }
    EXPECT_TRUE(FolderExists("D:\\Tools\\Keys"));
}

// The shell's browser window owned by `dialog`.
HWND WaitForBrowser(HWND dialog) {
    DWORD start = GetTickCount();
    for (;;) {
        HWND window = nullptr;
        while ((window = FindWindowExA(nullptr, window, "#32770", nullptr)) != nullptr)
            if (GetWindow(window, GW_OWNER) == dialog && IsWindowVisible(window)) return window;
        if (static_cast<int>(GetTickCount() - start) >= kWindowTimeoutMs) {
            ADD_FAILURE() << "no folder browser; " << testing_support::DescribeWindows(GetCurrentProcessId());
            return nullptr;
        }
        Sleep(20);
    }
}

std::string SelectedItemText(HWND tree) {
    char text[MAX_PATH] = "";
    TVITEMA item = {};
    item.mask = TVIF_TEXT;
    item.hItem = reinterpret_cast<HTREEITEM>(SendMessageA(tree, TVM_GETNEXTITEM, TVGN_CARET, 0));
    item.pszText = text;
    item.cchTextMax = sizeof text;
    if (!item.hItem || !SendMessageA(tree, TVM_GETITEMA, 0, reinterpret_cast<LPARAM>(&item))) return "";
    return text;
}

// Selects `path` in the browser as its owner's callback would. The browser
// rebuilds its tree when the shell reports changes (such as the folders this
// test has just made), which can undo a selection; so it is made again until
// the tree shows it.
bool SelectInBrowser(HWND browser, const char* path, const char* leaf) {
    HWND tree = FindWindowExA(browser, nullptr, "SysTreeView32", nullptr);
    if (!tree) return false;
    DWORD start = GetTickCount();
    for (;;) {
        SendMessageA(browser, BFFM_SETSELECTIONA, TRUE, reinterpret_cast<LPARAM>(path));
        if (SelectedItemText(tree) == leaf) return true;
        if (static_cast<int>(GetTickCount() - start) >= kWindowTimeoutMs) return false;
        Sleep(50);
    }
}

bool HasChildWithText(HWND window, const char* text) {
    for (HWND child = GetWindow(window, GW_CHILD); child; child = GetWindow(child, GW_HWNDNEXT))
        if (testing_support::WindowText(child) == text) return true;
    return false;
}

// The shell's namespace learns of drives when Wine starts its services, so a
// folder on drive C: (always there) is picked rather than one on D:.
TEST_F(FolderDialog, BrowseReplacesOnlyTheParent) {
    const char kBrowseRoot[] = "C:\\vrl_browse_test";
    const char kPicked[] = "C:\\vrl_browse_test\\Picked";
    RemoveTree(kBrowseRoot);
    ASSERT_TRUE(MakeFolder(kBrowseRoot));
    ASSERT_TRUE(MakeFolder(kPicked));
    START_DIALOG(run, "C:\\Program Files\\Varnlet");
    SetDialogItemText(dialog, IDC_FOLDER_APPLICATION, "Typed");

    // Cancelling the browser changes nothing.
    PressButton(dialog, IDC_FOLDER_BROWSE);
    HWND browser = WaitForBrowser(dialog);
    ASSERT_NE(nullptr, browser);
    EXPECT_TRUE(HasChildWithText(browser, "Select a Folder"));
    PressButton(browser, IDCANCEL);
    ASSERT_TRUE(testing_support::WaitForWindowGone(browser, kWindowTimeoutMs));
    Settle(dialog);
    EXPECT_EQ("C:\\Program Files", ParentField(dialog));
    EXPECT_EQ("Typed", ApplicationField(dialog));

    // Picking a folder puts its path into the parent field only.
    PressButton(dialog, IDC_FOLDER_BROWSE);
    browser = WaitForBrowser(dialog);
    ASSERT_NE(nullptr, browser);
    SaveScreenshotOf(browser, "browser.bmp");
    ASSERT_TRUE(SelectInBrowser(browser, kPicked, "Picked"));
    PressButton(browser, IDOK);
    ASSERT_TRUE(testing_support::WaitForWindowGone(browser, kWindowTimeoutMs));
    Settle(dialog);
    EXPECT_EQ(kPicked, ParentField(dialog));
    EXPECT_EQ("Typed", ApplicationField(dialog));

    PressButton(dialog, IDOK);
    EXPECT_EQ(1, Finish(run));
    EXPECT_STREQ("C:\\vrl_browse_test\\Picked\\Typed", dataFolder);
    RemoveTree(kBrowseRoot);
}

}  // namespace
