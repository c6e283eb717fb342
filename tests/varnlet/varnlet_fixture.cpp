#include "tests/varnlet/varnlet_fixture.h"

#include <gtest/gtest.h>
#include <objbase.h>
#include <shlobj.h>
#include <shobjidl.h>

#include <algorithm>
#include <cstdio>

#include "tests/support/scheduled_deletions.h"
#include "tests/support/window_driver.h"

namespace varnlet_test {

const char* const kPayloadFiles[7] = {"vrl32.exe",   "vrl32.exe.manifest", "manual.htm",  "varnlet.jpg",
                                      "sample1.jpg", "sample2.jpg",        "rtuninst.exe"};
const char kIniFile[] = "varnlet2.ini";
const char kUninstallKey[] = "Software\\Microsoft\\Windows\\CurrentVersion\\Uninstall\\Varnlet";

std::string Vrl32Exe() { return WindowsPathOf(VRL32_EXE); }
std::string RtuninstExe() { return WindowsPathOf(RTUNINST_EXE); }
std::string ProductFile(const char* name) { return JoinPath(WindowsPathOf(VARNLET_FILES_DIR), name); }

std::string Listing(const std::vector<std::string>& names) {
    std::string text;
    for (const std::string& name : names) text += "[" + name + "] ";
    return text;
}

std::string ReadFileText(const std::string& path) {
    std::string text;
    return ReadWholeFile(path, &text) ? text : "<missing>";
}

std::string ShellFolder(int csidl) {
    char path[MAX_PATH] = "";
    if (FAILED(SHGetFolderPathA(nullptr, csidl | CSIDL_FLAG_CREATE, nullptr, SHGFP_TYPE_CURRENT, path))) return "";
    return path;
}

std::string StartMenuGroup() { return JoinPath(ShellFolder(CSIDL_PROGRAMS), "Varnlet"); }
std::string ProductLink() { return JoinPath(StartMenuGroup(), "Varnlet.lnk"); }
std::string UninstallLink() { return JoinPath(StartMenuGroup(), "Uninstall.lnk"); }
std::string StartupLink() { return JoinPath(ShellFolder(CSIDL_STARTUP), "Varnlet.lnk"); }

std::string ReadDataDir() {
    char value[1024];
    GetPrivateProfileStringA("Options", "dataDir", "<absent>", value, sizeof value, kIniFile);
    return std::string(value) == "<absent>" ? "" : value;
}

void WriteDataDir(const char* folder) {
    WritePrivateProfileStringA("Options", "dataDir", folder, kIniFile);
    WritePrivateProfileStringA(nullptr, nullptr, nullptr, kIniFile);
}

std::string ReadUninstallValue(const char* name) {
    char value[1024] = "";
    DWORD size = sizeof value;
    DWORD type = 0;
    if (RegGetValueA(HKEY_LOCAL_MACHINE, kUninstallKey, name, RRF_RT_REG_SZ, &type, value, &size) != ERROR_SUCCESS) {
        return "";
    }
    return value;
}

bool UninstallKeyExists() {
    HKEY key = nullptr;
    if (RegOpenKeyExA(HKEY_LOCAL_MACHINE, kUninstallKey, 0, KEY_READ, &key) != ERROR_SUCCESS) return false;
    RegCloseKey(key);
    return true;
}

namespace {

void CreateLink(const std::string& linkPath, const std::string& target, const std::string& workingFolder) {
    HRESULT init = CoInitialize(nullptr);
    IShellLinkA* link = nullptr;
    HRESULT result = CoCreateInstance(CLSID_ShellLink, nullptr, CLSCTX_INPROC_SERVER, IID_IShellLinkA,
                                      reinterpret_cast<void**>(&link));
    ASSERT_EQ(S_OK, result) << "CoCreateInstance(ShellLink)";
    link->SetPath(target.c_str());
    link->SetWorkingDirectory(workingFolder.c_str());
    IPersistFile* file = nullptr;
    result = link->QueryInterface(IID_IPersistFile, reinterpret_cast<void**>(&file));
    if (SUCCEEDED(result)) {
        wchar_t widePath[MAX_PATH];
        MultiByteToWideChar(CP_ACP, 0, linkPath.c_str(), -1, widePath, MAX_PATH);
        result = file->Save(widePath, TRUE);
        file->Release();
    }
    link->Release();
    if (SUCCEEDED(init)) CoUninitialize();
    ASSERT_EQ(S_OK, result) << "saving " << linkPath;
}

void SetString(HKEY key, const char* name, const std::string& value) {
    ASSERT_EQ(ERROR_SUCCESS, RegSetValueExA(key, name, 0, REG_SZ, reinterpret_cast<const BYTE*>(value.c_str()),
                                            static_cast<DWORD>(value.size() + 1)))
        << name;
}

void SetNumber(HKEY key, const char* name, DWORD value) {
    ASSERT_EQ(ERROR_SUCCESS,
              RegSetValueExA(key, name, 0, REG_DWORD, reinterpret_cast<const BYTE*>(&value), sizeof value))
        << name;
}

}  // namespace

void PutInstalledState(const std::string& folder) {
    ASSERT_TRUE(CreateFolders(folder)) << folder;
    for (const char* name : kPayloadFiles) {
        std::string source = std::string(name) == "vrl32.exe"      ? Vrl32Exe()
                             : std::string(name) == "rtuninst.exe" ? RtuninstExe()
                                                                   : ProductFile(name);
        ASSERT_TRUE(CopyFileA(source.c_str(), JoinPath(folder, name).c_str(), FALSE))
            << source << " -> " << folder << ": error " << GetLastError();
    }
    ASSERT_TRUE(CreateFolders(StartMenuGroup())) << StartMenuGroup();
    CreateLink(ProductLink(), JoinPath(folder, "vrl32.exe"), folder);
    CreateLink(UninstallLink(), JoinPath(folder, "rtuninst.exe"), folder);

    HKEY key = nullptr;
    ASSERT_EQ(ERROR_SUCCESS, RegCreateKeyExA(HKEY_LOCAL_MACHINE, kUninstallKey, 0, nullptr, 0, KEY_ALL_ACCESS,
                                             nullptr, &key, nullptr));
    SetString(key, "DisplayName", "Varnlet");
    SetString(key, "UninstallString", "\"" + JoinPath(folder, "rtuninst.exe") + "\"");
    SetString(key, "DisplayIcon", JoinPath(folder, "vrl32.exe"));
    SetString(key, "InstallLocation", folder);
    SetNumber(key, "EstimatedSize", 400);
    SetNumber(key, "NoModify", 1);
    SetNumber(key, "NoRepair", 1);
    RegCloseKey(key);
    WriteDataDir(folder.c_str());
}

void PutStartupLink(const std::string& folder) {
    CreateLink(StartupLink(), JoinPath(folder, "vrl32.exe"), folder);
}

void RemoveInstalledState(const std::string& folder) {
    DeleteFileA(StartupLink().c_str());
    RemoveTree(folder);
    RemoveTree(StartMenuGroup());
    RegDeleteKeyA(HKEY_LOCAL_MACHINE, kUninstallKey);
    WriteDataDir(nullptr);
}

Process::~Process() {
    if (info.hThread) CloseHandle(info.hThread);
    if (info.hProcess) CloseHandle(info.hProcess);
}

bool Start(const std::string& exe, const std::string& arguments, const std::string& workingFolder, Process* process) {
    std::string commandLine = "\"" + exe + "\"" + (arguments.empty() ? "" : " " + arguments);
    std::vector<char> buffer(commandLine.begin(), commandLine.end());
    buffer.push_back('\0');
    STARTUPINFOA startup = {};
    startup.cb = sizeof startup;
    return CreateProcessA(exe.c_str(), buffer.data(), nullptr, nullptr, FALSE, 0, nullptr,
                          workingFolder.empty() ? nullptr : workingFolder.c_str(), &startup, &process->info) != 0;
}

DWORD WaitForExit(const Process& process, int timeoutMs) {
    if (WaitForSingleObject(process.info.hProcess, timeoutMs) != WAIT_OBJECT_0) return STILL_ACTIVE;
    DWORD code = STILL_ACTIVE;
    GetExitCodeProcess(process.info.hProcess, &code);
    return code;
}

void EndIfRunning(const Process& process) {
    if (process.info.hProcess && WaitForExit(process, 0) == STILL_ACTIVE) {
        TerminateProcess(process.info.hProcess, 99);
        WaitForExit(process, 20000);
    }
}

std::string RunAndCapture(const std::string& commandLine, int timeoutMs) {
    // Output goes to a file, not a pipe: helper processes that Wine starts
    // may inherit a pipe's write end and keep a reader waiting for ever.
    char tempFolder[MAX_PATH];
    char outputPath[MAX_PATH];
    if (!GetTempPathA(sizeof tempFolder, tempFolder) || !GetTempFileNameA(tempFolder, "vrt", 0, outputPath)) return "";
    SECURITY_ATTRIBUTES inherit{sizeof inherit, nullptr, TRUE};
    HANDLE output = CreateFileA(outputPath, GENERIC_WRITE, FILE_SHARE_READ | FILE_SHARE_WRITE, &inherit, CREATE_ALWAYS,
                                FILE_ATTRIBUTE_NORMAL, nullptr);
    if (output == INVALID_HANDLE_VALUE) return "";
    STARTUPINFOA startup = {};
    startup.cb = sizeof startup;
    startup.dwFlags = STARTF_USESTDHANDLES;
    startup.hStdOutput = output;
    startup.hStdError = output;
    std::vector<char> buffer(commandLine.begin(), commandLine.end());
    buffer.push_back('\0');
    PROCESS_INFORMATION info{};
    BOOL started = CreateProcessA(nullptr, buffer.data(), nullptr, nullptr, TRUE, CREATE_NO_WINDOW, nullptr, nullptr,
                                  &startup, &info);
    CloseHandle(output);
    std::string text;
    if (started) {
        WaitForSingleObject(info.hProcess, timeoutMs);
        CloseHandle(info.hThread);
        CloseHandle(info.hProcess);
        FILE* file = std::fopen(outputPath, "rb");
        if (file) {
            char chunk[4096];
            size_t got;
            while ((got = std::fread(chunk, 1, sizeof chunk, file)) > 0) text.append(chunk, got);
            std::fclose(file);
        }
    }
    DeleteFileA(outputPath);
    return text;
}

namespace {

bool WaitForExistence(const std::string& path, bool wanted, int timeoutMs) {
    DWORD start = GetTickCount();
    while (PathExists(path) != wanted) {
        if (static_cast<int>(GetTickCount() - start) >= timeoutMs) return false;
        Sleep(20);
    }
    return true;
}

}  // namespace

bool WaitUntilGone(const std::string& path, int timeoutMs) { return WaitForExistence(path, false, timeoutMs); }
bool WaitUntilExists(const std::string& path, int timeoutMs) { return WaitForExistence(path, true, timeoutMs); }

bool Contains(const std::string& text, const std::string& part) { return text.find(part) != std::string::npos; }

const char kTestRoot[] = "C:\\VarnletTests";

std::string AnswerBox(const Process& process, const char* title, int button) {
    HWND box = testing_support::WaitForWindow(process.Id(), title, "#32770", kUninstallerTimeoutMs);
    if (!box) {
        ADD_FAILURE() << "no \"" << title << "\" box\n" << testing_support::DescribeWindows(0);
        return "";
    }
    std::string text = testing_support::MessageBoxText(box);
    testing_support::PressButton(box, button);
    EXPECT_TRUE(testing_support::WaitForWindowGone(box, kUninstallerTimeoutMs));
    return text;
}

void UninstallerTest::SetUp() {
    RemoveTree(kTestRoot);
    // The restart list is the prefix's: an earlier test program (an
    // installation and its uninstaller, say) may have left copies on it,
    // which these tests would count as their own.
    testing_support::TakeScheduledUninstallerCopies(kUninstallerTimeoutMs);
}

void UninstallerTest::TearDown() {
    EndIfRunning(uninstaller_);
    testing_support::TakeScheduledUninstallerCopies(kUninstallerTimeoutMs);
    // A copy started from a folder of the test's own puts itself on the
    // restart list too.
    testing_support::TakeScheduledDeletions(
        [](const std::string& path) { return path.find("VarnletTests") != std::string::npos; },
        kUninstallerTimeoutMs);
    // Links go first: removing the tree would otherwise walk into them.
    for (const std::string& link : links_) EXPECT_TRUE(RemoveFolderLink(link)) << link;
    links_.clear();
    RemoveTree(kTestRoot);
}

void UninstallerTest::PlantLink(const std::string& link, const std::string& target) {
    links_.push_back(link);
    ASSERT_TRUE(PlantFolderLink(link, target)) << link << " -> " << target << " is not seen as a reparse point";
}

}  // namespace varnlet_test
