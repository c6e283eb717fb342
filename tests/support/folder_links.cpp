#include "tests/support/folder_links.h"

#include <windows.h>

#include <vector>

#include "tests/support/test_files.h"

namespace testing_support {

namespace {

constexpr int kLinkTimeoutMs = 10000;

// The Unix path of a Windows path under Wine; "" elsewhere.
std::string UnixPath(const std::string& windowsPath) {
    typedef char*(CDECL * ToUnixFunc)(LPCWSTR);
    ToUnixFunc toUnix = reinterpret_cast<ToUnixFunc>(
        reinterpret_cast<void*>(GetProcAddress(GetModuleHandleA("kernel32.dll"), "wine_get_unix_file_name")));
    wchar_t wide[MAX_PATH];
    if (!toUnix || !MultiByteToWideChar(CP_ACP, 0, windowsPath.c_str(), -1, wide, MAX_PATH)) return "";
    char* unixPath = toUnix(wide);
    if (!unixPath) return "";
    std::string result = unixPath;
    HeapFree(GetProcessHeap(), 0, unixPath);
    return result;
}

// The handle Wine gives back for a Unix program may signal before the
// program is done, so callers look for its effect instead.
bool StartUnixProgram(const std::string& commandLine) {
    std::vector<char> buffer(commandLine.begin(), commandLine.end());
    buffer.push_back('\0');
    STARTUPINFOA startup = {};
    startup.cb = sizeof startup;
    PROCESS_INFORMATION info{};
    if (!CreateProcessA(nullptr, buffer.data(), nullptr, nullptr, FALSE, 0, nullptr, nullptr, &startup, &info)) {
        return false;
    }
    if (info.hThread) CloseHandle(info.hThread);
    if (info.hProcess) CloseHandle(info.hProcess);
    return true;
}

bool IsReparsePoint(const std::string& path) {
    DWORD attributes = GetFileAttributesA(path.c_str());
    return attributes != INVALID_FILE_ATTRIBUTES && (attributes & FILE_ATTRIBUTE_REPARSE_POINT) != 0;
}

template <typename Condition>
bool WaitUntil(Condition condition) {
    DWORD start = GetTickCount();
    while (!condition()) {
        if (static_cast<int>(GetTickCount() - start) >= kLinkTimeoutMs) return false;
        Sleep(20);
    }
    return true;
}

}  // namespace

bool PlantFolderLink(const std::string& link, const std::string& target) {
    std::string unixTarget = UnixPath(target), unixLink = UnixPath(link);
    return !unixTarget.empty() && !unixLink.empty() &&
           StartUnixProgram("/bin/ln -s -n \"" + unixTarget + "\" \"" + unixLink + "\"") &&
           WaitUntil([&] { return IsReparsePoint(link); });
}

bool RemoveFolderLink(const std::string& link) {
    if (!IsReparsePoint(link)) return !PathExists(link);
    std::string unixLink = UnixPath(link);
    return !unixLink.empty() && StartUnixProgram("/bin/rm -f \"" + unixLink + "\"") &&
           WaitUntil([&] { return !PathExists(link); });
}

bool FolderLinksAvailable() {
    char temp[MAX_PATH];
    DWORD length = GetTempPathA(sizeof temp, temp);
    if (length == 0 || length >= sizeof temp) return false;
    std::string base = std::string(temp) + "varnlet-link-probe-" + std::to_string(GetCurrentProcessId());
    std::string target = base + "-target", link = base + "-link";
    if (!CreateDirectoryA(target.c_str(), nullptr)) return false;
    bool made = PlantFolderLink(link, target);
    if (made) (void)RemoveFolderLink(link);
    (void)RemoveDirectoryA(target.c_str());
    return made;
}

}  // namespace testing_support
