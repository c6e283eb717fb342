#include "tests/payload/payload_test_support.h"

#include <direct.h>
#include <sys/stat.h>
#include <sys/utime.h>

#include <cstdio>

namespace payload_test {

ScratchFolder::ScratchFolder(const char* root) {
    char current[MAX_PATH];
    if (_getcwd(current, sizeof current)) previous_ = current;
    std::string base = root ? root : "";
    if (base.empty()) {
        char temp[MAX_PATH];
        DWORD length = GetTempPathA(sizeof temp, temp);
        if (length == 0 || length >= sizeof temp) return;
        base = temp;
    }
    if (base.back() != '\\') base += '\\';
    static unsigned counter = 0;
    for (int attempt = 0; attempt < 100; ++attempt) {
        char name[64];
        std::snprintf(name, sizeof name, "varnlet-payload-%lu-%u", GetCurrentProcessId(), ++counter);
        std::string candidate = base + name;
        if (CreateDirectoryA(candidate.c_str(), nullptr)) {
            path_ = candidate;
            break;
        }
    }
    if (!path_.empty() && _chdir(path_.c_str()) != 0) path_.clear();
}

ScratchFolder::~ScratchFolder() {
    if (!previous_.empty()) (void)_chdir(previous_.c_str());
    if (!path_.empty()) RemoveTree(path_);
}

std::string MakeFolderBeside(const std::string& folder, const char* suffix) {
    std::string beside = folder + "-" + suffix;
    return CreateDirectoryA(beside.c_str(), nullptr) ? beside : std::string();
}

bool ReadWholeFile(const std::string& path, std::vector<unsigned char>& bytes) {
    std::string read;
    bool ok = testing_support::ReadWholeFile(path, &read);
    bytes.assign(read.begin(), read.end());
    return ok;
}

std::string ReadText(const std::string& path) {
    std::vector<unsigned char> bytes;
    if (!ReadWholeFile(path, bytes)) return "<missing>";
    return std::string(bytes.begin(), bytes.end());
}

bool WriteText(const std::string& path, const std::string& text) { return WriteWholeFile(path, text); }

bool FileTimes(const std::string& path, int64_t& accessTime, int64_t& modificationTime) {
    struct _stat64 status;
    if (_stat64(path.c_str(), &status) != 0) return false;
    accessTime = status.st_atime;
    modificationTime = status.st_mtime;
    return true;
}

bool SetFileTimes(const std::string& path, int64_t seconds) {
    struct __utimbuf64 times;
    times.actime = seconds;
    times.modtime = seconds;
    return _utime64(path.c_str(), &times) == 0;
}

bool SetReadOnly(const std::string& path, bool readOnly) {
    return SetFileAttributesA(path.c_str(), readOnly ? FILE_ATTRIBUTE_READONLY : FILE_ATTRIBUTE_NORMAL) != 0;
}

LockedFile::LockedFile(const std::string& path)
    : handle_(CreateFileA(path.c_str(), GENERIC_READ, 0, nullptr, OPEN_EXISTING, FILE_ATTRIBUTE_NORMAL, nullptr)) {}

LockedFile::~LockedFile() {
    if (handle_ != INVALID_HANDLE_VALUE) CloseHandle(handle_);
}

const char* BlockingName(Blocking blocking) { return blocking == Blocking::kLocked ? "locked" : "read-only"; }

BlockedFile::BlockedFile(const std::string& path, Blocking blocking) : path_(path), blocking_(blocking) {
    if (blocking == Blocking::kLocked) {
        lock_ = new LockedFile(path);
        usable_ = lock_->locked();
        return;
    }
    if (!SetReadOnly(path, true)) return;
    FILE* probe = std::fopen(path.c_str(), "ab");
    usable_ = probe == nullptr;
    if (probe) std::fclose(probe);
}

BlockedFile::~BlockedFile() {
    delete lock_;
    if (blocking_ == Blocking::kReadOnly) (void)SetReadOnly(path_, false);
}

std::vector<unsigned char> ReadHostFile(const char* unixPath) {
    std::vector<unsigned char> bytes;
    (void)ReadWholeFile(WindowsPathOf(unixPath), bytes);
    return bytes;
}

int RecordCall(HWND window, const char* text, int percent) {
    RecordedCalls().push_back(CallbackCall{window, text, percent});
    return 1;
}

std::vector<CallbackCall>& RecordedCalls() {
    static std::vector<CallbackCall> calls;
    return calls;
}

std::string DescribeCalls(const std::vector<CallbackCall>& calls) {
    std::string out;
    for (const CallbackCall& call : calls) {
        char line[400];
        std::snprintf(line, sizeof line, "  (%p, \"%s\", %d)\n", static_cast<void*>(call.window), call.text.c_str(),
                      call.percent);
        out += line;
    }
    return out;
}

}  // namespace payload_test
