#include "datafolder/unattended_folder.h"

#include <cstring>

#include "common/globals.h"
#include "common/run_log.h"
#include "datafolder/folder_text.h"
#include "datafolder/path_ops.h"
#include "datafolder/proposal.h"
#include "datafolder/typed_folder.h"

namespace {

const char* RefusalReason(TypedFolderVerdict verdict) {
    switch (verdict) {
    case TypedFolderVerdict::kNotCreated:
        return "it does not exist and cannot be created (does its parent folder exist?)";
    case TypedFolderVerdict::kFile:
        return "it is a file";
    case TypedFolderVerdict::kTooLong:
        return "its path is too long";
    default:
        return "it cannot be used";
    }
}

}  // namespace

UnattendedFolder chooseDataFolderUnattended(const char* commandLineFolder, bool* created) {
    *created = false;
    if (commandLineFolder[0] != '\0') {
        if (!copyText(dataFolder, sizeof dataFolder, commandLineFolder)) return UnattendedFolder::kRefused;
        normalizeSeparators(dataFolder);
        // "D:\Prod\" names D:\Prod, which the checks want without the
        // separator; a drive's root keeps it.
        if (std::strlen(dataFolder) > 3) stripTrailingChar(dataFolder, '\\');
    } else {
        proposeDataFolder(nullptr);
    }
    if (IsWindowsDirectory(dataFolder)) {
        LogLine("Data folder %s refused: it is the Windows directory", dataFolder);
        return UnattendedFolder::kRefused;
    }
    TypedFolderVerdict verdict = CheckTypedFolder(dataFolder);
    if (verdict != TypedFolderVerdict::kOtherFolder && !IsUsable(verdict)) {
        LogLine("Data folder %s refused: %s", dataFolder, RefusalReason(verdict));
        return UnattendedFolder::kRefused;
    }
    *created = verdict == TypedFolderVerdict::kCreated;
    if (enterFolder(dataFolder, 0) != 0) {
        LogLine("Data folder %s cannot be entered", dataFolder);
        return UnattendedFolder::kFailed;
    }
    LogLine("Data folder: %s (%s)", dataFolder, *created ? "created" : "already there");
    return UnattendedFolder::kChosen;
}
