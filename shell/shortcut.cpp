// Places a shortcut in a sub-folder of the Start-menu Programs folder or in
// the Startup folder.
#include "shell/shortcut.h"

#include <direct.h>
#include <sys/stat.h>

#include <shlobj.h>

#include "common/scoped.h"
#include "common/system_calls.h"
#include "shell/shortcut_paths.h"

namespace {

// The file-system path of a special folder of the current user. `base` must
// hold MAX_PATH bytes.
bool LocateShellFolder(int csidl, char* base) {
    static_assert(kShortcutPathBytes >= MAX_PATH, "a shell folder path fits the base buffer");
    ScopedItemIdList location;
    if (FAILED(sys::SHGetSpecialFolderLocation(nullptr, csidl, location.Receive()))) return false;
    return sys::SHGetPathFromIDListA(location.Get(), base) != FALSE;
}

// Only one level is created: a folder name that reaches through a missing
// folder fails rather than building a whole tree in the Start menu.
bool EnsureProgramsSubfolder(const char* folderPath) {
    struct _stat existing;
    if (_stat(folderPath, &existing) == 0) return true;
    if (_mkdir(folderPath) != 0) return false;
    // Open Start menus pick up the new folder from this notification.
    sys::SHChangeNotify(SHCNE_MKDIR, SHCNF_PATHA, folderPath, nullptr);
    return true;
}

}  // namespace

int CreateShortcut(const char* folderName, const char* linkName, const char* targetPath, const char* workingFolder,
                   const char* arguments) {
    const bool startup = folderName == nullptr;
    char base[kShortcutPathBytes];
    if (!LocateShellFolder(startup ? CSIDL_STARTUP : CSIDL_PROGRAMS, base)) return -1;

    // Both paths are formed before anything is created, so a name that is too
    // long leaves no empty folder behind.
    char folderPath[kShortcutPathBytes];
    char linkPath[kShortcutPathBytes];
    if (!startup && !FormatShortcutFolderPath(folderPath, sizeof folderPath, base, folderName)) return -1;
    if (!FormatLinkPath(linkPath, sizeof linkPath, base, folderName, linkName)) return -1;
    if (!startup && !EnsureProgramsSubfolder(folderPath)) return -1;

    // Saving replaces a link of the same name from an earlier installation.
    HRESULT status = SaveShellLink(targetPath, linkPath, linkName, workingFolder, startup, arguments);
    return FAILED(status) ? -1 : 0;
}
