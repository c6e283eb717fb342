#include "payload/folder_chain.h"

#include <cstring>

#include "common/link_guard.h"

namespace {

// The folder entered first has the current folder (the data folder, which
// the user chose and this run trusts) as its parent.
constexpr size_t kNoParent = static_cast<size_t>(-1);

bool IsSeparator(char c) { return c == '/' || c == '\\'; }

bool SameCharacter(char a, char b) { return a == b || (IsSeparator(a) && IsSeparator(b)); }

// FILE_READ_ATTRIBUTES takes no part in sharing: others still read, write
// and create inside the folder; only deleting or renaming the folder itself
// is refused while it is held. A link is opened as itself, not followed.
HANDLE OpenHeld(const char* folder) {
    return CreateFileA(folder, FILE_READ_ATTRIBUTES, FILE_SHARE_READ | FILE_SHARE_WRITE, nullptr, OPEN_EXISTING,
                       FILE_FLAG_BACKUP_SEMANTICS | FILE_FLAG_OPEN_REPARSE_POINT, nullptr);
}

}  // namespace

bool FolderChain::Enter(const char* path) {
    size_t length = std::strlen(path);
    if (length >= sizeof path_) return false;
    // The folders this path shares with the one entered last stay held, and
    // are neither looked up nor checked again.
    size_t same = 0;
    while (same < length && path_[same] != '\0' && SameCharacter(path_[same], path[same])) ++same;
    int keep = 0;
    while (keep < depth_ && levels_[keep].end < same) ++keep;
    LetGoFrom(keep);
    std::memcpy(path_, path, length + 1);

    size_t parentEnd = keep > 0 ? levels_[keep - 1].end : kNoParent;
    for (size_t i = keep > 0 ? levels_[keep - 1].end + 1 : 0; path_[i] != '\0'; ++i) {
        // The second byte of a double-byte character may look like "\".
        if (IsDBCSLeadByte(static_cast<BYTE>(path_[i])) && path_[i + 1] != '\0') {
            ++i;
            continue;
        }
        if (!IsSeparator(path_[i])) continue;
        // A drive ("C:") is no folder to make, and an empty component (a
        // doubled separator) names a folder already handled.
        if (i == 0 || IsSeparator(path_[i - 1]) || (i == 2 && path_[1] == ':')) continue;
        if (depth_ >= kMaxLevels || !HoldFolder(parentEnd, i)) return false;
        parentEnd = i;
    }
    return true;
}

void FolderChain::LetGoFrom(int level) {
    while (depth_ > level) (void)CloseHandle(levels_[--depth_].folder);
}

// Holds the folder path_[0, end), making it when nothing is there; the
// folder must be a plain one below the held folder path_[0, parentEnd).
bool FolderChain::HoldFolder(size_t parentEnd, size_t end) {
    char separator = path_[end];
    path_[end] = '\0';
    HANDLE folder = OpenHeld(path_);
    if (folder == INVALID_HANDLE_VALUE) {
        DWORD error = GetLastError();
        if ((error == ERROR_FILE_NOT_FOUND || error == ERROR_PATH_NOT_FOUND) && CreateDirectoryA(path_, nullptr))
            folder = OpenHeld(path_);
    }
    bool plainFolder = false;
    if (folder != INVALID_HANDLE_VALUE) {
        // Checked only once held: what the check sees stays in place for as
        // long as files go into it.
        bool crosses;
        if (parentEnd == kNoParent) {
            crosses = PathCrossesLink(nullptr, path_);
        } else {
            char parentSeparator = path_[parentEnd];
            path_[parentEnd] = '\0';
            crosses = PathCrossesLink(path_, path_ + parentEnd + 1);
            path_[parentEnd] = parentSeparator;
        }
        BY_HANDLE_FILE_INFORMATION information;
        plainFolder = !crosses && GetFileInformationByHandle(folder, &information) &&
                      (information.dwFileAttributes & FILE_ATTRIBUTE_DIRECTORY) != 0;
    }
    path_[end] = separator;
    if (!plainFolder) {
        if (folder != INVALID_HANDLE_VALUE) (void)CloseHandle(folder);
        return false;
    }
    levels_[depth_++] = Level{end, folder};
    return true;
}
