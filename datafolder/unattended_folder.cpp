#include "datafolder/unattended_folder.h"

#include "common/globals.h"
#include "common/run_log.h"
#include "datafolder/folder_check.h"
#include "datafolder/folder_text.h"
#include "datafolder/folder_verdict_text.h"
#include "datafolder/path_ops.h"
#include "datafolder/proposal.h"

UnattendedFolder chooseDataFolderUnattended(const char* commandLineFolder, bool* created) {
    *created = false;
    const char* typed = commandLineFolder;
    if (typed[0] == '\0') {
        proposeDataFolder(nullptr);
        typed = dataFolder;
    }
    FolderCheck check;
    CheckChosenFolder(typed, true, &check);
    if (check.verdict != FolderVerdict::kCreated && check.verdict != FolderVerdict::kProductFolder &&
        check.verdict != FolderVerdict::kOtherFolder) {
        // What the folder dialog would have said about it.
        char reason[kPathBufferBytes];
        if (!FormatFolderVerdict(check, reason, sizeof reason)) reason[0] = '\0';
        LogLine("Data folder %s refused: %s %s", typed, FolderVerdictTitle(check.verdict), reason);
        return UnattendedFolder::kRefused;
    }
    *created = check.verdict == FolderVerdict::kCreated;
    if (!copyText(dataFolder, sizeof dataFolder, check.folder) || enterFolder(dataFolder, 0) != 0) {
        LogLine("Data folder %s cannot be entered", check.folder);
        return UnattendedFolder::kFailed;
    }
    LogLine("Data folder: %s (%s)", dataFolder, *created ? "created" : "already there");
    return UnattendedFolder::kChosen;
}
