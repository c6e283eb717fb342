#include "datafolder/data_folder.h"

#include "common/globals.h"
#include "datafolder/folder_check.h"
#include "datafolder/folder_dialog.h"
#include "datafolder/folder_verdict_text.h"
#include "datafolder/folder_warning.h"
#include "datafolder/path_ops.h"
#include "datafolder/proposal.h"
#include "resources/resource_ids.h"

namespace {

const char kShuttingDownTitle[] = "Shutting Down";
const char kShuttingDownText[] =
    "This program cannot operate without a data folder to store its files in. The program will exit now. Please "
    "determine an appropriate folder name and start the program again later.";

void warn(HWND owner, FolderVerdict verdict) {
    FolderCheck check;
    check.verdict = verdict;
    char text[kPathBufferBytes];
    (void)FormatFolderVerdict(check, text, sizeof text);
    showFolderWarning(owner, text, FolderVerdictTitle(verdict));
}

}  // namespace

int chooseDataFolder(HINSTANCE instance, HWND owner, int alwaysAsk) {
    proposeDataFolder(owner);
    bool firstPass = true;
    for (;;) {
        // The proposal may come from the ini file: it is checked as a typed
        // folder is (C:\x\..\WINDOWS\ is the Windows directory too).
        bool refused = IsInWindowsDirectory(dataFolder);
        if (refused) warn(owner, FolderVerdict::kWindowsDirectory);
        // The proposal is only entered, never made, before the user has seen
        // it; a folder the user has chosen is made if it is missing.
        if (!alwaysAsk && !refused && enterFolder(dataFolder, firstPass ? 0 : 1) == 0) {
            (void)WritePrivateProfileStringA(kDataFolderIniSection, kDataFolderIniKey, dataFolder,
                                             ProductConfig.iniFileName);
            return 1;
        }
        if (!firstPass && !refused) warn(owner, FolderVerdict::kMissing);
        firstPass = false;
        // A dialog that cannot even be created (-1) leaves no way to choose a
        // folder; asking again would only fail again, so it ends like Cancel.
        // A Unicode dialog keeps what is typed as typed, so characters the
        // code page cannot hold are refused rather than replaced.
        INT_PTR chosen = DialogBoxParamW(instance, MAKEINTRESOURCEW(IDD_FOLDER), owner, folderDialogProc, 0);
        if (chosen <= 0) {
            showFolderWarning(owner, kShuttingDownText, kShuttingDownTitle);
            return 0;
        }
        normalizeSeparators(dataFolder);
        alwaysAsk = 0;
    }
}
