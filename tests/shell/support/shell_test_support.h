// Windows-side helpers of the shell-integration tests: reading links back
// through the shell, a data folder holding the start recorder, the uninstall
// key, the startup question answered from a second thread, the debugger
// output, and Wine's own list of installed programs.
#pragma once

#include <windows.h>

#include <functional>
#include <string>
#include <vector>

namespace shell_test {

// A saved link as the shell loads it back.
struct LinkContents {
    bool loaded = false;
    std::string target;
    std::string workingFolder;
    std::string description;
    std::string arguments;
    std::string iconPath;
    int iconIndex = -1;
    // Read from the file's header (ShowCommand at offset 0x3C): Wine's shell
    // link object does not load it back and always reports SW_SHOWNORMAL.
    int showCommand = -1;
};
LinkContents ReadLink(const std::string& linkPath);

// A special folder's path through SHGetFolderPathA ("" on failure).
std::string SpecialFolder(int csidl);
bool FileExists(const std::string& path);
bool FolderExists(const std::string& path);

// True when this thread has no COM apartment left (a multithreaded one can
// be entered from scratch); leaves it that way.
bool ThreadHasNoComApartment();

// A fresh folder below the temporary folder, with blanks in its name, that
// holds the start recorder under `programName` (and as "rtuninst.exe").
// Removed with everything in it when the object goes.
class TestDataFolder {
public:
    TestDataFolder(const char* label, const char* programName);
    ~TestDataFolder();
    TestDataFolder(const TestDataFolder&) = delete;
    TestDataFolder& operator=(const TestDataFolder&) = delete;

    bool ok() const { return ok_; }
    const std::string& path() const { return path_; }
    std::string Program() const { return path_ + "\\" + programName_; }
    std::string Uninstaller() const { return path_ + "\\rtuninst.exe"; }

    // How the recorder was last started, once it has run.
    struct Start {
        bool seen = false;
        std::string commandLine;
        std::string currentFolder;
        int showCommand = -1;  // -1: none given
    };
    // Waits up to `timeoutMs` for the recorder's record.
    Start WaitForStart(int timeoutMs) const;
    // Whether the recorder was started at all: it is running or has left its
    // record. Deterministic right after a synchronous start call returned.
    bool WasStarted() const;
    void ForgetStart() const;

private:
    bool ok_ = false;
    std::string path_;
    std::string programName_;
};

// The uninstall key of `productName` and its values.
std::string UninstallKeyPath(const std::string& productName);
struct RegistryValue {
    bool found = false;
    DWORD type = REG_NONE;
    std::string data;  // raw bytes, a REG_SZ's terminator included
};
RegistryValue ReadUninstallValue(const std::string& productName, const char* name);
DWORD ReadUninstallNumber(const std::string& productName, const char* name);  // 0xFFFFFFFF if absent
bool UninstallKeyExists(const std::string& productName);
// Creates the key with the given REG_SZ values.
bool CreateUninstallKey(const std::string& productName, const std::vector<std::pair<std::string, std::string>>& values);
// Makes the key unopenable for writing: an empty access list.
bool DenyUninstallKey(const std::string& productName);
// Deletes the key, first giving back access if a test took it away.
void RemoveUninstallKey(const std::string& productName);

// Runs `action` on this thread while a second thread answers every message
// box of this process with `answer` (IDYES or IDNO), recording what it saw.
struct QuestionBox {
    std::string title;
    std::string text;
    HWND owner = nullptr;
    bool hasYes = false, hasNo = false, hasOk = false, hasCancel = false;
};
std::vector<QuestionBox> RunAnsweringQuestions(const std::function<void()>& action, int answer);

// Collects the debugger output of this process (the DBWIN_BUFFER protocol
// that debug viewers use) while it exists.
class DebugOutputListener {
public:
    DebugOutputListener();
    ~DebugOutputListener();
    DebugOutputListener(const DebugOutputListener&) = delete;
    DebugOutputListener& operator=(const DebugOutputListener&) = delete;

    bool ok() const { return ok_; }
    // Everything this process wrote up to a marker line written now; the
    // marker itself is not included. Empty list with `complete` false when
    // the marker did not come back within `timeoutMs`.
    std::vector<std::string> Drain(int timeoutMs, bool* complete);

private:
    static DWORD WINAPI Run(void* self);
    void Record(DWORD processId, const char* text);

    bool ok_ = false;
    HANDLE mapping_ = nullptr;
    const char* view_ = nullptr;
    HANDLE bufferReady_ = nullptr;
    HANDLE dataReady_ = nullptr;
    HANDLE stop_ = nullptr;
    HANDLE thread_ = nullptr;
    HANDLE changed_ = nullptr;
    CRITICAL_SECTION lock_;
    std::vector<std::string> lines_;
};

// Wine's own list of installed programs: the lines of
// "uninstaller.exe --list" ("key|||display name"), line ends removed.
std::vector<std::string> ListInstalledPrograms(std::string* failure);

// Watches for "folder created" notifications below `folder` on a window of
// this thread.
class MkdirWatcher {
public:
    explicit MkdirWatcher(const std::string& folder);
    ~MkdirWatcher();
    MkdirWatcher(const MkdirWatcher&) = delete;
    MkdirWatcher& operator=(const MkdirWatcher&) = delete;

    bool ok() const { return registration_ != 0; }
    // The folders announced so far: sends a notification of its own and
    // collects everything that arrived before it (notifications keep their
    // order). `complete` false if it did not arrive within `timeoutMs`.
    std::vector<std::string> Collect(int timeoutMs, bool* complete);

private:
    static LRESULT CALLBACK Procedure(HWND window, UINT message, WPARAM wParam, LPARAM lParam);
    std::string folder_;
    HWND window_ = nullptr;
    ULONG registration_ = 0;
    std::vector<std::string> seen_;
};

}  // namespace shell_test
