// Everything an installation can leave on the machine, read back the way
// other programs see it (files and their times, shell links through the
// shell's own link object, the registry, the ini file, services, processes),
// and removed again so that each scenario starts from a clean machine.
#pragma once

#include <windows.h>

#include <string>
#include <vector>

#include "tests/support/test_files.h"

namespace e2e {

// --- places -------------------------------------------------------------
std::string WindowsDirectory();
std::string SystemDirectory();
// A shell folder by CSIDL (CSIDL_PROGRAMS, CSIDL_STARTUP, ...); "" if unknown.
std::string ShellFolder(int csidl);
using testing_support::JoinPath;
using testing_support::WindowsPathOf;

// --- files --------------------------------------------------------------
using testing_support::CreateFolders;
using testing_support::FolderEntries;
using testing_support::IsFolder;
using testing_support::PathExists;
using testing_support::ReadWholeFile;
using testing_support::RemoveTree;
using testing_support::RemoveTreeWithin;
using testing_support::WriteWholeFile;
// Last access and last modification time in seconds since 1970 UTC.
bool FileTimes(const std::string& path, long long* accessed, long long* modified);
bool SetFileTimes(const std::string& path, long long accessed, long long modified);
// "2004-09-09T14:15:38Z" in seconds since 1970 UTC; -1 when malformed.
long long UnixTimeFromIso(const char* iso);

// --- ini file (a bare name lives in the Windows directory) ---------------
// False when the key is absent.
bool ReadIniValue(const char* iniFile, const char* section, const char* key, std::string* value);

// --- uninstall registration ---------------------------------------------
struct RegistryText {
    bool present = false;
    DWORD type = 0;
    DWORD size = 0;  // bytes, as stored (terminator included when written so)
    std::string text;
};
struct UninstallEntry {
    bool present = false;
    RegistryText displayName;
    RegistryText uninstallString;
    std::vector<std::string> valueNames;  // every value of the key, sorted
};
UninstallEntry ReadUninstallEntry(const char* productName);
bool RemoveUninstallEntry(const char* productName);

// --- shell links ----------------------------------------------------------
struct LinkSeen {
    bool present = false;
    std::string error;  // why it could not be read
    std::string target;
    std::string arguments;
    std::string workingFolder;
    std::string description;
    std::string iconPath;
    int iconIndex = -1;
    // The show command as stored in the link file's header. Wine's link
    // object reads every stored value back as SW_SHOWNORMAL, so it is taken
    // from the file itself.
    int showCommand = 0;
};
LinkSeen ReadLink(const std::string& linkPath);

// --- services -------------------------------------------------------------
bool ServiceExists(const char* name);
// Registers a demand-start service that is never started, as an old
// installation would have left it.
bool RegisterStoppedService(const char* name, const std::string& binaryPath);
bool DeleteServiceNamed(const char* name);

// --- processes ------------------------------------------------------------
struct ProcessSeen {
    DWORD id = 0;
    std::string image;  // full path of its program
};
// Running processes whose program file is named `exeName` (any case).
std::vector<ProcessSeen> ProcessesNamed(const char* exeName);
// Ends a process that a test left behind.
void EndProcess(DWORD id);
// The command line a running process was started with.
bool ProcessCommandLine(DWORD id, std::string* commandLine);
// Waits up to `waitMs` for each running temporary copy of the uninstaller (an
// rtuninst.exe in a folder "rtuninst-<hex>") to end. A copy that runs on is
// described (its command line and windows) and then ended, so that it holds
// no lock into the next test; the descriptions, "" when every copy ended.
std::string WaitForUninstallerCopies(int waitMs);

// --- programs the installer started (see children/child_log_format.h) ----
struct ChildRun {
    std::string program;
    std::string commandLine;
    std::string folder;
};
std::vector<ChildRun> ReadChildRuns(const std::string& logPath);
// Waits until the log holds at least `count` runs; false on timeout. The
// runs read last go to `runs` either way.
bool WaitForChildRuns(const std::string& logPath, size_t count, int timeoutMs, std::vector<ChildRun>* runs);

// --- clean-up ---------------------------------------------------------------
// What one product can leave behind, by its configured names.
struct ProductNames {
    const char* productName;
    const char* folderName;
    const char* iniFileName;
    const char* startupLinkName;  // "" = productName
};
// Removes the product's uninstall key, its Start-menu folder, its startup
// link, its ini file and the given folders. Returns what could not be
// removed within a few seconds ("" when everything went).
std::string RemoveProductTraces(const ProductNames& product, const std::vector<std::string>& folders);

}  // namespace e2e
