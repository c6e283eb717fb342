#include "varnlet/rtuninst/file_ops.h"

#include <shlobj.h>

#include <cstdio>
#include <cstring>

#include "common/system_calls.h"

namespace varnlet {

void DescribeError(DWORD error, char* out, size_t outSize) {
    DWORD length = FormatMessageA(FORMAT_MESSAGE_FROM_SYSTEM | FORMAT_MESSAGE_IGNORE_INSERTS, nullptr, error, 0, out,
                                  static_cast<DWORD>(outSize), nullptr);
    while (length > 0 && (out[length - 1] == '\r' || out[length - 1] == '\n' || out[length - 1] == ' ' ||
                          out[length - 1] == '.')) {
        out[--length] = '\0';
    }
    if (length == 0 && std::snprintf(out, outSize, "error %lu", static_cast<unsigned long>(error)) < 0) out[0] = '\0';
}

bool PathExists(const char* path) { return GetFileAttributesA(path) != INVALID_FILE_ATTRIBUTES; }

bool FolderIsEmpty(const char* folder, const char* ignoredName) {
    char pattern[kPathBytes];
    if (!JoinPath(pattern, sizeof pattern, folder, "*")) return false;
    WIN32_FIND_DATAA found;
    HANDLE search = FindFirstFileA(pattern, &found);
    if (search == INVALID_HANDLE_VALUE) return false;
    bool empty = true;
    do {
        const char* name = found.cFileName;
        if (std::strcmp(name, ".") == 0 || std::strcmp(name, "..") == 0) continue;
        if (ignoredName && lstrcmpiA(name, ignoredName) == 0) continue;
        empty = false;
    } while (empty && FindNextFileA(search, &found));
    FindClose(search);
    return empty;
}

void DeleteFileReporting(const char* path, RemovalReport* report) {
    if (DeleteFileA(path)) {
        sys::SHChangeNotify(SHCNE_DELETE, SHCNF_PATHA, path, nullptr);
        return;
    }
    DWORD error = GetLastError();
    if (error == ERROR_FILE_NOT_FOUND || error == ERROR_PATH_NOT_FOUND) return;
    DWORD attributes = GetFileAttributesA(path);
    if (error == ERROR_ACCESS_DENIED && attributes != INVALID_FILE_ATTRIBUTES &&
        (attributes & FILE_ATTRIBUTE_READONLY) && SetFileAttributesA(path, attributes & ~FILE_ATTRIBUTE_READONLY)) {
        if (DeleteFileA(path)) {
            sys::SHChangeNotify(SHCNE_DELETE, SHCNF_PATHA, path, nullptr);
            return;
        }
        error = GetLastError();
    }
    char reason[256];
    DescribeError(error, reason, sizeof reason);
    report->AddFailure(path, reason);
}

bool RemoveFolderIfEmpty(const char* folder, RemovalReport* report, ShellNotice notice) {
    if (!PathExists(folder)) return true;
    if (!FolderIsEmpty(folder, nullptr)) return false;
    if (RemoveDirectoryA(folder)) {
        if (notice == ShellNotice::kSend) sys::SHChangeNotify(SHCNE_RMDIR, SHCNF_PATHA, folder, nullptr);
        return true;
    }
    char reason[256];
    DescribeError(GetLastError(), reason, sizeof reason);
    report->AddFailure(folder, reason);
    return false;
}

}  // namespace varnlet
