#include "datafolder/data_folder.h"

#include "common/globals.h"
#include "datafolder/folder_dialog.h"
#include "datafolder/folder_text.h"
#include "datafolder/folder_warning.h"
#include "datafolder/path_ops.h"
#include "datafolder/proposal.h"
#include "resources/resource_ids.h"

namespace {

const char kWindowsFolderTitle[] = "Can't Install to Windows Directory";
const char kWindowsFolderText[] =
    "That directory is the Windows directory. It is not safe to install applications in the Windows directory "
    "because it contains other important system files. Please choose another location.";
const char kNoAccessTitle[] = "Couldn't Access Directory";
const char kNoAccessText[] =
    "That directory does not exist and could not be created. Please enter a valid location for a directory on "
    "your system.";
const char kShuttingDownTitle[] = "Shutting Down";
const char kShuttingDownText[] =
    "This program cannot operate without a data folder to store its files in. The program will exit now. Please "
    "determine an appropriate folder name and start the program again later.";

// The file system ignores letter case, and a trailing separator names the
// same folder, so C:\WINDOWS and C:\windows\ are the Windows directory too.
bool isWindowsDirectory(const char* folder) {
    char windowsFolder[kPathBufferBytes];
    UINT length = GetWindowsDirectoryA(windowsFolder, sizeof windowsFolder);
    if (length == 0 || length >= sizeof windowsFolder) return false;
    return isSameFolder(folder, windowsFolder);
}

}  // namespace

int chooseDataFolder(HINSTANCE instance, HWND owner, int alwaysAsk) {
    proposeDataFolder(owner);
    bool firstPass = true;
    for (;;) {
        bool refused = isWindowsDirectory(dataFolder);
        if (refused) showFolderWarning(owner, kWindowsFolderText, kWindowsFolderTitle);
        // The proposal is only entered, never made, before the user has seen
        // it; a folder the user has chosen is made if it is missing.
        if (!alwaysAsk && !refused && enterFolder(dataFolder, firstPass ? 0 : 1) == 0) {
            (void)WritePrivateProfileStringA(kDataFolderIniSection, kDataFolderIniKey, dataFolder,
                                             ProductConfig.iniFileName);
            return 1;
        }
        if (!firstPass && !refused) showFolderWarning(owner, kNoAccessText, kNoAccessTitle);
        firstPass = false;
        // A dialog that cannot even be created (-1) leaves no way to choose a
        // folder; asking again would only fail again, so it ends like Cancel.
        INT_PTR chosen = DialogBoxParamA(instance, MAKEINTRESOURCEA(IDD_FOLDER), owner, folderDialogProc, 0);
        if (chosen <= 0) {
            showFolderWarning(owner, kShuttingDownText, kShuttingDownTitle);
            return 0;
        }
        normalizeSeparators(dataFolder);
        alwaysAsk = 0;
    }
}
