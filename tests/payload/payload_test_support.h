// Shared by the extraction tests under Wine: a scratch folder that becomes
// the current folder (extraction writes relative to it), file helpers, and a
// recorder for the progress callback.
#pragma once

#include <windows.h>

#include <cstdint>
#include <string>
#include <vector>

#include "tests/support/folder_links.h"
#include "tests/support/test_files.h"

namespace payload_test {

// A new empty folder below `root` (default: the Windows temp folder), made the
// current folder; on destruction the previous current folder comes back and
// the scratch folder is deleted with everything in it. path() is empty when
// it could not be made.
class ScratchFolder {
public:
    explicit ScratchFolder(const char* root = nullptr);
    ~ScratchFolder();
    ScratchFolder(const ScratchFolder&) = delete;
    ScratchFolder& operator=(const ScratchFolder&) = delete;
    const std::string& path() const { return path_; }
    std::string File(const std::string& name) const { return path_ + "\\" + name; }

private:
    std::string path_;
    std::string previous_;
};

using testing_support::FolderEntries;
using testing_support::PathExists;
using testing_support::RemoveTree;
using testing_support::WindowsPathOf;
using testing_support::WriteWholeFile;
bool ReadWholeFile(const std::string& path, std::vector<unsigned char>& bytes);
std::string ReadText(const std::string& path);  // "<missing>" when it cannot be read
bool WriteText(const std::string& path, const std::string& text);
// Access and modification time in seconds since 1970; false when the file
// cannot be looked at.
bool FileTimes(const std::string& path, int64_t& accessTime, int64_t& modificationTime);
bool SetFileTimes(const std::string& path, int64_t seconds);
bool SetReadOnly(const std::string& path, bool readOnly);

// Holds a file open without sharing, so that no one else can open it: what a
// running program does to its own files.
class LockedFile {
public:
    explicit LockedFile(const std::string& path);
    ~LockedFile();
    LockedFile(const LockedFile&) = delete;
    LockedFile& operator=(const LockedFile&) = delete;
    bool locked() const { return handle_ != INVALID_HANDLE_VALUE; }

private:
    HANDLE handle_;
};

// How a test makes an existing file impossible to open for writing.
enum class Blocking { kLocked, kReadOnly };
const char* BlockingName(Blocking blocking);
// Applies `blocking` to the existing file at `path` for the object's life.
// For kReadOnly, usable() is false where the platform lets this process
// write read-only files anyway (Wine run as root does).
class BlockedFile {
public:
    BlockedFile(const std::string& path, Blocking blocking);
    ~BlockedFile();
    bool usable() const { return usable_; }

private:
    std::string path_;
    Blocking blocking_;
    LockedFile* lock_ = nullptr;
    bool usable_ = false;
};

// Reads a file of the build host through Wine's Z: drive.
std::vector<unsigned char> ReadHostFile(const char* unixPath);

// A new empty folder beside `folder`, its name ending in `suffix`; "" when
// it cannot be made.
std::string MakeFolderBeside(const std::string& folder, const char* suffix);
using testing_support::FolderLinksAvailable;
using testing_support::PlantFolderLink;
using testing_support::RemoveFolderLink;

struct CallbackCall {
    HWND window;
    std::string text;
    int percent;
};
// The progress callback that tests hand to extraction and removal: it keeps
// every call in calls(), in order.
int RecordCall(HWND window, const char* text, int percent);
std::vector<CallbackCall>& RecordedCalls();
std::string DescribeCalls(const std::vector<CallbackCall>& calls);

}  // namespace payload_test
