// Shared ground of the end-to-end scenarios: a test fixture that starts every
// scenario on a machine without any trace of the product and removes
// everything again afterwards, the product descriptions the scenarios install,
// and checks of what an installation leaves behind (each prints the actual
// value when it fails).
#pragma once

#include <gtest/gtest.h>

#include <memory>
#include <string>
#include <vector>

#include "tests/e2e/driver/install_traces.h"
#include "tests/e2e/driver/installer_texts.h"
#include "tests/e2e/driver/installer_walk.h"
#include "tests/e2e/driver/user_driver.h"

namespace e2e {

// Every installer of these scenarios installs a product named Varnlet, so
// they share one set of traces to look for and to clean away.
constexpr char kProduct[] = "Varnlet";
constexpr char kIniFile[] = "varnlet2.ini";
constexpr ProductNames kProductNames = {kProduct, kProduct, kIniFile, ""};
// Every folder the scenarios install into lies below this one.
constexpr char kScratchRoot[] = "C:\\e2e";
// The 2 MB drive of the test environment.
constexpr char kSmallDrive[] = "T:\\";

// Link targets, read by Wine's menu builder after the links are saved.
std::vector<std::string> LinkTargets(const char* mainExecutable);

// One payload file: its stored name, the file it was made from and its
// stored time.
struct PayloadFile {
    std::string name;
    std::string source;  // Windows path
    const char* time;    // ISO-8601 UTC
};

// The files of the Varnlet product (VarnletSetup.exe and its variants).
std::vector<PayloadFile> VarnletPayload();
// The files of the variants whose programs are all the child recorder.
std::vector<PayloadFile> RecorderPayload(const std::vector<const char*>& programNames, const char* time);

// Installer programs of the build, as Windows paths.
std::string BuiltProgram(const char* unixPath);

class Scenario : public ::testing::Test {
protected:
    void SetUp() override;
    void TearDown() override;

    // Starts `installer` as a user would (no arguments unless given), with
    // the child log passed on to whatever it starts.
    bool StartInstaller(const std::string& installer, const std::string& arguments = "",
                        const std::vector<std::string>& environment = {});
    // Starts `installer`, accepts the licence and chooses
    // `parent`\`application` in the folder dialog.
    bool StartAndChooseFolder(const std::string& installer, const std::string& parent, const std::string& application,
                              const std::vector<std::string>& environment = {});
    // The older-version warning of the installers that show it instead of
    // closing running copies, answered with OK.
    bool ExpectOlderVersionWarning();
    // Checks the box `title` (its text, icon and buttons) and clicks `answer`.
    // False only when the box did not come or could not be answered; wrong
    // contents are reported as test failures and the walk goes on.
    bool ExpectBox(const char* title, const std::string& text, bool warningIcon, const std::vector<int>& buttons,
                   int answer, int timeoutMs = kNextWindowMs);
    // Waits for the installer to end and expects exit status 0.
    bool ExpectEndsWithStatusZero(int timeoutMs = kNextWindowMs);
    // The background window's title for kProduct.
    static std::string BackgroundTitle();

    UserDriver& user() { return *user_; }
    std::string OutputFolder() const { return outputFolder_; }
    std::string ChildLog() const { return childLog_; }

private:
    std::unique_ptr<UserDriver> user_;
    std::string outputFolder_;
    std::string childLog_;
};

// A stand-in for a running copy of the product: product_window.exe with a
// window titled `title` that logs the close and quit requests it gets and
// closes on WM_CLOSE unless it ignores it. Ended when the object goes.
class RunningCopy {
public:
    RunningCopy(const std::string& title, const std::string& logPath, bool ignoresClose);
    ~RunningCopy();
    RunningCopy(const RunningCopy&) = delete;
    RunningCopy& operator=(const RunningCopy&) = delete;
    // Starts it and waits for its window; the reason goes to `failure`.
    bool Start(std::string* failure);
    // What it logged ("WM_CLOSE 0 0\n" per close request).
    std::string Log() const;
    // Its exit status (1: closed on request, 2: quit), or -1 while it runs.
    int ExitStatus() const;
    // Waits for it to end; false on timeout.
    bool WaitForExit(int timeoutMs) const;
    const std::string& Title() const { return title_; }

private:
    std::string title_, logPath_;
    bool ignoresClose_;
    PROCESS_INFORMATION process_ = {};
};

// --- checks of what an installation left ------------------------------------
// The folder holds exactly `files` (and `extraNames`), each with its bytes
// and its stored time as access and modification time.
// The folder holds exactly `files` (and `extraNames`), each with its bytes
// and its stored time as modification and access time. The access times of
// `readSince` are not checked: files that were read after the installer
// wrote them (by the program it started, or by Wine's menu builder, which
// reads a new link's target for its icon).
void ExpectPayloadInstalled(const std::string& folder, const std::vector<PayloadFile>& files,
                            const std::vector<std::string>& extraNames = {},
                            const std::vector<std::string>& readSince = {});
// The folder holds exactly `names` ([] when it must be empty); a missing
// folder fails unless `mayBeMissing`.
void ExpectFolderHolds(const std::string& folder, std::vector<std::string> names, bool mayBeMissing = false);
// Both Start-menu links of kProduct, pointing into `dataFolder`.
void ExpectStartMenuLinks(const std::string& dataFolder, const char* mainExecutable);
// The uninstall key of kProduct with its two values for `dataFolder`.
void ExpectUninstallEntry(const std::string& dataFolder);
// The ini entry holds `dataFolder`; "" expects no entry at all.
void ExpectIniDataFolder(const std::string& dataFolder);
// All three records of an installation in `dataFolder`: the Start-menu
// links, the uninstall entry and the ini entry.
void ExpectRegistered(const std::string& dataFolder, const char* mainExecutable);
// Neither the uninstall key, nor the Start-menu folder, nor a startup link.
void ExpectNothingRegistered();
// No process runs the program `exeName`.
void ExpectNotRunning(const char* exeName);
// No trace of kProduct: nothing registered, no ini entry, no folder under
// Program Files nor anything below kScratchRoot, and vrl32.exe not running.
void ExpectNoTraceOfTheProduct();

// The licence text as the product description gives it.
std::string VarnletLicence();

}  // namespace e2e
