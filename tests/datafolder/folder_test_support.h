// Helpers of the data-folder tests under Wine: running the code under test on
// a thread of its own (as the installer's GUI thread runs its modal loops)
// while the test thread drives the windows, answering message boxes, and
// making and removing real folders.
#pragma once

#include <windows.h>

#include <string>

#include "tests/support/test_files.h"

namespace folder_test {

constexpr int kWindowTimeoutMs = 15000;

// A thread that runs one call and keeps its result.
class UiThread {
public:
    typedef int (*Body)(void* argument);
    UiThread(Body body, void* argument);
    ~UiThread();
    UiThread(const UiThread&) = delete;
    UiThread& operator=(const UiThread&) = delete;
    // Waits for the call to return; false if it did not within the timeout.
    bool Finish(int* result);
    bool Running() const;
    DWORD Id() const { return id_; }

private:
    static DWORD WINAPI Run(LPVOID self);
    Body body_;
    void* argument_;
    int result_ = -1;
    HANDLE thread_ = nullptr;
    DWORD id_ = 0;
};

// Runs chooseDataFolder(this module, no owner, alwaysAsk) on a UiThread.
int RunChoice(void* alwaysAsk);
// Runs the folder dialog (resource 24000 of this module) on a UiThread.
int RunFolderDialog(void* unused);

// The folder dialog of this process, or null (with a failure naming what is
// on screen) when it does not come.
HWND WaitForFolderDialog();
// Waits until `thread` has handled everything sent to `window` so far, so a
// button's work is done before the test looks.
void Settle(HWND window);
// Waits for the message box titled `title`, returns its text and presses
// `button` (IDOK, IDYES, IDNO). "" with a failure when no such box comes.
std::string AnswerMessageBox(const char* title, int button);
// Whether a window of this process with this title is on screen now.
bool IsShown(const char* title);

// Saves a screenshot once `window` (of the UI thread) has painted itself.
void SaveScreenshotOf(HWND window, const char* fileName);

// Field texts of the folder dialog.
std::string ParentField(HWND dialog);
std::string ApplicationField(HWND dialog);

// The Windows directory, and the product's ini file in it.
std::string WindowsDirectory();
std::string IniFilePath();
// The whole ini file as bytes ("" when it does not exist).
std::string ReadIniFile();
void WriteRecordedFolder(const char* value);
void RemoveIniFile();

bool FolderExists(const std::string& path);
bool MakeFolder(const std::string& path);
bool MakeFile(const std::string& path);
// Removes a folder and everything in it (no error when it is not there).
using testing_support::RemoveTree;
std::string CurrentDirectory();

}  // namespace folder_test
