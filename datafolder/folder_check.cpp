#include "datafolder/folder_check.h"

#include <windows.h>
#include <direct.h>
#include <sys/stat.h>

#include <cstring>
#include <cwchar>

#include "common/globals.h"
#include "common/paths.h"
#include "datafolder/folder_text.h"
#include "datafolder/path_ops.h"

namespace {

bool isDriveRoot(const char* folder) { return folder[0] != '\0' && folder[1] == ':' && IsSeparator(folder[2]) && folder[3] == '\0'; }

// The folder as the file system will resolve it: absolute, with ".", ".."
// and doubled separators resolved (a UNC prefix keeps its pair), and no
// trailing separator except at a drive's root. False when it does not fit
// `out`; `tooLong` tells that case from text the system cannot resolve.
bool normaliseFolder(const char* typed, char* out, size_t outSize, bool* tooLong) {
    *tooLong = false;
    DWORD length = GetFullPathNameA(typed, static_cast<DWORD>(outSize), out, nullptr);
    if (length == 0 || length >= outSize) {
        *tooLong = length >= outSize;
        out[0] = '\0';
        return false;
    }
    normalizeSeparators(out);
    if (!isDriveRoot(out)) stripTrailingChar(out, '\\');
    return true;
}

// Converts one character (one or two UTF-16 units) without best-fit
// mapping; false when the code page has no exact form for it.
bool codePageHolds(const wchar_t* character, int units) {
    char bytes[8];
    BOOL usedDefault = FALSE;
    int written =
        WideCharToMultiByte(CP_ACP, WC_NO_BEST_FIT_CHARS, character, units, bytes, sizeof bytes, nullptr, &usedDefault);
    return written > 0 && !usedDefault;
}

bool alreadyListed(const wchar_t* list, const wchar_t* character, int units) {
    for (const wchar_t* p = list; *p; ++p) {
        if (std::wcsncmp(p, character, static_cast<size_t>(units)) == 0) return true;
    }
    return false;
}

// Lists in `unusable` each character of `typed` that the code page cannot
// hold, once, up to kMaxUnusableCharacters of them.
void listUnusableCharacters(const wchar_t* typed, wchar_t* unusable, size_t unusableSize) {
    size_t used = 0;
    size_t count = 0;
    unusable[0] = L'\0';
    for (const wchar_t* p = typed; *p && count < kMaxUnusableCharacters;) {
        int units = (p[0] >= 0xD800 && p[0] <= 0xDBFF && p[1] >= 0xDC00 && p[1] <= 0xDFFF) ? 2 : 1;
        if (!codePageHolds(p, units) && !alreadyListed(unusable, p, units) && used + units < unusableSize) {
            std::wmemcpy(unusable + used, p, static_cast<size_t>(units));
            used += static_cast<size_t>(units);
            unusable[used] = L'\0';
            ++count;
        }
        p += units;
    }
}

}  // namespace

void CheckChosenFolderW(const wchar_t* typed, bool create, FolderCheck* check) {
    *check = FolderCheck();
    char narrow[kPathBufferBytes];
    // A system whose ANSI code page is UTF-8 holds every character, and
    // refuses the used-default flag for that code page.
    bool utf8 = GetACP() == CP_UTF8;
    BOOL usedDefault = FALSE;
    int written = WideCharToMultiByte(CP_ACP, utf8 ? 0 : WC_NO_BEST_FIT_CHARS, typed, -1, narrow, sizeof narrow,
                                      nullptr, utf8 ? nullptr : &usedDefault);
    if (written == 0) {
        check->verdict = GetLastError() == ERROR_INSUFFICIENT_BUFFER ? FolderVerdict::kTooLong
                                                                     : FolderVerdict::kUnusableCharacters;
        if (check->verdict == FolderVerdict::kUnusableCharacters)
            listUnusableCharacters(typed, check->unusable, sizeof check->unusable / sizeof check->unusable[0]);
        return;
    }
    if (usedDefault) {
        check->verdict = FolderVerdict::kUnusableCharacters;
        listUnusableCharacters(typed, check->unusable, sizeof check->unusable / sizeof check->unusable[0]);
        return;
    }
    CheckChosenFolder(narrow, create, check);
}

void CheckChosenFolder(const char* typed, bool create, FolderCheck* check) {
    *check = FolderCheck();
    // Before the text is resolved: resolving drops a trailing blank or dot,
    // which is exactly what must not happen silently.
    if (findBadComponentEnding(typed, check->component, sizeof check->component)) {
        check->verdict = FolderVerdict::kBadEnding;
        return;
    }
    bool tooLong = false;
    if (!normaliseFolder(typed, check->folder, sizeof check->folder, &tooLong)) {
        check->verdict = tooLong ? FolderVerdict::kTooLong : FolderVerdict::kNotCreated;
        return;
    }
    if (std::strlen(check->folder) > kMaxFolderPathLength) {
        check->verdict = FolderVerdict::kTooLong;
        return;
    }
    if (IsInWindowsDirectory(check->folder)) {
        check->verdict = FolderVerdict::kWindowsDirectory;
        return;
    }
    struct _stat status;
    if (_stat(check->folder, &status) != 0) {
        if (!create)
            check->verdict = FolderVerdict::kMissing;
        else
            check->verdict = _mkdir(check->folder) == 0 ? FolderVerdict::kCreated : FolderVerdict::kNotCreated;
        return;
    }
    if ((status.st_mode & _S_IFDIR) == 0) {
        check->verdict = FolderVerdict::kFile;
        return;
    }
    check->verdict = endsWithFolderName(check->folder, ProductConfig.folderName) ? FolderVerdict::kProductFolder
                                                                                : FolderVerdict::kOtherFolder;
}

bool IsInWindowsDirectory(const char* folder) {
    char windowsFolder[kPathBufferBytes];
    UINT length = GetWindowsDirectoryA(windowsFolder, sizeof windowsFolder);
    if (length == 0 || length >= sizeof windowsFolder) return false;
    char normalWindows[kPathBufferBytes];
    char normalFolder[kPathBufferBytes];
    bool tooLong = false;
    if (!normaliseFolder(windowsFolder, normalWindows, sizeof normalWindows, &tooLong)) return false;
    // A folder the system cannot resolve is refused by the caller's other
    // checks; only a resolved one can be compared.
    if (!normaliseFolder(folder, normalFolder, sizeof normalFolder, &tooLong)) return false;
    return isFolderOrInside(normalFolder, normalWindows);
}
