#include "datafolder/typed_folder.h"

#include <windows.h>
#include <direct.h>
#include <sys/stat.h>

#include <cstring>

#include "common/globals.h"
#include "datafolder/folder_text.h"

TypedFolderVerdict CheckTypedFolder(const char* folder) {
    if (std::strlen(folder) > kMaxFolderPathLength) return TypedFolderVerdict::kTooLong;
    struct _stat status;
    if (_stat(folder, &status) != 0) {
        return _mkdir(folder) == 0 ? TypedFolderVerdict::kCreated : TypedFolderVerdict::kNotCreated;
    }
    if ((status.st_mode & _S_IFDIR) == 0) return TypedFolderVerdict::kFile;
    return endsWithFolderName(folder, ProductConfig.folderName) ? TypedFolderVerdict::kProductFolder
                                                                 : TypedFolderVerdict::kOtherFolder;
}

bool IsWindowsDirectory(const char* folder) {
    char windowsFolder[kPathBufferBytes];
    UINT length = GetWindowsDirectoryA(windowsFolder, sizeof windowsFolder);
    if (length == 0 || length >= sizeof windowsFolder) return false;
    return isSameFolder(folder, windowsFolder);
}
