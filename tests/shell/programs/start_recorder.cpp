// Stands in for the product's main executable: records how it was started
// (its exact command line, its current folder and the show command it was
// given) in "started.txt" beside itself, then exits. Tests wait for that file to learn that the program ran.
#include <windows.h>

#include <cstdio>
#include <cstring>

namespace {

bool FolderOfSelf(char* folder, size_t size) {
    DWORD length = GetModuleFileNameA(nullptr, folder, static_cast<DWORD>(size));
    if (length == 0 || length >= size) return false;
    char* slash = std::strrchr(folder, '\\');
    if (!slash) return false;
    *slash = '\0';
    return true;
}

// One NUL-terminated field of the record.
bool WriteField(FILE* file, const char* text) {
    size_t size = std::strlen(text) + 1;
    return std::fwrite(text, 1, size, file) == size;
}

}  // namespace

int WINAPI WinMain(HINSTANCE, HINSTANCE, LPSTR, int) {
    char folder[MAX_PATH];
    char partial[MAX_PATH + 32];
    char record[MAX_PATH + 32];
    char currentFolder[MAX_PATH];
    if (!FolderOfSelf(folder, sizeof folder)) return 1;
    int partialLength = std::snprintf(partial, sizeof partial, "%s\\started.tmp", folder);
    int recordLength = std::snprintf(record, sizeof record, "%s\\started.txt", folder);
    if (partialLength < 0 || static_cast<size_t>(partialLength) >= sizeof partial || recordLength < 0 ||
        static_cast<size_t>(recordLength) >= sizeof record)
        return 1;
    DWORD folderLength = GetCurrentDirectoryA(sizeof currentFolder, currentFolder);
    if (folderLength == 0 || folderLength >= sizeof currentFolder) return 1;

    STARTUPINFOA startup;
    GetStartupInfoA(&startup);
    char show[16];
    int showLength = std::snprintf(show, sizeof show, "%d",
                                   (startup.dwFlags & STARTF_USESHOWWINDOW) ? startup.wShowWindow : -1);
    if (showLength < 0 || static_cast<size_t>(showLength) >= sizeof show) return 1;

    // Written whole under another name first, so a reader never sees half a record.
    FILE* file = std::fopen(partial, "wb");
    if (!file) return 1;
    bool written = WriteField(file, GetCommandLineA()) && WriteField(file, currentFolder) && WriteField(file, show);
    written = std::fclose(file) == 0 && written;
    if (!written) return 1;
    return MoveFileExA(partial, record, MOVEFILE_REPLACE_EXISTING) ? 0 : 1;
}
