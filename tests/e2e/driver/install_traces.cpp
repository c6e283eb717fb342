#include "tests/e2e/driver/install_traces.h"

#include <objbase.h>
#include <shlobj.h>
#include <shobjidl.h>
#include <tlhelp32.h>

#include <algorithm>
#include <cstdio>
#include <cstring>
#include <fstream>

#include "tests/e2e/children/child_log_format.h"
#include "tests/support/window_driver.h"

namespace e2e {

namespace {

constexpr long long kFileTimeUnixEpoch = 116444736000000000LL;  // 1970-01-01 in 100 ns units since 1601
constexpr long long kFileTimeUnitsPerSecond = 10000000LL;
constexpr char kUninstallKeyFormat[] = "Software\\Microsoft\\Windows\\CurrentVersion\\Uninstall\\%s";
constexpr int kPollMs = 20;
// ShowCommand of the ShellLinkHeader of a .lnk file (little-endian, 32 bits).
constexpr size_t kLinkShowCommandOffset = 0x3C;
constexpr int kRemovalMs = 30000;

long long UnixFromFileTime(const FILETIME& time) {
    ULARGE_INTEGER value;
    value.LowPart = time.dwLowDateTime;
    value.HighPart = time.dwHighDateTime;
    return (static_cast<long long>(value.QuadPart) - kFileTimeUnixEpoch) / kFileTimeUnitsPerSecond;
}

FILETIME FileTimeFromUnix(long long seconds) {
    ULARGE_INTEGER value;
    value.QuadPart = static_cast<unsigned long long>(seconds * kFileTimeUnitsPerSecond + kFileTimeUnixEpoch);
    FILETIME time;
    time.dwLowDateTime = value.LowPart;
    time.dwHighDateTime = value.HighPart;
    return time;
}

// Days from 1970-01-01 to a civil date (proleptic Gregorian calendar).
long long DaysFromCivil(long long year, unsigned month, unsigned day) {
    year -= month <= 2;
    long long era = (year >= 0 ? year : year - 399) / 400;
    unsigned yearOfEra = static_cast<unsigned>(year - era * 400);
    unsigned dayOfYear = (153 * (month + (month > 2 ? -3 : 9)) + 2) / 5 + day - 1;
    unsigned dayOfEra = yearOfEra * 365 + yearOfEra / 4 - yearOfEra / 100 + dayOfYear;
    return era * 146097 + static_cast<long long>(dayOfEra) - 719468;
}

std::string UninstallKeyPath(const char* productName) {
    char key[1024];
    int length = std::snprintf(key, sizeof key, kUninstallKeyFormat, productName);
    return length > 0 && length < static_cast<int>(sizeof key) ? std::string(key) : std::string();
}

RegistryText ReadRegistryText(HKEY key, const char* name) {
    RegistryText value;
    char data[2048];
    DWORD size = sizeof data - 1;
    if (RegQueryValueExA(key, name, nullptr, &value.type, reinterpret_cast<BYTE*>(data), &size) != ERROR_SUCCESS)
        return value;
    value.present = true;
    value.size = size;
    data[size] = '\0';
    value.text = data;  // up to the first terminator
    return value;
}

class ScopedKey {
public:
    ScopedKey() = default;
    ~ScopedKey() {
        if (key_) RegCloseKey(key_);
    }
    ScopedKey(const ScopedKey&) = delete;
    ScopedKey& operator=(const ScopedKey&) = delete;
    HKEY* Receive() { return &key_; }
    HKEY get() const { return key_; }

private:
    HKEY key_ = nullptr;
};

class ScopedServiceHandle {
public:
    explicit ScopedServiceHandle(SC_HANDLE handle) : handle_(handle) {}
    ~ScopedServiceHandle() {
        if (handle_) CloseServiceHandle(handle_);
    }
    ScopedServiceHandle(const ScopedServiceHandle&) = delete;
    ScopedServiceHandle& operator=(const ScopedServiceHandle&) = delete;
    SC_HANDLE get() const { return handle_; }

private:
    SC_HANDLE handle_;
};

template <typename T>
class ScopedComPointer {
public:
    ScopedComPointer() = default;
    ~ScopedComPointer() {
        if (pointer_) pointer_->Release();
    }
    ScopedComPointer(const ScopedComPointer&) = delete;
    ScopedComPointer& operator=(const ScopedComPointer&) = delete;
    void** Receive() { return reinterpret_cast<void**>(&pointer_); }
    T* operator->() const { return pointer_; }
    explicit operator bool() const { return pointer_ != nullptr; }

private:
    T* pointer_ = nullptr;
};

}  // namespace

std::string WindowsDirectory() {
    char folder[MAX_PATH];
    UINT length = GetWindowsDirectoryA(folder, sizeof folder);
    return length > 0 && length < sizeof folder ? std::string(folder) : std::string();
}

std::string SystemDirectory() {
    char folder[MAX_PATH];
    UINT length = GetSystemDirectoryA(folder, sizeof folder);
    return length > 0 && length < sizeof folder ? std::string(folder) : std::string();
}

std::string ShellFolder(int csidl) {
    char folder[MAX_PATH];
    return SUCCEEDED(SHGetFolderPathA(nullptr, csidl, nullptr, SHGFP_TYPE_CURRENT, folder)) ? std::string(folder)
                                                                                          : std::string();
}

bool FileTimes(const std::string& path, long long* accessed, long long* modified) {
    HANDLE file = CreateFileA(path.c_str(), FILE_READ_ATTRIBUTES, FILE_SHARE_READ | FILE_SHARE_WRITE | FILE_SHARE_DELETE,
                              nullptr, OPEN_EXISTING, FILE_FLAG_BACKUP_SEMANTICS, nullptr);
    if (file == INVALID_HANDLE_VALUE) return false;
    FILETIME access, write;
    bool ok = GetFileTime(file, nullptr, &access, &write) != 0;
    CloseHandle(file);
    if (!ok) return false;
    *accessed = UnixFromFileTime(access);
    *modified = UnixFromFileTime(write);
    return true;
}

bool SetFileTimes(const std::string& path, long long accessed, long long modified) {
    HANDLE file = CreateFileA(path.c_str(), FILE_WRITE_ATTRIBUTES, FILE_SHARE_READ | FILE_SHARE_WRITE, nullptr,
                              OPEN_EXISTING, FILE_FLAG_BACKUP_SEMANTICS, nullptr);
    if (file == INVALID_HANDLE_VALUE) return false;
    FILETIME access = FileTimeFromUnix(accessed), write = FileTimeFromUnix(modified);
    bool ok = SetFileTime(file, nullptr, &access, &write) != 0;
    CloseHandle(file);
    return ok;
}

long long UnixTimeFromIso(const char* iso) {
    int year, month, day, hour, minute, second;
    char zone = 0;
    if (std::sscanf(iso, "%4d-%2d-%2dT%2d:%2d:%2d%c", &year, &month, &day, &hour, &minute, &second, &zone) != 7 ||
        zone != 'Z' || month < 1 || month > 12 || day < 1 || day > 31 || hour > 23 || minute > 59 || second > 60)
        return -1;
    return DaysFromCivil(year, static_cast<unsigned>(month), static_cast<unsigned>(day)) * 86400LL + hour * 3600LL +
           minute * 60LL + second;
}

bool ReadIniValue(const char* iniFile, const char* section, const char* key, std::string* value) {
    // Two different defaults tell an absent key from one that holds either.
    char first[1024], second[1024];
    GetPrivateProfileStringA(section, key, "\x01", first, sizeof first, iniFile);
    GetPrivateProfileStringA(section, key, "\x02", second, sizeof second, iniFile);
    if (std::strcmp(first, "\x01") == 0 && std::strcmp(second, "\x02") == 0) return false;
    *value = first;
    return true;
}

UninstallEntry ReadUninstallEntry(const char* productName) {
    UninstallEntry entry;
    ScopedKey key;
    if (RegOpenKeyExA(HKEY_LOCAL_MACHINE, UninstallKeyPath(productName).c_str(), 0, KEY_READ, key.Receive()) !=
        ERROR_SUCCESS)
        return entry;
    entry.present = true;
    entry.displayName = ReadRegistryText(key.get(), "DisplayName");
    entry.uninstallString = ReadRegistryText(key.get(), "UninstallString");
    for (DWORD index = 0;; ++index) {
        char name[256];
        DWORD nameLength = sizeof name;
        if (RegEnumValueA(key.get(), index, name, &nameLength, nullptr, nullptr, nullptr, nullptr) != ERROR_SUCCESS)
            break;
        entry.valueNames.emplace_back(name, nameLength);
    }
    std::sort(entry.valueNames.begin(), entry.valueNames.end());
    return entry;
}

bool RemoveUninstallEntry(const char* productName) {
    LONG result = RegDeleteKeyA(HKEY_LOCAL_MACHINE, UninstallKeyPath(productName).c_str());
    return result == ERROR_SUCCESS || result == ERROR_FILE_NOT_FOUND;
}

LinkSeen ReadLink(const std::string& linkPath) {
    LinkSeen link;
    if (!PathExists(linkPath)) return link;
    link.present = true;
    HRESULT initialised = CoInitialize(nullptr);
    {
        ScopedComPointer<IShellLinkA> shellLink;
        ScopedComPointer<IPersistFile> file;
        wchar_t widePath[MAX_PATH];
        if (FAILED(CoCreateInstance(CLSID_ShellLink, nullptr, CLSCTX_INPROC_SERVER, IID_IShellLinkA,
                                    shellLink.Receive()))) {
            link.error = "the shell link object cannot be created";
        } else if (FAILED(shellLink->QueryInterface(IID_IPersistFile, file.Receive()))) {
            link.error = "the shell link object has no IPersistFile";
        } else if (!MultiByteToWideChar(CP_ACP, 0, linkPath.c_str(), -1, widePath, MAX_PATH)) {
            link.error = "the link path is too long";
        } else if (FAILED(file->Load(widePath, STGM_READ))) {
            link.error = "the link cannot be loaded";
        } else {
            char text[1024];
            int number = 0;
            if (SUCCEEDED(shellLink->GetPath(text, sizeof text, nullptr, SLGP_RAWPATH))) link.target = text;
            if (SUCCEEDED(shellLink->GetArguments(text, sizeof text))) link.arguments = text;
            if (SUCCEEDED(shellLink->GetWorkingDirectory(text, sizeof text))) link.workingFolder = text;
            if (SUCCEEDED(shellLink->GetDescription(text, sizeof text))) link.description = text;
            if (SUCCEEDED(shellLink->GetIconLocation(text, sizeof text, &number))) {
                link.iconPath = text;
                link.iconIndex = number;
            }
        }
    }
    if (SUCCEEDED(initialised)) CoUninitialize();
    std::string bytes;
    if (ReadWholeFile(linkPath, &bytes) && bytes.size() >= kLinkShowCommandOffset + 4) {
        const unsigned char* field = reinterpret_cast<const unsigned char*>(bytes.data()) + kLinkShowCommandOffset;
        link.showCommand = field[0] | field[1] << 8 | field[2] << 16 | field[3] << 24;
    }
    return link;
}

bool ServiceExists(const char* name) {
    ScopedServiceHandle manager(OpenSCManagerA(nullptr, nullptr, SC_MANAGER_CONNECT));
    if (!manager.get()) return false;
    ScopedServiceHandle service(OpenServiceA(manager.get(), name, SERVICE_QUERY_STATUS));
    return service.get() != nullptr;
}

bool RegisterStoppedService(const char* name, const std::string& binaryPath) {
    ScopedServiceHandle manager(OpenSCManagerA(nullptr, nullptr, SC_MANAGER_ALL_ACCESS));
    if (!manager.get()) return false;
    ScopedServiceHandle service(CreateServiceA(manager.get(), name, name, SERVICE_ALL_ACCESS,
                                               SERVICE_WIN32_OWN_PROCESS, SERVICE_DEMAND_START, SERVICE_ERROR_IGNORE,
                                               binaryPath.c_str(), nullptr, nullptr, nullptr, nullptr, nullptr));
    return service.get() != nullptr;
}

bool DeleteServiceNamed(const char* name) {
    ScopedServiceHandle manager(OpenSCManagerA(nullptr, nullptr, SC_MANAGER_ALL_ACCESS));
    if (!manager.get()) return false;
    ScopedServiceHandle service(OpenServiceA(manager.get(), name, SERVICE_ALL_ACCESS));
    if (!service.get()) return GetLastError() == ERROR_SERVICE_DOES_NOT_EXIST;
    SERVICE_STATUS status = {};
    (void)ControlService(service.get(), SERVICE_CONTROL_STOP, &status);
    return DeleteService(service.get()) != 0 || GetLastError() == ERROR_SERVICE_MARKED_FOR_DELETE;
}

std::vector<ProcessSeen> ProcessesNamed(const char* exeName) {
    std::vector<ProcessSeen> processes;
    HANDLE snapshot = CreateToolhelp32Snapshot(TH32CS_SNAPPROCESS, 0);
    if (snapshot == INVALID_HANDLE_VALUE) return processes;
    PROCESSENTRY32 entry = {};
    entry.dwSize = sizeof entry;
    for (BOOL more = Process32First(snapshot, &entry); more; more = Process32Next(snapshot, &entry)) {
        if (_stricmp(entry.szExeFile, exeName) != 0) continue;
        ProcessSeen seen;
        seen.id = entry.th32ProcessID;
        HANDLE process = OpenProcess(PROCESS_QUERY_LIMITED_INFORMATION, FALSE, entry.th32ProcessID);
        if (process) {
            char image[MAX_PATH];
            DWORD length = sizeof image;
            if (QueryFullProcessImageNameA(process, 0, image, &length)) seen.image.assign(image, length);
            CloseHandle(process);
        }
        processes.push_back(seen);
    }
    CloseHandle(snapshot);
    return processes;
}

void EndProcess(DWORD id) {
    HANDLE process = OpenProcess(PROCESS_TERMINATE | SYNCHRONIZE, FALSE, id);
    if (!process) return;
    if (TerminateProcess(process, 1)) (void)WaitForSingleObject(process, 5000);
    CloseHandle(process);
}

std::string WaitForUninstallerCopies(int waitMs) {
    std::string left;
    for (const ProcessSeen& copy : ProcessesNamed("rtuninst.exe")) {
        if (copy.image.find("\\rtuninst-") == std::string::npos) continue;
        HANDLE process = OpenProcess(SYNCHRONIZE, FALSE, copy.id);
        if (!process) continue;
        bool ended = WaitForSingleObject(process, static_cast<DWORD>(waitMs)) == WAIT_OBJECT_0;
        CloseHandle(process);
        if (ended) continue;
        std::string commandLine;
        (void)ProcessCommandLine(copy.id, &commandLine);
        left += copy.image + " runs on, started as " + commandLine + "\n" + testing_support::DescribeWindows(copy.id);
        EndProcess(copy.id);
    }
    return left;
}

bool ProcessCommandLine(DWORD id, std::string* commandLine) {
    // Read from the process's own parameter block: its PEB (found through
    // NtQueryInformationProcess, ProcessBasicInformation) points to its
    // RTL_USER_PROCESS_PARAMETERS, which hold the command line as a counted
    // wide string. Both sides are built alike, so the offsets are this
    // program's own kind's.
#ifdef _WIN64
    constexpr SIZE_T kPebParametersOffset = 0x20;
    constexpr SIZE_T kParametersCommandLineOffset = 0x70;
#else
    constexpr SIZE_T kPebParametersOffset = 0x10;
    constexpr SIZE_T kParametersCommandLineOffset = 0x40;
#endif
    struct BasicInformation {
        LONG exitStatus;
        void* pebAddress;
        ULONG_PTR affinityMask;
        LONG basePriority;
        ULONG_PTR processId;
        ULONG_PTR parentProcessId;
    };
    struct CountedText {
        USHORT length;
        USHORT capacity;
        wchar_t* text;
    };
    typedef LONG(WINAPI * QueryInformation)(HANDLE, int, void*, ULONG, ULONG*);
    QueryInformation query = reinterpret_cast<QueryInformation>(
        reinterpret_cast<void*>(GetProcAddress(GetModuleHandleA("ntdll.dll"), "NtQueryInformationProcess")));
    if (!query) return false;
    HANDLE process = OpenProcess(PROCESS_QUERY_INFORMATION | PROCESS_VM_READ, FALSE, id);
    if (!process) return false;
    BasicInformation basic = {};
    void* parameters = nullptr;
    CountedText counted = {};
    std::vector<wchar_t> wide;
    bool ok = query(process, 0, &basic, sizeof basic, nullptr) >= 0 &&
              ReadProcessMemory(process, static_cast<char*>(basic.pebAddress) + kPebParametersOffset, &parameters,
                                sizeof parameters, nullptr) &&
              ReadProcessMemory(process, static_cast<char*>(parameters) + kParametersCommandLineOffset, &counted,
                                sizeof counted, nullptr);
    if (ok) {
        wide.resize(counted.length / sizeof(wchar_t) + 1);
        ok = ReadProcessMemory(process, counted.text, wide.data(), counted.length, nullptr);
    }
    CloseHandle(process);
    if (!ok) return false;
    int wideLength = counted.length / static_cast<int>(sizeof(wchar_t));
    int bytes = WideCharToMultiByte(CP_ACP, 0, wide.data(), wideLength, nullptr, 0, nullptr, nullptr);
    std::string narrow(static_cast<size_t>(bytes > 0 ? bytes : 0), '\0');
    if (bytes > 0) WideCharToMultiByte(CP_ACP, 0, wide.data(), wideLength, &narrow[0], bytes, nullptr, nullptr);
    *commandLine = narrow;
    return true;
}

std::vector<ChildRun> ReadChildRuns(const std::string& logPath) {
    std::vector<ChildRun> runs;
    std::string bytes;
    if (!ReadWholeFile(logPath, &bytes)) return runs;
    size_t start = 0;
    for (size_t end; (end = bytes.find('\n', start)) != std::string::npos; start = end + 1) {
        std::string line = bytes.substr(start, end - start);
        size_t firstTab = line.find('\t'), secondTab = line.find('\t', firstTab + 1);
        if (firstTab == std::string::npos || secondTab == std::string::npos) continue;
        ChildRun run;
        run.program = UnescapeLogField(line.substr(0, firstTab));
        run.commandLine = UnescapeLogField(line.substr(firstTab + 1, secondTab - firstTab - 1));
        run.folder = UnescapeLogField(line.substr(secondTab + 1));
        runs.push_back(run);
    }
    return runs;
}

bool WaitForChildRuns(const std::string& logPath, size_t count, int timeoutMs, std::vector<ChildRun>* runs) {
    DWORD start = GetTickCount();
    for (;;) {
        *runs = ReadChildRuns(logPath);
        if (runs->size() >= count) return true;
        if (static_cast<int>(GetTickCount() - start) >= timeoutMs) return false;
        Sleep(kPollMs);
    }
}

std::string RemoveProductTraces(const ProductNames& product, const std::vector<std::string>& folders) {
    std::string left;
    if (!RemoveUninstallEntry(product.productName)) left += "the uninstall key; ";
    std::string programs = ShellFolder(CSIDL_PROGRAMS);
    if (!programs.empty() && !RemoveTreeWithin(JoinPath(programs, product.folderName), kRemovalMs))
        left += "the Start-menu folder; ";
    std::string startup = ShellFolder(CSIDL_STARTUP);
    const char* linkName = *product.startupLinkName ? product.startupLinkName : product.productName;
    if (!startup.empty() && !RemoveTree(JoinPath(startup, std::string(linkName) + ".lnk")))
        left += "the startup link; ";
    // Drop the profile cache's copy before the file goes.
    (void)WritePrivateProfileStringA(nullptr, nullptr, nullptr, product.iniFileName);
    if (!RemoveTree(JoinPath(WindowsDirectory(), product.iniFileName))) left += "the ini file; ";
    for (const std::string& folder : folders)
        if (!RemoveTreeWithin(folder, kRemovalMs)) left += folder + "; ";
    return left;
}

}  // namespace e2e
