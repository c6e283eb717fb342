#include "tests/services/running_copies_harness.h"

#include <gtest/gtest.h>

#include <cstdio>
#include <cstring>
#include <string>
#include <vector>

#include "common/globals.h"
#include "product/product_data.h"
#include "services/running_copies.h"
#include "tests/support/window_driver.h"
#include "tests/support/test_files.h"

namespace running_copies_test {

namespace {

using testing_support::ProgramFolder;

constexpr int kWindowTimeoutMs = 15000;
constexpr int kNoticeTimeoutMs = 30000;
// The notice, the 2 s and the 8 s waits of closeRunningCopies.
constexpr DWORD kLeastCallMs = 10000;
constexpr int kMessageBoxIconId = 0x440;

// A started product window; ends it (if the requests did not) and removes
// its log on every path out of the test.
struct RunningWindow {
    PROCESS_INFORMATION process = {};
    std::string logPath;

    RunningWindow() = default;
    RunningWindow(const RunningWindow&) = delete;
    RunningWindow& operator=(const RunningWindow&) = delete;
    ~RunningWindow() {
        if (process.hProcess) {
            if (WaitForSingleObject(process.hProcess, 0) == WAIT_TIMEOUT)
                (void)TerminateProcess(process.hProcess, 0);
            (void)WaitForSingleObject(process.hProcess, kWindowTimeoutMs);
            (void)CloseHandle(process.hProcess);
            (void)CloseHandle(process.hThread);
        }
        if (!logPath.empty()) (void)DeleteFileA(logPath.c_str());
    }
};

std::string ReadWholeFile(const std::string& path) {
    std::string bytes;
    (void)testing_support::ReadWholeFile(path, &bytes);
    return bytes;
}

// Empty when the window came up, otherwise what went wrong.
std::string StartProductWindow(const char* desktop, const WindowCase& windowCase, int index, RunningWindow& running) {
    char temp[MAX_PATH];
    DWORD length = GetTempPathA(sizeof temp, temp);
    if (length == 0 || length >= sizeof temp) return "no temporary folder";
    char log[MAX_PATH];
    int written = std::snprintf(log, sizeof log, "%sclosing-%lu-%d.log", temp, GetCurrentProcessId(), index);
    if (written < 0 || static_cast<size_t>(written) >= sizeof log) return "the log's path does not fit";
    running.logPath = log;
    (void)DeleteFileA(log);

    std::string command = "\"" + ProgramFolder() + "\\product_window.exe\" \"" + windowCase.title + "\" \"" + log +
                          "\"" + (windowCase.ignoresClose ? " --ignore-close" : "");
    std::vector<char> commandLine(command.begin(), command.end());
    commandLine.push_back('\0');
    std::vector<char> desktopName(desktop, desktop + std::strlen(desktop) + 1);
    STARTUPINFOA startup = {};
    startup.cb = sizeof startup;
    startup.lpDesktop = desktopName.data();
    if (!CreateProcessA(nullptr, commandLine.data(), nullptr, nullptr, FALSE, 0, nullptr, nullptr, &startup,
                        &running.process))
        return "CreateProcess error " + std::to_string(GetLastError());
    if (testing_support::WaitForWindow(running.process.dwProcessId, windowCase.title, nullptr, kWindowTimeoutMs))
        return std::string();
    DWORD exitCode = 0;
    (void)GetExitCodeProcess(running.process.hProcess, &exitCode);
    return exitCode == STILL_ACTIVE ? "no window yet, the process still runs"
                                    : "the process ended with code " + std::to_string(exitCode);
}

// What the second thread saw of the notice before it pressed OK.
struct Notice {
    HDESK desktop = nullptr;
    bool found = false;
    std::string text;
    HWND owner = nullptr;
    HICON icon = nullptr;
    bool okVisible = false;
    bool otherButtonVisible = false;
    std::string onScreen;
};

bool ButtonVisible(HWND box, int id) {
    HWND button = GetDlgItem(box, id);
    return button && IsWindowVisible(button);
}

DWORD WINAPI AnswerNotice(void* parameter) {
    Notice* notice = static_cast<Notice*>(parameter);
    if (!SetThreadDesktop(notice->desktop)) return 1;
    HWND box = testing_support::WaitForWindow(GetCurrentProcessId(), "Closing Running Copies", "#32770",
                                              kNoticeTimeoutMs);
    if (!box) {
        notice->onScreen = testing_support::DescribeWindows(0);
        // Said at once, and any box of another title answered, so that a
        // wrong notice fails the test instead of hanging it.
        (void)std::fprintf(stderr, "no \"Closing Running Copies\" notice; %s", notice->onScreen.c_str());
        HWND other = testing_support::WaitForWindow(GetCurrentProcessId(), nullptr, "#32770", 0);
        if (other) testing_support::PressButton(other, IDOK);
        return 1;
    }
    notice->found = true;
    notice->text = testing_support::MessageBoxText(box);
    notice->owner = GetWindow(box, GW_OWNER);
    notice->icon = reinterpret_cast<HICON>(SendDlgItemMessageA(box, kMessageBoxIconId, STM_GETICON, 0, 0));
    notice->okVisible = ButtonVisible(box, IDOK);
    for (int id : {IDCANCEL, IDABORT, IDRETRY, IDIGNORE, IDYES, IDNO})
        notice->otherButtonVisible = notice->otherButtonVisible || ButtonVisible(box, id);
    testing_support::PressButton(box, IDOK);
    return 0;
}

bool ownerGotClose = false;

LRESULT CALLBACK OwnerWindowProc(HWND window, UINT message, WPARAM wParam, LPARAM lParam) {
    if (message == WM_CLOSE) {
        ownerGotClose = true;
        return 0;
    }
    return DefWindowProcA(window, message, wParam, lParam);
}

// The installer's own window at this point: titled "Install <productName>".
HWND CreateOwnerWindow() {
    WNDCLASSA windowClass = {};
    windowClass.lpfnWndProc = OwnerWindowProc;
    windowClass.hInstance = GetModuleHandleA(nullptr);
    windowClass.lpszClassName = "install";
    if (!RegisterClassA(&windowClass)) return nullptr;
    char title[kTitleTextBytes];
    int written = std::snprintf(title, sizeof title, "Install %s", ProductConfig.productName);
    if (written < 0 || written >= static_cast<int>(sizeof title)) return nullptr;
    // Small and in a corner: the busy animation's ring falls outside it, and
    // other tests share the screen.
    HWND window = CreateWindowA("install", title, WS_POPUP, 0, 688, 200, 80, nullptr, nullptr,
                                GetModuleHandleA(nullptr), nullptr);
    if (window) (void)ShowWindow(window, SW_SHOWNOACTIVATE);
    return window;
}

}  // namespace

void CheckClosingRequests(const WindowCase* cases, size_t count) {
    // A desktop of this test's own; it must be this thread's before the
    // thread makes any window.
    char desktopName[64];
    ASSERT_GT(std::snprintf(desktopName, sizeof desktopName, "VarnletClosing%lu", GetCurrentProcessId()), 0);
    HDESK desktop = CreateDesktopA(desktopName, nullptr, nullptr, 0, GENERIC_ALL, nullptr);
    ASSERT_NE(nullptr, desktop) << "CreateDesktop error " << GetLastError();
    ASSERT_TRUE(SetThreadDesktop(desktop)) << "SetThreadDesktop error " << GetLastError();

    backgroundHwnd = CreateOwnerWindow();
    ASSERT_NE(nullptr, backgroundHwnd);

    std::vector<RunningWindow> windows(count);
    for (size_t i = 0; i < count; ++i)
        ASSERT_EQ("", StartProductWindow(desktopName, cases[i], static_cast<int>(i), windows[i]))
            << "window \"" << cases[i].title << "\" did not come up";

    Notice notice;
    notice.desktop = desktop;
    HANDLE answering = CreateThread(nullptr, 0, AnswerNotice, &notice, 0, nullptr);
    ASSERT_NE(nullptr, answering);
    DWORD start = GetTickCount();
    closeRunningCopies(GetModuleHandleA(nullptr), backgroundHwnd);
    DWORD elapsed = GetTickCount() - start;
    EXPECT_EQ(WAIT_OBJECT_0, WaitForSingleObject(answering, kNoticeTimeoutMs));
    (void)CloseHandle(answering);

    ASSERT_TRUE(notice.found) << "no notice came up; " << notice.onScreen;
    char expectedText[kPathBufferBytes];
    ASSERT_GT(std::snprintf(expectedText, sizeof expectedText,
                            "Any copies of %s currently running must now be shut down. This may take a few seconds.",
                            ProductConfig.productName),
              0);
    EXPECT_EQ(expectedText, notice.text);
    EXPECT_EQ(backgroundHwnd, notice.owner) << "the notice must be owned by the installer's window";
    EXPECT_EQ(LoadIconA(nullptr, IDI_WARNING), notice.icon) << "the notice shows the warning icon";
    EXPECT_TRUE(notice.okVisible);
    EXPECT_FALSE(notice.otherButtonVisible) << "the notice offers OK only";
    EXPECT_GE(elapsed, kLeastCallMs) << "the copies must get the full waits";

    // The 8 s wait is over: every request has long been delivered.
    for (size_t i = 0; i < count; ++i) {
        const WindowCase& c = cases[i];
        HANDLE process = windows[i].process.hProcess;
        if (c.expectedExit == kStillRunning) {
            EXPECT_EQ(WAIT_TIMEOUT, WaitForSingleObject(process, 0))
                << "\"" << c.title << "\" ended although nothing was to end it";
        } else {
            DWORD exitCode = STILL_ACTIVE;
            EXPECT_EQ(WAIT_OBJECT_0, WaitForSingleObject(process, kWindowTimeoutMs))
                << "\"" << c.title << "\" did not end";
            (void)GetExitCodeProcess(process, &exitCode);
            EXPECT_EQ(static_cast<DWORD>(c.expectedExit), exitCode) << "exit status of \"" << c.title << "\"";
        }
        EXPECT_EQ(c.expectedLog, ReadWholeFile(windows[i].logPath)) << "messages logged by \"" << c.title << "\"";
    }

    MSG queued;
    EXPECT_FALSE(PeekMessageA(&queued, backgroundHwnd, WM_CLOSE, WM_CLOSE, PM_REMOVE))
        << "the installer's own window got WM_CLOSE";
    EXPECT_FALSE(ownerGotClose) << "the installer's own window got WM_CLOSE";
    (void)DestroyWindow(backgroundHwnd);
    backgroundHwnd = nullptr;
}

}  // namespace running_copies_test
