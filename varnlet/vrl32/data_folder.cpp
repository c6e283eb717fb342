#include "varnlet/vrl32/data_folder.h"

#include <windows.h>

#include <cstdio>

#include "product/payload_names.h"

namespace varnlet {

bool ReadDataFolder(char* folder, size_t folderSize, char* message, size_t messageSize) {
    // A bare file name: the profile functions look for it in the Windows
    // directory, where the installer wrote it.
    DWORD length = GetPrivateProfileStringA("Options", "dataDir", "", folder, static_cast<DWORD>(folderSize),
                                            payloadIniFileName);
    int written = 0;
    if (length == 0) {
        written = std::snprintf(message, messageSize,
                                "%s cannot find the folder that holds its pictures and help page.\r\n\r\n"
                                "The entry \"dataDir\" in section [Options] of %s in the Windows folder is "
                                "missing or empty. Installing %s again puts it back.",
                                payloadProductName, payloadIniFileName, payloadProductName);
    } else if (length >= folderSize - 1) {
        // The profile functions cut a value that does not fit; a cut path
        // would name some other folder.
        written = std::snprintf(message, messageSize,
                                "The entry \"dataDir\" in section [Options] of %s is longer than %u "
                                "characters, so %s cannot use it.",
                                payloadIniFileName, static_cast<unsigned>(folderSize - 2), payloadProductName);
    } else {
        DWORD attributes = GetFileAttributesA(folder);
        if (attributes != INVALID_FILE_ATTRIBUTES && (attributes & FILE_ATTRIBUTE_DIRECTORY)) return true;
        written = std::snprintf(message, messageSize,
                                "%s's data folder \"%s\" (the entry \"dataDir\" in %s) does not exist.\r\n\r\n"
                                "Installing %s again puts its files back.",
                                payloadProductName, folder, payloadIniFileName, payloadProductName);
    }
    // The messages are far shorter than any buffer they are made for; an
    // overlong folder name is the only thing that could make one not fit.
    if (written < 0 || static_cast<size_t>(written) >= messageSize) {
        (void)std::snprintf(message, messageSize, "%s cannot read its data folder from %s.", payloadProductName,
                            payloadIniFileName);
    }
    return false;
}

}  // namespace varnlet
