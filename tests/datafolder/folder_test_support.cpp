#include "tests/datafolder/folder_test_support.h"

#include <gtest/gtest.h>
#include <shellapi.h>

#include <cstdio>
#include <cstdint>
#include <vector>

#include "datafolder/data_folder.h"
#include "datafolder/folder_dialog.h"
#include "product/product_data.h"
#include "resources/resource_ids.h"
#include "tests/support/screenshot.h"
#include "tests/support/window_driver.h"

namespace folder_test {

UiThread::UiThread(Body body, void* argument) : body_(body), argument_(argument) {
    thread_ = CreateThread(nullptr, 0, Run, this, 0, &id_);
    EXPECT_NE(nullptr, thread_) << "CreateThread error " << GetLastError();
}

UiThread::~UiThread() {
    if (!thread_) return;
    if (Running()) {
        ADD_FAILURE() << "the call under test had not returned:\n"
                      << testing_support::DescribeWindows(GetCurrentProcessId());
        // Close what is left, so that the next test starts on an empty screen.
        for (int attempt = 0; attempt < 10 && Running(); ++attempt) {
            HWND window = testing_support::WaitForWindow(GetCurrentProcessId(), nullptr, "#32770", 500);
            if (window) PostMessageA(window, WM_COMMAND, IDCANCEL, 0);
            (void)WaitForSingleObject(thread_, 500);
        }
        if (Running()) {
            // A call that never ends would run on into the next test, and
            // into this object once it is gone.
            std::fflush(stdout);
            TerminateProcess(GetCurrentProcess(), 3);
        }
    }
    CloseHandle(thread_);
}

DWORD WINAPI UiThread::Run(LPVOID self) {
    UiThread* thread = static_cast<UiThread*>(self);
    thread->result_ = thread->body_(thread->argument_);
    return 0;
}

bool UiThread::Finish(int* result) {
    if (!thread_ || WaitForSingleObject(thread_, kWindowTimeoutMs) != WAIT_OBJECT_0) return false;
    *result = result_;
    return true;
}

bool UiThread::Running() const { return thread_ && WaitForSingleObject(thread_, 0) == WAIT_TIMEOUT; }

int RunChoice(void* alwaysAsk) {
    return chooseDataFolder(GetModuleHandleA(nullptr), nullptr, static_cast<int>(reinterpret_cast<intptr_t>(alwaysAsk)));
}

int RunFolderDialog(void*) {
    return static_cast<int>(
        DialogBoxParamW(GetModuleHandleW(nullptr), MAKEINTRESOURCEW(IDD_FOLDER), nullptr, folderDialogProc, 0));
}

HWND WaitForFolderDialog() {
    HWND dialog =
        testing_support::WaitForWindow(GetCurrentProcessId(), "Choose a Folder", "#32770", kWindowTimeoutMs);
    EXPECT_NE(nullptr, dialog) << "no folder dialog; "
                               << testing_support::DescribeWindows(GetCurrentProcessId());
    return dialog;
}

void Settle(HWND window) {
    DWORD_PTR ignored = 0;
    (void)SendMessageTimeoutA(window, WM_NULL, 0, 0, SMTO_NORMAL, kWindowTimeoutMs, &ignored);
}

std::string AnswerMessageBox(const char* title, int button) {
    HWND box = testing_support::WaitForWindow(GetCurrentProcessId(), title, "#32770", kWindowTimeoutMs);
    if (!box) {
        ADD_FAILURE() << "no message box \"" << title << "\"; "
                      << testing_support::DescribeWindows(GetCurrentProcessId());
        return "";
    }
    std::string text = testing_support::MessageBoxText(box);
    testing_support::PressButton(box, button);
    EXPECT_TRUE(testing_support::WaitForWindowGone(box, kWindowTimeoutMs)) << "message box \"" << title
                                                                           << "\" stayed after button " << button;
    return text;
}

bool IsShown(const char* title) {
    return testing_support::WaitForWindow(GetCurrentProcessId(), title, nullptr, 0) != nullptr;
}

void SaveScreenshotOf(HWND window, const char* fileName) {
    // A window that has just appeared may not have painted yet; this paints
    // it (on its own thread) before the screen is read.
    (void)RedrawWindow(window, nullptr, nullptr, RDW_INVALIDATE | RDW_UPDATENOW | RDW_ALLCHILDREN);
    EXPECT_NE("", testing_support::SaveScreenshot(fileName)) << fileName;
}

std::string ParentField(HWND dialog) { return testing_support::DialogItemText(dialog, IDC_FOLDER_PARENT); }
std::string ApplicationField(HWND dialog) { return testing_support::DialogItemText(dialog, IDC_FOLDER_APPLICATION); }

std::string WindowsDirectory() {
    char folder[MAX_PATH];
    UINT length = GetWindowsDirectoryA(folder, sizeof folder);
    return length > 0 && length < sizeof folder ? folder : "";
}

std::string IniFilePath() { return WindowsDirectory() + "\\" + ProductConfig.iniFileName; }

std::string ReadIniFile() {
    std::string bytes;
    FILE* file = std::fopen(IniFilePath().c_str(), "rb");
    if (!file) return bytes;
    char buffer[4096];
    size_t got;
    while ((got = std::fread(buffer, 1, sizeof buffer, file)) > 0) bytes.append(buffer, got);
    std::fclose(file);
    return bytes;
}

void WriteRecordedFolder(const char* value) {
    ASSERT_TRUE(WritePrivateProfileStringA(kDataFolderIniSection, kDataFolderIniKey, value, ProductConfig.iniFileName))
        << "error " << GetLastError();
}

void RemoveIniFile() {
    // The profile functions cache ini files; flushing makes the removal stick.
    (void)WritePrivateProfileStringA(nullptr, nullptr, nullptr, ProductConfig.iniFileName);
    (void)DeleteFileA(IniFilePath().c_str());
}

bool FolderExists(const std::string& path) {
    DWORD attributes = GetFileAttributesA(path.c_str());
    return attributes != INVALID_FILE_ATTRIBUTES && (attributes & FILE_ATTRIBUTE_DIRECTORY);
}

bool MakeFolder(const std::string& path) { return CreateDirectoryA(path.c_str(), nullptr) || FolderExists(path); }

bool MakeFile(const std::string& path) {
    FILE* file = std::fopen(path.c_str(), "wb");
    if (!file) return false;
    bool written = std::fputs("not a folder\n", file) >= 0;
    return std::fclose(file) == 0 && written;
}

std::string CurrentDirectory() {
    char folder[MAX_PATH];
    DWORD length = GetCurrentDirectoryA(sizeof folder, folder);
    return length > 0 && length < sizeof folder ? folder : "";
}

}  // namespace folder_test
