// What the tests of Varnlet's programs share: where the built programs and
// product files are, an installed Varnlet put in place the way the installer
// leaves it, and running programs and reading what they leave behind.
#pragma once

#include <gtest/gtest.h>
#include <windows.h>

#include <string>
#include <vector>

#include "tests/support/folder_links.h"
#include "tests/support/test_files.h"

namespace varnlet_test {

// The seven payload files in the installer's order.
extern const char* const kPayloadFiles[7];
constexpr int kPayloadFileCount = 7;
extern const char kIniFile[];
extern const char kUninstallKey[];

std::string Vrl32Exe();
std::string RtuninstExe();
std::string ProductFile(const char* name);  // from product/varnlet/files

using testing_support::CreateFolders;
using testing_support::FolderEntries;
using testing_support::JoinPath;
using testing_support::PathExists;
using testing_support::ReadWholeFile;
using testing_support::RemoveTree;
using testing_support::WindowsPathOf;
using testing_support::WriteWholeFile;
// Names as "[a] [b] ", for failure messages.
std::string Listing(const std::vector<std::string>& names);
// The whole file, or "<missing>" when it cannot be read.
std::string ReadFileText(const std::string& path);

std::string ShellFolder(int csidl);
std::string StartMenuGroup();  // <Programs>\Varnlet
std::string ProductLink();
std::string UninstallLink();
std::string StartupLink();  // <Startup>\Varnlet.lnk

// The ini entry, "" when it is absent ("<absent>" is never a path).
std::string ReadDataDir();
void WriteDataDir(const char* folder);  // null deletes the entry

// One value of the uninstall key, "" when the key or value is absent.
std::string ReadUninstallValue(const char* name);
bool UninstallKeyExists();

// Everything the installer leaves: the payload files (the programs from the
// build, the rest from the product folder) in `folder`, the two Start-menu
// links made with IShellLinkA, the uninstall key with its values, and the ini
// entry. Fails the calling test on any error.
void PutInstalledState(const std::string& folder);
// The startup entry that installers of products with addToStartup make
// (Varnlet's does not, but its uninstaller removes one if it is there).
void PutStartupLink(const std::string& folder);
// Removes all of it again, whatever is left (clean-up of every test).
void RemoveInstalledState(const std::string& folder);

// A started program; its handles are closed by the destructor.
struct Process {
    PROCESS_INFORMATION info{};
    ~Process();
    DWORD Id() const { return info.dwProcessId; }
};
// Starts `exe` with `arguments` (may be empty) in `workingFolder` (may be "").
bool Start(const std::string& exe, const std::string& arguments, const std::string& workingFolder, Process* process);
// The exit code, or STILL_ACTIVE on timeout.
DWORD WaitForExit(const Process& process, int timeoutMs);
// Ends a program that a failed test left running, so that it holds no files
// or windows for the next test.
void EndIfRunning(const Process& process);
// Runs a program to its end with its standard output caught.
std::string RunAndCapture(const std::string& commandLine, int timeoutMs);

using testing_support::PlantFolderLink;
using testing_support::RemoveFolderLink;

// Waits until `path` is gone, or there. False on timeout.
bool WaitUntilGone(const std::string& path, int timeoutMs);
bool WaitUntilExists(const std::string& path, int timeoutMs);

bool Contains(const std::string& text, const std::string& part);

// The uninstaller's tests: how long they wait for a window or an exit, and
// the folder that holds everything they make.
constexpr int kUninstallerTimeoutMs = 30000;
extern const char kTestRoot[];

// Waits for a message box of `process` titled `title`, returns its text,
// presses `button` and waits for the box to go. "" and a test failure when
// no box comes.
std::string AnswerBox(const Process& process, const char* title, int button);

// Every uninstaller test starts and ends without kTestRoot; the uninstaller
// it started is ended, the temporary copies it scheduled for deletion at the
// next restart are taken off that list and deleted, and the links it
// planted are removed before the folders they stand in.
class UninstallerTest : public ::testing::Test {
protected:
    void SetUp() override;
    void TearDown() override;
    // Plants `link` to the folder `target` (fails the test when it cannot).
    void PlantLink(const std::string& link, const std::string& target);

    Process uninstaller_;

private:
    std::vector<std::string> links_;
};

}  // namespace varnlet_test
