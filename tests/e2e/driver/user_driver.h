// A user at the keyboard, in code: starts an installer process and walks it
// window by window the way a person does. It waits for each window of that
// process by its title, reads message boxes and dialog fields, types into
// fields and clicks buttons.
//
// Every step is written as one numbered line ("[07] ...") to the step log and,
// when the step shows something new on screen, saved as a numbered screenshot
// ("07-choose-a-folder.bmp") in the driver's screenshot folder. A window that
// does not come within its timeout fails the step with a list of what was on
// screen instead and a screenshot of it.
//
// Operations return false (or a null window) on failure and keep the reason in
// Failure(); they never abort, so a test states its own expectation around
// them and the demo program can report and stop.
#pragma once

#include <windows.h>

#include <cstdio>
#include <string>
#include <vector>

namespace e2e {

// Control ids of the system's message boxes.
constexpr int kMessageBoxTextId = 0xFFFF;
constexpr int kMessageBoxIconId = 0x0440;

// What a message box showed.
struct MessageBoxSeen {
    HWND window = nullptr;
    std::string title;
    std::string text;
    bool hasIcon = false;
    // Ids of its visible buttons (IDOK 1, IDYES 6, IDNO 7, ...), ascending.
    std::vector<int> buttons;
};

class UserDriver {
public:
    // `screenshotFolder`: a Windows path, created when needed; "" takes no
    // screenshots. `echo`: where each step line is also printed (null: only
    // kept in Steps()).
    UserDriver(const std::string& screenshotFolder, FILE* echo);
    // Ends an installer that is still running (a test that failed half-way)
    // so that it cannot hold files or windows for the next test.
    ~UserDriver();
    UserDriver(const UserDriver&) = delete;
    UserDriver& operator=(const UserDriver&) = delete;

    // Starts `program` with `arguments` (a command-line tail, may be empty),
    // in `workingFolder` ("" inherits ours), with the environment variables of
    // `environment` ("NAME=VALUE") set on top of our own environment. The
    // driver can start the next installer once the last one has ended.
    bool Start(const std::string& program, const std::string& arguments, const std::string& workingFolder,
               const std::vector<std::string>& environment);

    // A visible top-level window of the started process whose title is
    // exactly `title`. Records a step and a screenshot when it comes.
    HWND WaitForWindow(const char* title, int timeoutMs);
    // Whichever of `titles` comes first; its index goes to `which`.
    HWND WaitForAnyWindow(const std::vector<std::string>& titles, int timeoutMs, int* which);
    // A message box ("#32770") of the started process titled `title`, read
    // completely into `seen`.
    bool WaitForMessageBox(const char* title, int timeoutMs, MessageBoxSeen* seen);
    // Whichever message box of `titles` comes first; its index goes to `which`.
    bool WaitForAnyMessageBox(const std::vector<std::string>& titles, int timeoutMs, int* which,
                              MessageBoxSeen* seen);
    // Waits until `window` is gone (destroyed or hidden).
    bool WaitForWindowGone(HWND window, const char* what, int timeoutMs);

    // The text of control `id` of `dialog` ("" when there is no such control).
    std::string Field(HWND dialog, int id);
    // Replaces the text of edit control `id` by typing `text` into it, then
    // reads it back.
    bool Type(HWND dialog, int id, const std::string& text);
    // Clicks button `id` of `dialog`; it must be visible and enabled.
    bool Click(HWND dialog, int id);
    // Clicks button `id` of a message box seen before; it must be one of its buttons.
    bool Answer(const MessageBoxSeen& box, int id);

    // Waits for the started process to end and returns its exit status.
    bool WaitForExit(int timeoutMs, DWORD* exitStatus);

    // A step of the caller's own, with a screenshot when `screenshot` is set;
    // returns the screenshot's file name ("" for none).
    std::string Step(const std::string& line, bool screenshot);

    DWORD ProcessId() const { return processId_; }
    HANDLE Process() const { return process_; }
    const std::string& Failure() const { return failure_; }
    const std::vector<std::string>& Steps() const { return steps_; }
    const std::vector<std::string>& Screenshots() const { return screenshots_; }

private:
    bool Fail(const std::string& reason);
    HWND FindWindowOfProcess(const std::vector<std::string>& titles, const char* className, int* which) const;
    // Waits for a visible top-level window of the started process with one
    // of `titles` (and class `className` unless null); fails naming `kind`.
    HWND PollForWindow(const std::vector<std::string>& titles, const char* className, const char* kind,
                       int timeoutMs, int* which);
    // ", fields 24001=\"...\" ..." for the fields of a dialog, for the step log.
    std::string FieldSummary(HWND dialog);
    // Lets `window` finish painting before a screenshot shows it.
    void SettlePainting(HWND window) const;
    std::string Screenshot(const std::string& what);
    bool ProcessEnded(DWORD* exitStatus) const;

    std::string screenshotFolder_;
    FILE* echo_;
    HANDLE process_ = nullptr;
    DWORD processId_ = 0;
    int stepNumber_ = 0;
    std::string failure_;
    std::vector<std::string> steps_;
    std::vector<std::string> screenshots_;
};

// "Exactly this" rendering of a text for logs and failure messages: control
// characters as \r, \n, \t.
std::string Quoted(const std::string& text);
// The caption of a message-box or dialog button id, for logs ("Yes" for 6).
const char* ButtonName(int id);

}  // namespace e2e
