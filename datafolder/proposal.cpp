#include "datafolder/proposal.h"

#include <shlobj.h>

#include <cstdio>
#include <cstdlib>

#include "common/bounded_format.h"
#include "common/globals.h"
#include "common/scoped.h"
#include "datafolder/data_folder.h"
#include "datafolder/folder_text.h"
#include "datafolder/path_ops.h"

namespace {

typedef HRESULT(WINAPI* GetFolderPathFunction)(HWND, int, HANDLE, DWORD, LPSTR);

// shfolder.dll is not on every system, so it is looked up at run time. It is
// loaded by its full path in the system folder: by bare name the loader would
// look first in the installer's own folder, and an installer started from a
// downloads folder would run whatever shfolder.dll was planted beside it.
// The altered search path makes its own imports come from there as well.
// Unlike the libraries of SystemFunction it is freed after this one query,
// so later queries in the process see the system as it is then.
bool queryProgramFiles(HWND owner, char* folder, size_t folderSize) {
    if (folderSize < MAX_PATH) return false;
    char systemFolder[MAX_PATH];
    UINT length = GetSystemDirectoryA(systemFolder, sizeof systemFolder);
    if (length == 0 || length >= sizeof systemFolder) return false;
    char libraryPath[MAX_PATH];
    if (!FormatBounded(libraryPath, sizeof libraryPath, "%s\\shfolder.dll", systemFolder)) return false;

    ScopedLibrary library(LoadLibraryExA(libraryPath, nullptr, LOAD_WITH_ALTERED_SEARCH_PATH));
    if (!library.Get()) return false;
    GetFolderPathFunction getFolderPath =
        reinterpret_cast<GetFolderPathFunction>(GetProcAddress(library.Get(), "SHGetFolderPathA"));
    if (!getFolderPath) return false;
    folder[0] = '\0';
    return SUCCEEDED(getFolderPath(owner, CSIDL_PROGRAM_FILES, nullptr, SHGFP_TYPE_CURRENT, folder));
}

// Without the shell's answer: C:\Program Files\<folderName> if it is already
// there, else a folder in the user's home. When the home folder's path does
// not fit, the Program Files guess stays as the proposal.
void proposeWithoutShell() {
    char guess[kPathBufferBytes];
    bool guessFits = FormatBounded(guess, sizeof guess, "C:\\Program Files\\%s", ProductConfig.folderName);
    if (guessFits) {
        (void)copyText(dataFolder, sizeof dataFolder, guess);
        if (enterFolder(dataFolder, 0) == 0) return;
    }
    char home[kPathBufferBytes];
    if (formatHomeProposal(std::getenv("HOMEDRIVE"), std::getenv("HOMEPATH"), ProductConfig.folderName, home,
                           sizeof home)) {
        (void)copyText(dataFolder, sizeof dataFolder, home);
    } else if (!guessFits) {
        dataFolder[0] = '\0';
    }
}

// A value recorded by an earlier run replaces the proposal. One byte more than
// dataFolder holds tells a value that fits from one that would be cut; a value
// too long for dataFolder is not a folder this installer can use, so the
// proposal stays.
void applyRecordedFolder() {
    char recorded[kPathBufferBytes + 1];
    DWORD length = GetPrivateProfileStringA(kDataFolderIniSection, kDataFolderIniKey, dataFolder, recorded,
                                            sizeof recorded, ProductConfig.iniFileName);
    if (length < kPathBufferBytes) (void)copyText(dataFolder, sizeof dataFolder, recorded);
}

}  // namespace

void proposeDataFolder(HWND owner) {
    char programFiles[MAX_PATH];
    bool proposed = queryProgramFiles(owner, programFiles, sizeof programFiles) &&
                    formatProgramFilesProposal(programFiles, ProductConfig.folderName, dataFolder, sizeof dataFolder);
    if (!proposed) proposeWithoutShell();
    applyRecordedFolder();
    normalizeSeparators(dataFolder);
}
