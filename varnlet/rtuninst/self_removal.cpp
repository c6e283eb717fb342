#include "varnlet/rtuninst/self_removal.h"

#include <windows.h>

#include <cstdint>
#include <cstring>

#include "common/bounded_format.h"
#include "common/link_guard.h"
#include "common/run_mode.h"
#include "common/scoped.h"
#include "product/payload_names.h"
#include "varnlet/rtuninst/exit_status.h"
#include "varnlet/rtuninst/file_ops.h"
#include "varnlet/rtuninst/private_folder.h"

namespace varnlet {

namespace {

// After the uninstaller's process has ended the system may need a moment to
// let go of its image file.
constexpr int kDeleteAttempts = 50;
constexpr int kDeleteRetryMs = 100;

// The uninstaller names its own file: a payload file at the top of the data
// folder, under the name this copy has too (the copy keeps it). Nothing else
// is ever deleted, whoever started the copy.
bool IsUninstallerPath(const char* path) {
    const char* fileName = FileNameOfPath(path);
    char ownPath[kPathBytes];
    DWORD length = GetModuleFileNameA(nullptr, ownPath, sizeof ownPath);
    if (length == 0 || length >= sizeof ownPath || lstrcmpiA(FileNameOfPath(ownPath), fileName) != 0) return false;
    for (int i = 0; i < payloadNameCount; ++i) {
        if (lstrcmpiA(payloadNames[i], fileName) == 0) return true;
    }
    return false;
}

// Whether the file, or the folder that holds it, is a junction or symbolic
// link: the folder could have been swapped for one since the uninstaller
// named it, and deleting through it would reach whatever it points at. A
// drive's root folder has nothing above it and is no link.
bool ReachedThroughLink(const char* path) {
    char folder[kPathBytes];
    char above[kPathBytes];
    if (!FolderOfPath(folder, sizeof folder, path)) return true;
    return PathCrossesLink(folder, FileNameOfPath(path)) ||
           (FolderOfPath(above, sizeof above, folder) && PathCrossesLink(above, FileNameOfPath(folder)));
}

bool DeleteWithRetries(const char* path) {
    for (int attempt = 0; attempt < kDeleteAttempts; ++attempt) {
        if (DeleteFileA(path)) return true;
        DWORD error = GetLastError();
        if (error == ERROR_FILE_NOT_FOUND || error == ERROR_PATH_NOT_FOUND) return true;
        if (error != ERROR_ACCESS_DENIED && error != ERROR_SHARING_VIOLATION) return false;
        Sleep(kDeleteRetryMs);
    }
    return false;
}

// Takes the copy and its folder away again when it could not be started.
void Discard(const char* copyPath, const char* folder) {
    (void)DeleteFileA(copyPath);
    (void)RemoveDirectoryA(folder);
}

}  // namespace

bool StartFinisher(const char* uninstallerPath) {
    // The folder's name starts like the uninstaller's file; the copy keeps
    // that file's name.
    const char* fileName = FileNameOfPath(uninstallerPath);
    char stem[64];
    const char* dot = std::strrchr(fileName, '.');
    int stemLength = dot ? static_cast<int>(dot - fileName) : lstrlenA(fileName);
    if (!FormatBounded(stem, sizeof stem, "%.*s", stemLength, fileName)) return false;
    char folder[kPathBytes];
    if (!CreatePrivateFolder(stem, folder, sizeof folder)) return false;
    char copyPath[kPathBytes];
    if (!JoinPath(copyPath, sizeof copyPath, folder, fileName) || !CopyFileA(uninstallerPath, copyPath, TRUE)) {
        Discard(copyPath, folder);
        return false;
    }

    // The copy waits on this handle; inheriting it (rather than passing a
    // process id) means it can never wait for some later process that
    // happens to get the same id.
    HANDLE inheritable = nullptr;
    if (!DuplicateHandle(GetCurrentProcess(), GetCurrentProcess(), GetCurrentProcess(), &inheritable, SYNCHRONIZE,
                         TRUE, 0)) {
        Discard(copyPath, folder);
        return false;
    }
    ScopedHandle ownHandle(inheritable);
    char commandLine[3 * kPathBytes];
    if (!FormatBounded(commandLine, sizeof commandLine, "\"%s\" /finish %lu \"%s\"%s", copyPath,
                       static_cast<unsigned long>(reinterpret_cast<uintptr_t>(inheritable)), uninstallerPath,
                       AsksUser() ? "" : " /S")) {
        Discard(copyPath, folder);
        return false;
    }
    STARTUPINFOA startup = {};
    startup.cb = sizeof startup;
    PROCESS_INFORMATION process = {};
    // Started in its own folder: a current directory inside the data folder
    // would keep that folder from being removed, and the shared temporary
    // folder is where a planted library would wait.
    if (!CreateProcessA(copyPath, commandLine, nullptr, nullptr, TRUE, 0, nullptr, folder, &startup, &process)) {
        Discard(copyPath, folder);
        return false;
    }
    CloseHandle(process.hThread);
    CloseHandle(process.hProcess);
    return true;
}

bool ScheduleRemovalAtRestart(const char* uninstallerPath, const char* folder) {
    if (!MoveFileExA(uninstallerPath, nullptr, MOVEFILE_DELAY_UNTIL_REBOOT)) return false;
    // Pending deletions run in order, so the folder is empty by its turn.
    if (FolderIsEmpty(folder, FileNameOfPath(uninstallerPath))) {
        (void)MoveFileExA(folder, nullptr, MOVEFILE_DELAY_UNTIL_REBOOT);
    }
    return true;
}

int RunFinisher(const UninstallArguments& arguments) {
    ScopedHandle uninstaller(reinterpret_cast<HANDLE>(arguments.waitHandle));
    // Only ever the uninstaller's own file, and only once the uninstaller
    // really ended: a handle that cannot be waited on means this copy was
    // not started by the uninstaller.
    if (!IsUninstallerPath(arguments.uninstallerPath)) return kExitBadCommandLine;
    if (WaitForSingleObject(uninstaller.Get(), INFINITE) != WAIT_OBJECT_0) return kExitBadCommandLine;
    uninstaller.Close();

    RemovalReport report;
    if (ReachedThroughLink(arguments.uninstallerPath)) {
        report.AddFailure(arguments.uninstallerPath, kLinkNotFollowed);
    } else if (!DeleteWithRetries(arguments.uninstallerPath)) {
        char reason[256];
        DescribeError(GetLastError(), reason, sizeof reason);
        report.AddFailure(arguments.uninstallerPath, reason);
    } else {
        // No shell notices from here: each is a message sent, and waited for,
        // to every window registered for them, and one window that does not
        // answer would keep this copy (and the lock it holds) alive after the
        // user was told the product is gone. Explorer sees both deletions
        // through its own watch on the folder.
        char folder[kPathBytes];
        if (FolderOfPath(folder, sizeof folder, arguments.uninstallerPath)) {
            (void)RemoveFolderIfEmpty(folder, &report, ShellNotice::kNone);
        }
    }

    // This copy is running too; it and then its folder go at the next
    // restart (deletions pending then run in order). Without the rights for
    // that (Windows NT, no administrator) they stay in the user's temporary
    // folder, which is the one place where that does no harm.
    char ownPath[kPathBytes];
    char ownFolder[kPathBytes];
    DWORD length = GetModuleFileNameA(nullptr, ownPath, sizeof ownPath);
    if (length > 0 && length < sizeof ownPath && MoveFileExA(ownPath, nullptr, MOVEFILE_DELAY_UNTIL_REBOOT) &&
        FolderOfPath(ownFolder, sizeof ownFolder, ownPath)) {
        (void)MoveFileExA(ownFolder, nullptr, MOVEFILE_DELAY_UNTIL_REBOOT);
    }

    if (report.FailureCount() == 0) return kExitRemoved;
    char message[4096];
    if (report.Format(message, sizeof message, payloadProductName)) {
        char title[128];
        if (!FormatBounded(title, sizeof title, "Uninstall %s", payloadProductName)) title[0] = '\0';
        (void)ShowMessageBox(nullptr, message, title, MB_OK | MB_ICONWARNING);
    }
    return kExitSomethingLeft;
}

}  // namespace varnlet
