#include "tests/support/test_files.h"

#include <windows.h>

#include <algorithm>
#include <cstdio>
#include <cstring>

namespace testing_support {

namespace {

constexpr int kPollMs = 20;

}  // namespace

std::string JoinPath(const std::string& folder, const std::string& name) {
    if (folder.empty()) return name;
    // The last character, not the last byte: in a double-byte code page the
    // second byte of a character may be 0x5C and is no separator.
    const char* end = folder.c_str() + folder.size();
    const char* last = CharPrevA(folder.c_str(), end);
    if (last == end - 1 && (*last == '\\' || *last == '/')) return folder + name;
    return folder + "\\" + name;
}

std::string WindowsPathOf(const std::string& unixPath) {
    std::string path = "Z:" + unixPath;
    std::replace(path.begin(), path.end(), '/', '\\');
    return path;
}

bool PathExists(const std::string& path) { return GetFileAttributesA(path.c_str()) != INVALID_FILE_ATTRIBUTES; }

bool IsFolder(const std::string& path) {
    DWORD attributes = GetFileAttributesA(path.c_str());
    return attributes != INVALID_FILE_ATTRIBUTES && (attributes & FILE_ATTRIBUTE_DIRECTORY);
}

std::string ProgramFolder() {
    char path[MAX_PATH];
    DWORD length = GetModuleFileNameA(nullptr, path, sizeof path);
    std::string folder(path, length < sizeof path ? length : 0);
    return folder.substr(0, folder.find_last_of('\\'));
}

bool ReadWholeFile(const std::string& path, std::string* bytes) {
    bytes->clear();
    FILE* file = std::fopen(path.c_str(), "rb");
    if (!file) return false;
    char buffer[65536];
    size_t got;
    while ((got = std::fread(buffer, 1, sizeof buffer, file)) > 0) bytes->append(buffer, got);
    bool ok = !std::ferror(file);
    std::fclose(file);
    return ok;
}

bool WriteWholeFile(const std::string& path, const std::string& bytes) {
    FILE* file = std::fopen(path.c_str(), "wb");
    if (!file) return false;
    bool ok = std::fwrite(bytes.data(), 1, bytes.size(), file) == bytes.size();
    return std::fclose(file) == 0 && ok;
}

std::vector<std::string> FolderEntries(const std::string& folder) {
    std::vector<std::string> names;
    WIN32_FIND_DATAA found;
    HANDLE search = FindFirstFileA(JoinPath(folder, "*").c_str(), &found);
    if (search == INVALID_HANDLE_VALUE) return names;
    do {
        if (std::strcmp(found.cFileName, ".") != 0 && std::strcmp(found.cFileName, "..") != 0)
            names.emplace_back(found.cFileName);
    } while (FindNextFileA(search, &found));
    FindClose(search);
    std::sort(names.begin(), names.end());
    return names;
}

bool CreateFolders(const std::string& path) {
    for (size_t i = 3; i <= path.size(); ++i) {
        if (i != path.size() && path[i] != '\\') continue;
        std::string prefix = path.substr(0, i);
        if (!CreateDirectoryA(prefix.c_str(), nullptr) && !IsFolder(prefix)) return false;
    }
    return true;
}

bool RemoveTree(const std::string& path) {
    DWORD attributes = GetFileAttributesA(path.c_str());
    if (attributes == INVALID_FILE_ATTRIBUTES) return true;
    (void)SetFileAttributesA(path.c_str(), FILE_ATTRIBUTE_NORMAL);
    if (!(attributes & FILE_ATTRIBUTE_DIRECTORY)) return DeleteFileA(path.c_str()) != 0;
    for (const std::string& name : FolderEntries(path)) (void)RemoveTree(JoinPath(path, name));
    return RemoveDirectoryA(path.c_str()) != 0;
}

bool RemoveTreeWithin(const std::string& path, int timeoutMs) {
    DWORD start = GetTickCount();
    while (!RemoveTree(path)) {
        if (static_cast<int>(GetTickCount() - start) >= timeoutMs) return false;
        Sleep(kPollMs);
    }
    return true;
}

}  // namespace testing_support
