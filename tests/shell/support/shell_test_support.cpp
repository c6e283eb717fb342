#include "tests/shell/support/shell_test_support.h"

#include <objbase.h>
#include <shlobj.h>
#include <tlhelp32.h>

#include <cstdio>
#include <cstdlib>
#include <cstring>

#include "tests/support/window_driver.h"
#include "tests/support/test_files.h"

namespace shell_test {

namespace {

// The recorder as the build made it, reached through Wine's Z: drive.
const char kRecorderSource[] = "Z:" START_RECORDER_EXE;
const char kRecordName[] = "started.txt";

std::string ReadWholeFile(const std::string& path) {
    std::string bytes;
    (void)testing_support::ReadWholeFile(path, &bytes);
    return bytes;
}

void RemoveFolderFiles(const std::string& folder) {
    WIN32_FIND_DATAA found;
    HANDLE search = FindFirstFileA((folder + "\\*").c_str(), &found);
    if (search == INVALID_HANDLE_VALUE) return;
    do {
        if (!(found.dwFileAttributes & FILE_ATTRIBUTE_DIRECTORY))
            (void)DeleteFileA((folder + "\\" + found.cFileName).c_str());
    } while (FindNextFileA(search, &found));
    (void)FindClose(search);
}

// The header of a link file is 0x4C bytes long and says so in its first
// DWORD; the show command is the DWORD at 0x3C.
int StoredShowCommand(const std::string& linkPath) {
    std::string bytes = ReadWholeFile(linkPath);
    DWORD headerSize = 0, show = 0;
    if (bytes.size() < 0x4C) return -1;
    std::memcpy(&headerSize, bytes.data(), sizeof headerSize);
    if (headerSize != 0x4C) return -1;
    std::memcpy(&show, bytes.data() + 0x3C, sizeof show);
    return static_cast<int>(show);
}

}  // namespace

LinkContents ReadLink(const std::string& linkPath) {
    LinkContents contents;
    HRESULT init = CoInitialize(nullptr);
    IShellLinkA* link = nullptr;
    IPersistFile* file = nullptr;
    WCHAR widePath[MAX_PATH];
    if (SUCCEEDED(CoCreateInstance(CLSID_ShellLink, nullptr, CLSCTX_INPROC_SERVER, IID_IShellLinkA,
                                   reinterpret_cast<void**>(&link))) &&
        SUCCEEDED(link->QueryInterface(IID_IPersistFile, reinterpret_cast<void**>(&file))) &&
        MultiByteToWideChar(CP_ACP, 0, linkPath.c_str(), -1, widePath, MAX_PATH) != 0 &&
        SUCCEEDED(file->Load(widePath, STGM_READ))) {
        char text[INFOTIPSIZE];
        contents.loaded = true;
        if (SUCCEEDED(link->GetPath(text, MAX_PATH, nullptr, SLGP_RAWPATH))) contents.target = text;
        if (SUCCEEDED(link->GetWorkingDirectory(text, MAX_PATH))) contents.workingFolder = text;
        if (SUCCEEDED(link->GetDescription(text, sizeof text))) contents.description = text;
        if (SUCCEEDED(link->GetArguments(text, sizeof text))) contents.arguments = text;
        int index = -1;
        if (SUCCEEDED(link->GetIconLocation(text, MAX_PATH, &index))) {
            contents.iconPath = text;
            contents.iconIndex = index;
        }
    }
    contents.showCommand = StoredShowCommand(linkPath);
    if (file) file->Release();
    if (link) link->Release();
    if (SUCCEEDED(init)) CoUninitialize();
    return contents;
}

std::string SpecialFolder(int csidl) {
    char path[MAX_PATH];
    if (FAILED(SHGetFolderPathA(nullptr, csidl, nullptr, 0, path))) return "";
    return path;
}

bool FileExists(const std::string& path) {
    DWORD attributes = GetFileAttributesA(path.c_str());
    return attributes != INVALID_FILE_ATTRIBUTES && !(attributes & FILE_ATTRIBUTE_DIRECTORY);
}

bool FolderExists(const std::string& path) {
    DWORD attributes = GetFileAttributesA(path.c_str());
    return attributes != INVALID_FILE_ATTRIBUTES && (attributes & FILE_ATTRIBUTE_DIRECTORY);
}

bool ThreadHasNoComApartment() {
    HRESULT status = CoInitializeEx(nullptr, COINIT_MULTITHREADED);
    if (SUCCEEDED(status)) CoUninitialize();
    return status == S_OK;
}

TestDataFolder::TestDataFolder(const char* label, const char* programName) : programName_(programName) {
    char temp[MAX_PATH];
    DWORD length = GetTempPathA(sizeof temp, temp);
    if (length == 0 || length >= sizeof temp) return;
    path_ = std::string(temp) + "Varnlet Shell " + label;
    RemoveFolderFiles(path_);
    (void)CreateDirectoryA(path_.c_str(), nullptr);
    ok_ = FolderExists(path_) && CopyFileA(kRecorderSource, Program().c_str(), FALSE) &&
          CopyFileA(kRecorderSource, Uninstaller().c_str(), FALSE);
}

TestDataFolder::~TestDataFolder() {
    if (path_.empty()) return;
    RemoveFolderFiles(path_);
    (void)RemoveDirectoryA(path_.c_str());
}

TestDataFolder::Start TestDataFolder::WaitForStart(int timeoutMs) const {
    Start start;
    std::string record = path_ + "\\" + kRecordName;
    DWORD begin = GetTickCount();
    while (!FileExists(record)) {
        if (static_cast<int>(GetTickCount() - begin) >= timeoutMs) return start;
        Sleep(20);
    }
    std::string bytes = ReadWholeFile(record);
    size_t end = bytes.find('\0');
    if (end == std::string::npos) return start;
    size_t folderEnd = bytes.find('\0', end + 1);
    if (folderEnd == std::string::npos) return start;
    start.seen = true;
    start.commandLine = bytes.substr(0, end);
    start.currentFolder = bytes.substr(end + 1, folderEnd - end - 1);
    start.showCommand = std::atoi(bytes.c_str() + folderEnd + 1);
    return start;
}

bool TestDataFolder::WasStarted() const {
    bool running = false;
    HANDLE snapshot = CreateToolhelp32Snapshot(TH32CS_SNAPPROCESS, 0);
    if (snapshot != INVALID_HANDLE_VALUE) {
        PROCESSENTRY32 entry;
        entry.dwSize = sizeof entry;
        for (BOOL more = Process32First(snapshot, &entry); more && !running; more = Process32Next(snapshot, &entry)) {
            const char* base = std::strrchr(entry.szExeFile, '\\');
            running = _stricmp(base ? base + 1 : entry.szExeFile, programName_.c_str()) == 0;
        }
        (void)CloseHandle(snapshot);
    }
    return running || FileExists(path_ + "\\" + kRecordName);
}

void TestDataFolder::ForgetStart() const { (void)DeleteFileA((path_ + "\\" + kRecordName).c_str()); }

std::string UninstallKeyPath(const std::string& productName) {
    return "Software\\Microsoft\\Windows\\CurrentVersion\\Uninstall\\" + productName;
}

RegistryValue ReadUninstallValue(const std::string& productName, const char* name) {
    RegistryValue value;
    HKEY key;
    if (RegOpenKeyExA(HKEY_LOCAL_MACHINE, UninstallKeyPath(productName).c_str(), 0, KEY_QUERY_VALUE, &key) !=
        ERROR_SUCCESS)
        return value;
    char data[4096];
    DWORD size = sizeof data;
    if (RegQueryValueExA(key, name, nullptr, &value.type, reinterpret_cast<BYTE*>(data), &size) == ERROR_SUCCESS) {
        value.found = true;
        value.data.assign(data, size);
    }
    (void)RegCloseKey(key);
    return value;
}

DWORD ReadUninstallNumber(const std::string& productName, const char* name) {
    RegistryValue value = ReadUninstallValue(productName, name);
    DWORD number = 0xFFFFFFFF;
    if (value.found && value.type == REG_DWORD && value.data.size() == sizeof number)
        std::memcpy(&number, value.data.data(), sizeof number);
    return number;
}

bool UninstallKeyExists(const std::string& productName) {
    HKEY key;
    if (RegOpenKeyExA(HKEY_LOCAL_MACHINE, UninstallKeyPath(productName).c_str(), 0, READ_CONTROL, &key) !=
        ERROR_SUCCESS)
        return false;
    (void)RegCloseKey(key);
    return true;
}

bool CreateUninstallKey(const std::string& productName,
                        const std::vector<std::pair<std::string, std::string>>& values) {
    HKEY key;
    if (RegCreateKeyExA(HKEY_LOCAL_MACHINE, UninstallKeyPath(productName).c_str(), 0, nullptr, 0, KEY_ALL_ACCESS,
                        nullptr, &key, nullptr) != ERROR_SUCCESS)
        return false;
    bool ok = true;
    for (const auto& value : values)
        ok = RegSetValueExA(key, value.first.c_str(), 0, REG_SZ, reinterpret_cast<const BYTE*>(value.second.c_str()),
                            static_cast<DWORD>(value.second.size() + 1)) == ERROR_SUCCESS &&
             ok;
    (void)RegCloseKey(key);
    return ok;
}

namespace {
// An access list given as `acl` (null: everyone may do everything).
bool SetKeyAccess(HKEY key, ACL* acl) {
    SECURITY_DESCRIPTOR descriptor;
    return InitializeSecurityDescriptor(&descriptor, SECURITY_DESCRIPTOR_REVISION) &&
           SetSecurityDescriptorDacl(&descriptor, TRUE, acl, FALSE) &&
           RegSetKeySecurity(key, DACL_SECURITY_INFORMATION, &descriptor) == ERROR_SUCCESS;
}
}  // namespace

bool DenyUninstallKey(const std::string& productName) {
    if (!CreateUninstallKey(productName, {})) return false;
    HKEY key;
    if (RegOpenKeyExA(HKEY_LOCAL_MACHINE, UninstallKeyPath(productName).c_str(), 0, WRITE_DAC, &key) != ERROR_SUCCESS)
        return false;
    ACL empty;
    bool ok = InitializeAcl(&empty, sizeof empty, ACL_REVISION) && SetKeyAccess(key, &empty);
    (void)RegCloseKey(key);
    return ok;
}

void RemoveUninstallKey(const std::string& productName) {
    HKEY key;
    // The owner may always change the access list, even of a key it denied itself.
    if (RegOpenKeyExA(HKEY_LOCAL_MACHINE, UninstallKeyPath(productName).c_str(), 0, WRITE_DAC, &key) ==
        ERROR_SUCCESS) {
        (void)SetKeyAccess(key, nullptr);
        (void)RegCloseKey(key);
    }
    (void)RegDeleteKeyA(HKEY_LOCAL_MACHINE, UninstallKeyPath(productName).c_str());
}

namespace {

struct Answerer {
    int answer;
    DWORD processId;
    HANDLE done;
    std::vector<QuestionBox> boxes;
};

DWORD WINAPI AnswerQuestions(void* parameter) {
    Answerer* answerer = static_cast<Answerer*>(parameter);
    // Polls until the action has returned: a question blocks the action, so
    // every question that was asked is on screen while this loop runs.
    while (WaitForSingleObject(answerer->done, 20) == WAIT_TIMEOUT) {
        HWND box = testing_support::WaitForWindow(answerer->processId, nullptr, "#32770", 0);
        if (!box) continue;
        QuestionBox seen;
        seen.title = testing_support::WindowText(box);
        seen.text = testing_support::MessageBoxText(box);
        seen.owner = GetWindow(box, GW_OWNER);
        seen.hasYes = GetDlgItem(box, IDYES) != nullptr;
        seen.hasNo = GetDlgItem(box, IDNO) != nullptr;
        seen.hasOk = GetDlgItem(box, IDOK) != nullptr;
        seen.hasCancel = GetDlgItem(box, IDCANCEL) != nullptr;
        answerer->boxes.push_back(seen);
        testing_support::PressButton(box, answerer->answer);
        (void)testing_support::WaitForWindowGone(box, 10000);
    }
    return 0;
}

}  // namespace

std::vector<QuestionBox> RunAnsweringQuestions(const std::function<void()>& action, int answer) {
    Answerer answerer{answer, GetCurrentProcessId(), CreateEventA(nullptr, TRUE, FALSE, nullptr), {}};
    HANDLE thread = CreateThread(nullptr, 0, AnswerQuestions, &answerer, 0, nullptr);
    action();
    (void)SetEvent(answerer.done);
    if (thread) {
        (void)WaitForSingleObject(thread, INFINITE);
        (void)CloseHandle(thread);
    }
    (void)CloseHandle(answerer.done);
    return answerer.boxes;
}

DebugOutputListener::DebugOutputListener() {
    InitializeCriticalSection(&lock_);
    SetLastError(0);
    mapping_ = CreateFileMappingA(INVALID_HANDLE_VALUE, nullptr, PAGE_READWRITE, 0, 4096, "DBWIN_BUFFER");
    // Another debug viewer already owns the buffer: two listeners would
    // steal each other's lines.
    if (!mapping_ || GetLastError() == ERROR_ALREADY_EXISTS) return;
    view_ = static_cast<const char*>(MapViewOfFile(mapping_, FILE_MAP_READ, 0, 0, 0));
    bufferReady_ = CreateEventA(nullptr, FALSE, FALSE, "DBWIN_BUFFER_READY");
    dataReady_ = CreateEventA(nullptr, FALSE, FALSE, "DBWIN_DATA_READY");
    stop_ = CreateEventA(nullptr, TRUE, FALSE, nullptr);
    changed_ = CreateEventA(nullptr, FALSE, FALSE, nullptr);
    if (!view_ || !bufferReady_ || !dataReady_ || !stop_ || !changed_) return;
    thread_ = CreateThread(nullptr, 0, Run, this, 0, nullptr);
    ok_ = thread_ != nullptr;
}

DebugOutputListener::~DebugOutputListener() {
    if (thread_) {
        (void)SetEvent(stop_);
        (void)WaitForSingleObject(thread_, INFINITE);
        (void)CloseHandle(thread_);
    }
    for (HANDLE handle : {bufferReady_, dataReady_, stop_, changed_})
        if (handle) (void)CloseHandle(handle);
    if (view_) (void)UnmapViewOfFile(view_);
    if (mapping_) (void)CloseHandle(mapping_);
    DeleteCriticalSection(&lock_);
}

DWORD WINAPI DebugOutputListener::Run(void* self) {
    DebugOutputListener* listener = static_cast<DebugOutputListener*>(self);
    HANDLE waits[] = {listener->stop_, listener->dataReady_};
    for (;;) {
        (void)SetEvent(listener->bufferReady_);
        if (WaitForMultipleObjects(2, waits, FALSE, INFINITE) != WAIT_OBJECT_0 + 1) return 0;
        // The buffer: the writer's process id, then its NUL-terminated text.
        DWORD processId;
        std::memcpy(&processId, listener->view_, sizeof processId);
        char text[4096 - sizeof(DWORD) + 1];
        std::memcpy(text, listener->view_ + sizeof processId, sizeof text - 1);
        text[sizeof text - 1] = '\0';
        listener->Record(processId, text);
    }
}

void DebugOutputListener::Record(DWORD processId, const char* text) {
    if (processId != GetCurrentProcessId()) return;
    EnterCriticalSection(&lock_);
    lines_.push_back(text);
    LeaveCriticalSection(&lock_);
    (void)SetEvent(changed_);
}

std::vector<std::string> DebugOutputListener::Drain(int timeoutMs, bool* complete) {
    *complete = false;
    char marker[64];
    std::snprintf(marker, sizeof marker, "varnlet shell test marker %lu", GetTickCount());
    OutputDebugStringA(marker);
    DWORD begin = GetTickCount();
    for (;;) {
        EnterCriticalSection(&lock_);
        std::vector<std::string> before;
        bool found = false;
        for (size_t i = 0; i < lines_.size() && !found; ++i) {
            if (lines_[i] == marker) {
                found = true;
                lines_.erase(lines_.begin(), lines_.begin() + i + 1);
            } else {
                before.push_back(lines_[i]);
            }
        }
        LeaveCriticalSection(&lock_);
        if (found) {
            *complete = true;
            return before;
        }
        int left = timeoutMs - static_cast<int>(GetTickCount() - begin);
        if (left <= 0) return {};
        (void)WaitForSingleObject(changed_, static_cast<DWORD>(left));
    }
}

std::vector<std::string> ListInstalledPrograms(std::string* failure) {
    std::vector<std::string> lines;
    SECURITY_ATTRIBUTES inherit = {sizeof inherit, nullptr, TRUE};
    HANDLE readEnd = nullptr, writeEnd = nullptr;
    if (!CreatePipe(&readEnd, &writeEnd, &inherit, 0)) {
        *failure = "CreatePipe failed";
        return lines;
    }
    (void)SetHandleInformation(readEnd, HANDLE_FLAG_INHERIT, 0);
    STARTUPINFOA startup = {};
    startup.cb = sizeof startup;
    startup.dwFlags = STARTF_USESTDHANDLES;
    startup.hStdOutput = writeEnd;
    startup.hStdError = writeEnd;
    PROCESS_INFORMATION process = {};
    char command[] = "uninstaller.exe --list";
    BOOL started = CreateProcessA(nullptr, command, nullptr, nullptr, TRUE, CREATE_NO_WINDOW, nullptr, nullptr,
                                  &startup, &process);
    (void)CloseHandle(writeEnd);
    if (!started) {
        *failure = "uninstaller.exe could not be started, error " + std::to_string(GetLastError());
        (void)CloseHandle(readEnd);
        return lines;
    }
    std::string output;
    char buffer[4096];
    DWORD got;
    while (ReadFile(readEnd, buffer, sizeof buffer, &got, nullptr) && got > 0) output.append(buffer, got);
    (void)CloseHandle(readEnd);
    if (WaitForSingleObject(process.hProcess, 30000) != WAIT_OBJECT_0) *failure = "uninstaller.exe did not end";
    (void)CloseHandle(process.hThread);
    (void)CloseHandle(process.hProcess);
    std::string line;
    for (char c : output) {
        if (c == '\n') {
            lines.push_back(line);
            line.clear();
        } else if (c != '\r') {
            line += c;
        }
    }
    if (!line.empty()) lines.push_back(line);
    return lines;
}

namespace {
constexpr UINT kChangeMessage = WM_APP + 17;
constexpr char kWatcherClass[] = "VarnletShellTestWatcher";
}  // namespace

MkdirWatcher::MkdirWatcher(const std::string& folder) : folder_(folder) {
    WNDCLASSA windowClass = {};
    windowClass.lpfnWndProc = Procedure;
    windowClass.hInstance = GetModuleHandleA(nullptr);
    windowClass.lpszClassName = kWatcherClass;
    (void)RegisterClassA(&windowClass);  // already registered by an earlier watcher is fine
    window_ = CreateWindowA(kWatcherClass, "", 0, 0, 0, 0, 0, HWND_MESSAGE, nullptr, windowClass.hInstance, nullptr);
    if (!window_) return;
    SetWindowLongPtrA(window_, GWLP_USERDATA, reinterpret_cast<LONG_PTR>(this));
    PIDLIST_ABSOLUTE location = ILCreateFromPathA(folder.c_str());
    if (!location) return;
    SHChangeNotifyEntry entry = {location, TRUE};
    registration_ = SHChangeNotifyRegister(window_, SHCNRF_ShellLevel | SHCNRF_NewDelivery, SHCNE_MKDIR,
                                           kChangeMessage, 1, &entry);
    ILFree(location);
}

MkdirWatcher::~MkdirWatcher() {
    if (registration_) (void)SHChangeNotifyDeregister(registration_);
    if (window_) (void)DestroyWindow(window_);
}

LRESULT CALLBACK MkdirWatcher::Procedure(HWND window, UINT message, WPARAM wParam, LPARAM lParam) {
    if (message != kChangeMessage) return DefWindowProcA(window, message, wParam, lParam);
    MkdirWatcher* watcher = reinterpret_cast<MkdirWatcher*>(GetWindowLongPtrA(window, GWLP_USERDATA));
    PIDLIST_ABSOLUTE* items = nullptr;
    LONG event = 0;
    HANDLE lock = SHChangeNotification_Lock(reinterpret_cast<HANDLE>(wParam), static_cast<DWORD>(lParam), &items,
                                            &event);
    if (!lock) return 0;
    char path[MAX_PATH] = "";
    if (watcher && event == SHCNE_MKDIR && items[0] && SHGetPathFromIDListA(items[0], path))
        watcher->seen_.push_back(path);
    (void)SHChangeNotification_Unlock(lock);
    return 0;
}

std::vector<std::string> MkdirWatcher::Collect(int timeoutMs, bool* complete) {
    *complete = false;
    char sentinel[MAX_PATH + 64];
    std::snprintf(sentinel, sizeof sentinel, "%s\\varnlet watch sentinel %lu", folder_.c_str(), GetTickCount());
    SHChangeNotify(SHCNE_MKDIR, SHCNF_PATHA, sentinel, nullptr);
    DWORD begin = GetTickCount();
    for (;;) {
        MSG message;
        while (PeekMessageA(&message, nullptr, 0, 0, PM_REMOVE)) DispatchMessageA(&message);
        for (size_t i = 0; i < seen_.size(); ++i) {
            if (_stricmp(seen_[i].c_str(), sentinel) == 0) {
                std::vector<std::string> before(seen_.begin(), seen_.begin() + i);
                seen_.erase(seen_.begin(), seen_.begin() + i + 1);
                *complete = true;
                return before;
            }
        }
        int left = timeoutMs - static_cast<int>(GetTickCount() - begin);
        if (left <= 0) return {};
        (void)MsgWaitForMultipleObjects(0, nullptr, FALSE, static_cast<DWORD>(left), QS_ALLINPUT);
    }
}

}  // namespace shell_test
