// A product made for unattended deployment, installed and removed the way
// deployment tools run it: /S with /D= and /LOG=, then the uninstall key's
// QuietUninstallString. Nothing may appear on screen at any time, and the
// exit codes tell what happened.
#include <shlobj.h>

#include <algorithm>
#include <set>

#include "tests/e2e/scenario.h"

namespace e2e {
namespace {

const char kDeployParent[] = "C:\\Deploy Target";
const char kDeployFolder[] = "C:\\Deploy Target\\Prod";
const char kPayloadTime[] = "2005-01-02T03:04:05Z";
constexpr int kRunTimeoutMs = 120000;
// How long the uninstaller's copy may take to delete the uninstaller's file
// and folder once the uninstaller has ended.
constexpr int kFinisherMs = 15000;

std::string UnattendedSetup() { return BuiltProgram(E2E_UNATTENDED_SETUP); }

std::vector<PayloadFile> UnattendedPayload() {
    return {
        {"vmain.exe", WindowsPathOf(RECORDER_EXE), kPayloadTime},
        {"manual.htm", JoinPath(WindowsPathOf(VARNLET_FILES_DIR), "manual.htm"), "2004-09-09T13:49:39Z"},
        {"data.bin", WindowsPathOf(BIG_FILE), "2006-07-08T09:10:11Z"},
        // The build's own uninstaller carries the newest time of the others.
        {"rtuninst.exe", WindowsPathOf(E2E_UNATTENDED_UNINSTALLER), "2006-07-08T09:10:11Z"},
    };
}

BOOL CALLBACK CollectVisible(HWND window, LPARAM parameter) {
    if (IsWindowVisible(window)) reinterpret_cast<std::set<HWND>*>(parameter)->insert(window);
    return TRUE;
}

// Every visible top-level window that appears on the display after Start(),
// whichever process it belongs to (the uninstaller's copy is a process of
// its own).
class WindowWatch {
public:
    void Start() {
        baseline_.clear();
        seen_.clear();
        (void)EnumWindows(CollectVisible, reinterpret_cast<LPARAM>(&baseline_));
    }
    void Poll() {
        std::set<HWND> now;
        (void)EnumWindows(CollectVisible, reinterpret_cast<LPARAM>(&now));
        for (HWND window : now) {
            if (baseline_.count(window)) continue;
            char title[256] = "", className[64] = "";
            (void)GetWindowTextA(window, title, sizeof title);
            (void)GetClassNameA(window, className, sizeof className);
            std::string seen = std::string("\"") + title + "\" (" + className + ")";
            if (std::find(seen_.begin(), seen_.end(), seen) == seen_.end()) seen_.push_back(seen);
        }
    }
    std::string Seen() const {
        std::string text;
        for (const std::string& window : seen_) text += (text.empty() ? "" : ", ") + window;
        return text;
    }

private:
    std::set<HWND> baseline_;
    std::vector<std::string> seen_;
};

// Runs `commandLine` in C:\ and watches the screen until it ends; its exit
// status goes to `status`. False when it could not start or did not end.
bool RunWatched(const std::string& commandLine, WindowWatch* watch, DWORD* status) {
    STARTUPINFOA startup = {};
    startup.cb = sizeof startup;
    PROCESS_INFORMATION process = {};
    std::string line = commandLine;
    if (!CreateProcessA(nullptr, &line[0], nullptr, nullptr, FALSE, 0, nullptr, "C:\\", &startup, &process)) {
        ADD_FAILURE() << "cannot start " << commandLine << " (error " << GetLastError() << ")";
        return false;
    }
    CloseHandle(process.hThread);
    DWORD waited = WAIT_TIMEOUT;
    for (int elapsed = 0; elapsed < kRunTimeoutMs && waited != WAIT_OBJECT_0; elapsed += 20) {
        watch->Poll();
        waited = WaitForSingleObject(process.hProcess, 20);
    }
    watch->Poll();
    if (waited != WAIT_OBJECT_0) {
        TerminateProcess(process.hProcess, 99);
        ADD_FAILURE() << commandLine << " did not end within " << kRunTimeoutMs << " ms; windows seen: "
                      << watch->Seen();
    }
    GetExitCodeProcess(process.hProcess, status);
    CloseHandle(process.hProcess);
    return waited == WAIT_OBJECT_0;
}

// The runs start in C:\, so the log is named by its full path.
std::string OutputFile(const std::string& folder, const char* name) {
    char full[MAX_PATH];
    DWORD length = GetFullPathNameA(JoinPath(folder, name).c_str(), sizeof full, full, nullptr);
    return length > 0 && length < sizeof full ? full : JoinPath(folder, name);
}

std::string Silent(const std::string& switches) { return "\"" + UnattendedSetup() + "\" " + switches; }

bool ReadQuietUninstallString(std::string* value) {
    HKEY key = nullptr;
    std::string path = std::string("Software\\Microsoft\\Windows\\CurrentVersion\\Uninstall\\") + kProduct;
    if (RegOpenKeyExA(HKEY_LOCAL_MACHINE, path.c_str(), 0, KEY_READ, &key) != ERROR_SUCCESS) return false;
    char data[2048] = "";
    DWORD size = sizeof data, type = 0;
    LONG result = RegQueryValueExA(key, "QuietUninstallString", nullptr, &type, reinterpret_cast<BYTE*>(data), &size);
    RegCloseKey(key);
    if (result != ERROR_SUCCESS || type != REG_SZ) return false;
    *value = data;
    return true;
}

size_t CountOf(const std::string& text, const std::string& piece) {
    size_t count = 0;
    for (size_t at = text.find(piece); at != std::string::npos; at = text.find(piece, at + 1)) ++count;
    return count;
}

// Nothing of the product anywhere: no folder below `folder`, no key, no
// links, no ini entry.
void ExpectNothingChanged(const std::string& folder) {
    EXPECT_FALSE(PathExists(folder)) << folder << " was left behind";
    ExpectNothingRegistered();
    ExpectIniDataFolder("");
}

class UnattendedScenario : public Scenario {
protected:
    void SetUp() override {
        Scenario::SetUp();
        ASSERT_TRUE(RemoveTree(kDeployParent));
        ASSERT_TRUE(CreateFolders(kDeployParent));
    }
    void TearDown() override {
        Scenario::TearDown();
        EXPECT_TRUE(RemoveTree(kDeployParent));
    }
};

TEST_F(UnattendedScenario, SilentInstallationAndQuietRemovalShowNothing) {
    std::string logPath = OutputFile(OutputFolder(), "install.log");
    WindowWatch watch;
    watch.Start();
    DWORD status = 0xFFFFFFFF;
    ASSERT_TRUE(RunWatched(Silent("/S /LOG=\"" + logPath + "\" /D=" + kDeployFolder), &watch, &status));
    EXPECT_EQ(0u, status) << "exit status of the silent installation";
    EXPECT_EQ("", watch.Seen()) << "windows shown by the silent installation";

    ExpectPayloadInstalled(kDeployFolder, UnattendedPayload(), {}, {"vmain.exe", "rtuninst.exe"});
    ExpectStartMenuLinks(kDeployFolder, "vmain.exe");
    ExpectUninstallEntry(kDeployFolder);
    std::string quiet;
    ASSERT_TRUE(ReadQuietUninstallString(&quiet)) << "no QuietUninstallString";
    EXPECT_EQ("\"" + JoinPath(kDeployFolder, "rtuninst.exe") + "\" /S", quiet);
    ExpectIniDataFolder(kDeployFolder);
    // The startup question got the answer that changes least.
    EXPECT_FALSE(PathExists(JoinPath(ShellFolder(CSIDL_STARTUP), std::string(kProduct) + ".lnk")));
    ExpectNotRunning("vmain.exe");

    std::string log;
    ASSERT_TRUE(ReadWholeFile(logPath, &log)) << logPath;
    std::printf("---- log of the silent installation ----\n%s---- end of log ----\n", log.c_str());
    for (const char* line : {"==== Varnlet Setup 3.1.0.7, run started ", "Command line: /S /LOG=",
                             "Mode: silent (/S)", "Licence accepted", "Data folder: C:\\Deploy Target\\Prod (created)",
                             "File written: vmain.exe\r\n", "File written: manual.htm\r\n",
                             "File written: data.bin\r\n", "File written: rtuninst.exe\r\n",
                             "Start-menu link Varnlet\\Uninstall -> C:\\Deploy Target\\Prod\\rtuninst.exe\r\n",
                             "Registry value QuietUninstallString = \"C:\\Deploy Target\\Prod\\rtuninst.exe\" /S\r\n",
                             "Message \"Add To Startup Group\" not shown",
                             "Ini entry [Options] dataDir=C:\\Deploy Target\\Prod in varnlet2.ini\r\n",
                             "Result: installed (exit code 0)\r\n"}) {
        EXPECT_NE(std::string::npos, log.find(line)) << "the log lacks " << Quoted(line);
    }

    // As a deployment tool removes it: the quiet command, waited for.
    watch.Start();
    ASSERT_TRUE(RunWatched(quiet, &watch, &status));
    EXPECT_EQ(0u, status) << "exit status of the quiet uninstall (0: everything removed)";
    ExpectNothingRegistered();
    ExpectIniDataFolder("");
    // Only the uninstaller's own file and folder may outlast the wait; its
    // copy takes them soon after.
    ExpectFolderHolds(kDeployFolder, {"rtuninst.exe"}, true);
    for (int waited = 0; waited < kFinisherMs && PathExists(kDeployFolder); waited += 100) {
        watch.Poll();
        Sleep(100);
    }
    EXPECT_FALSE(PathExists(kDeployFolder)) << "the uninstaller's file and folder stayed";
    watch.Poll();
    EXPECT_EQ("", watch.Seen()) << "windows shown by the quiet uninstall";
}

TEST_F(UnattendedScenario, FailuresEndWithTheirCodesAndChangeNothing) {
    // Every run appends to the same log.
    std::string logPath = OutputFile(OutputFolder(), "failures.log");
    std::string log = " /LOG=\"" + logPath + "\"";
    std::string windowsFolder = WindowsDirectory();
    const struct {
        const char* what;
        std::string switches;
        DWORD status;
        std::string folder;  // where nothing may be left
    } cases[] = {
        {"unknown switch", "/S" + log + " /QUIET /D=" + kDeployFolder, 1639, kDeployFolder},
        {"folder whose parent is missing", "/S" + log + " /D=C:\\Deploy Target\\Missing\\Prod", 1639,
         "C:\\Deploy Target\\Missing"},
        {"relative folder", "/S" + log + " /D=Deploy Target\\Prod", 1639, kDeployFolder},
        {"the Windows directory", "/S" + log + " /D=" + windowsFolder, 1639, kDeployFolder},
        {"too little space on T:", "/S" + log + " /D=T:\\Varnlet", 112, "T:\\Varnlet"},
    };
    WindowWatch watch;
    for (const auto& c : cases) {
        SCOPED_TRACE(c.what);
        watch.Start();
        DWORD status = 0xFFFFFFFF;
        ASSERT_TRUE(RunWatched(Silent(c.switches), &watch, &status));
        std::printf("%-32s exit code %lu\n", c.what, status);
        EXPECT_EQ(c.status, status);
        EXPECT_EQ("", watch.Seen()) << "windows shown";
        ExpectNothingChanged(c.folder);
        EXPECT_TRUE(IsFolder(windowsFolder));
    }

    // Another run of the product holds the lock: an interactive one, waiting
    // at its licence.
    ASSERT_TRUE(StartInstaller(UnattendedSetup()));
    ASSERT_TRUE(user().WaitForWindow(kLicenceTitle, kNextWindowMs)) << user().Failure();
    watch.Start();
    DWORD status = 0xFFFFFFFF;
    ASSERT_TRUE(RunWatched(Silent("/S" + log + " /D=" + kDeployFolder), &watch, &status));
    std::printf("%-32s exit code %lu\n", "another run holds the lock", status);
    EXPECT_EQ(1618u, status) << "exit status while another run holds the lock";
    EXPECT_EQ("", watch.Seen()) << "windows shown";
    ExpectNothingChanged(kDeployFolder);
    // The interactive run, declined, ends as cancelled.
    ASSERT_TRUE(AnswerLicence(user(), false, nullptr)) << user().Failure();
    ASSERT_TRUE(ExpectBox(kNotInstalledTitle, kNotInstalledText, true, {IDOK}, IDOK)) << user().Failure();
    ASSERT_TRUE(user().WaitForExit(kNextWindowMs, &status)) << user().Failure();
    std::printf("%-32s exit code %lu\n", "licence declined", status);
    EXPECT_EQ(1602u, status) << "exit status of a declined licence";

    std::string text;
    ASSERT_TRUE(ReadWholeFile(logPath, &text)) << logPath;
    std::printf("---- log of the failed runs ----\n%s---- end of log ----\n", text.c_str());
    EXPECT_EQ(6u, CountOf(text, "==== Varnlet Setup 3.1.0.7, run started ")) << "one header per run, appended";
    EXPECT_EQ(4u, CountOf(text, "Result: bad command line (exit code 1639)"));
    EXPECT_EQ(1u, CountOf(text, "Result: not enough free disk space (exit code 112)"));
    EXPECT_EQ(1u, CountOf(text, "Result: another installation or removal of the product is running (exit code 1618)"));
    EXPECT_NE(std::string::npos, text.find("File failed: data.bin")) << "the file that did not fit";
    EXPECT_NE(std::string::npos, text.find("Files written by this run removed"));
}

}  // namespace
}  // namespace e2e
