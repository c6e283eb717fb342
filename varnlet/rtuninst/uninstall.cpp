#include "varnlet/rtuninst/uninstall.h"

#include <windows.h>
#include <shlobj.h>

#include <cstdio>

#include "common/link_guard.h"
#include "common/run_mode.h"
#include "common/scoped.h"
#include "common/system_calls.h"
#include "product/payload_names.h"
#include "varnlet/rtuninst/exit_status.h"
#include "varnlet/rtuninst/file_ops.h"
#include "varnlet/rtuninst/running_copies.h"
#include "varnlet/rtuninst/self_removal.h"
#include "varnlet/rtuninst/uninstall_logic.h"

namespace varnlet {

namespace {

const char kIniSection[] = "Options";
const char kIniKey[] = "dataDir";
const char kUninstallKeyFormat[] = "Software\\Microsoft\\Windows\\CurrentVersion\\Uninstall\\%s";
const char kUninstallLinkName[] = "Uninstall";
constexpr size_t kMessageBytes = 4096;

// Where the installer put things, worked out once at the start.
struct Installation {
    char uninstallerPath[kPathBytes];
    // The data folder: the uninstaller's own folder, since the installer
    // writes it there.
    char folder[kPathBytes];
    // "dataDir" as the ini file holds it, if it has one.
    char recordedFolder[kPathBytes];
    bool hasRecordedFolder;
    // The Start-menu links, the uninstall key and the ini entry are shared by
    // every installation of the product; they belong to this one unless the
    // ini file says the product now lives in another folder.
    bool ownsSharedEntries;
    // Whether the uninstaller is itself one of the payload files.
    bool uninstallerIsPayload;
    char startMenuGroup[kPathBytes];  // empty when the shell has no Programs folder
    char productLink[kPathBytes];
    char uninstallLink[kPathBytes];
    char startupLink[kPathBytes];  // empty when the shell has no Startup folder
    char uninstallKey[kPathBytes];
};

void ShowMessage(const char* text, UINT icon) {
    char title[128];
    if (std::snprintf(title, sizeof title, "Uninstall %s", payloadProductName) >= static_cast<int>(sizeof title)) {
        title[0] = '\0';
    }
    (void)ShowMessageBox(nullptr, text, title, MB_OK | icon);
}

bool ShellFolder(int csidl, char* out) {
    // SHGetFolderPathA wants a MAX_PATH buffer.
    return SUCCEEDED(sys::SHGetFolderPathA(nullptr, csidl, nullptr, SHGFP_TYPE_CURRENT, out)) && out[0] != '\0';
}

bool LocateLinks(Installation* installation) {
    char shellFolder[MAX_PATH];
    char linkFile[kPathBytes];
    if (ShellFolder(CSIDL_PROGRAMS, shellFolder)) {
        if (!JoinPath(installation->startMenuGroup, kPathBytes, shellFolder, payloadFolderName) ||
            !FormatLinkFileName(linkFile, sizeof linkFile, payloadProductName) ||
            !JoinPath(installation->productLink, kPathBytes, installation->startMenuGroup, linkFile) ||
            !FormatLinkFileName(linkFile, sizeof linkFile, kUninstallLinkName) ||
            !JoinPath(installation->uninstallLink, kPathBytes, installation->startMenuGroup, linkFile)) {
            return false;
        }
    }
    if (ShellFolder(CSIDL_STARTUP, shellFolder)) {
        const char* name = payloadStartupLinkName[0] ? payloadStartupLinkName : payloadProductName;
        if (!FormatLinkFileName(linkFile, sizeof linkFile, name) ||
            !JoinPath(installation->startupLink, kPathBytes, shellFolder, linkFile)) {
            return false;
        }
    }
    return true;
}

bool LocateInstallation(Installation* installation, char* message, size_t messageSize) {
    *installation = Installation{};
    DWORD length = GetModuleFileNameA(nullptr, installation->uninstallerPath, kPathBytes);
    if (length == 0 || length >= kPathBytes ||
        !FolderOfPath(installation->folder, kPathBytes, installation->uninstallerPath)) {
        (void)CopyText(message, messageSize, "The uninstaller could not find out which folder it is in.");
        return false;
    }

    // A default that no folder path can be tells a missing entry from one
    // that is present.
    const char kAbsent[] = "*";
    length = GetPrivateProfileStringA(kIniSection, kIniKey, kAbsent, installation->recordedFolder, kPathBytes,
                                      payloadIniFileName);
    installation->hasRecordedFolder = lstrcmpA(installation->recordedFolder, kAbsent) != 0;
    if (!installation->hasRecordedFolder) installation->recordedFolder[0] = '\0';
    installation->ownsSharedEntries =
        !installation->hasRecordedFolder || SameFolder(installation->recordedFolder, installation->folder);

    for (int i = 0; i < payloadNameCount; ++i) {
        char path[kPathBytes];
        if (!IsSystemFolderName(payloadNames[i]) && JoinPath(path, sizeof path, installation->folder, payloadNames[i]) &&
            SameFolder(path, installation->uninstallerPath)) {
            installation->uninstallerIsPayload = true;
        }
    }

    int written = std::snprintf(installation->uninstallKey, kPathBytes, kUninstallKeyFormat, payloadProductName);
    if (written < 0 || written >= static_cast<int>(kPathBytes) || !LocateLinks(installation)) {
        (void)CopyText(message, messageSize, "A path of the installation is too long for the uninstaller.");
        return false;
    }
    return true;
}

bool UninstallKeyExists(const Installation& installation) {
    ScopedRegKey key;
    return RegOpenKeyExA(HKEY_LOCAL_MACHINE, installation.uninstallKey, 0, KEY_READ, key.Receive()) == ERROR_SUCCESS;
}

// Whether any payload file other than the uninstaller itself is in the folder.
bool AnyPayloadFilePresent(const Installation& installation) {
    for (int i = 0; i < payloadNameCount; ++i) {
        char path[kPathBytes];
        if (IsSystemFolderName(payloadNames[i]) || !JoinPath(path, sizeof path, installation.folder, payloadNames[i]))
            continue;
        if (SameFolder(path, installation.uninstallerPath)) continue;
        if (PathExists(path)) return true;
    }
    return false;
}

bool AnythingToRemove(const Installation& installation) {
    if (AnyPayloadFilePresent(installation)) return true;
    if (!installation.ownsSharedEntries) return false;
    return installation.hasRecordedFolder || UninstallKeyExists(installation) ||
           (installation.productLink[0] && PathExists(installation.productLink)) ||
           (installation.uninstallLink[0] && PathExists(installation.uninstallLink)) ||
           (installation.startupLink[0] && PathExists(installation.startupLink));
}

bool Confirm(const Installation& installation) {
    // Whoever started a silent removal has answered the question already.
    if (!AsksUser()) return true;
    char text[kMessageBytes];
    int written = 0;
    if (installation.ownsSharedEntries) {
        written = std::snprintf(text, sizeof text,
                                "Do you want to remove %s from this computer?\r\n\r\n"
                                "Its files in %s, its Start-menu entries and its entry in the list of installed "
                                "programs will be deleted. Files of your own in that folder are kept.",
                                payloadProductName, installation.folder);
    } else {
        written = std::snprintf(text, sizeof text,
                                "Do you want to remove the files of %s from %s?\r\n\r\n"
                                "%s now runs from %s, so its Start-menu entries and its entry in the list of "
                                "installed programs belong to that installation and are kept. Files of your own "
                                "are kept too.",
                                payloadProductName, installation.folder, payloadProductName,
                                installation.recordedFolder);
    }
    if (written < 0 || static_cast<size_t>(written) >= sizeof text) return false;
    char title[128];
    if (std::snprintf(title, sizeof title, "Uninstall %s", payloadProductName) >= static_cast<int>(sizeof title)) {
        return false;
    }
    return ShowMessageBox(nullptr, text, title, MB_YESNO | MB_ICONQUESTION | MB_DEFBUTTON2) == IDYES;
}

// Whether a payload name is reached through a junction or symbolic link
// below the data folder (someone who could write there may have planted
// one). Such an entry is left as it is, and the link itself (the first such
// component) is reported once, however many payload files lie behind it:
// following it would delete whatever it points at.
bool LeftBehindAsLink(const Installation& installation, const char* payloadName, RemovalReport* report) {
    if (!PathCrossesLink(installation.folder, payloadName)) return false;
    char entry[kPathBytes];
    char above[kPathBytes];
    if (!CopyText(entry, sizeof entry, payloadName)) entry[0] = '\0';
    while (FolderOfPath(above, sizeof above, entry) && PathCrossesLink(installation.folder, above)) {
        (void)CopyText(entry, sizeof entry, above);
    }
    char path[kPathBytes];
    report->AddFailureOnce(JoinPath(path, sizeof path, installation.folder, entry) ? path : payloadName,
                           kLinkNotFollowed);
    return true;
}

void RemovePayloadFiles(const Installation& installation, RemovalReport* report) {
    for (int i = 0; i < payloadNameCount; ++i) {
        char path[kPathBytes];
        if (IsSystemFolderName(payloadNames[i])) continue;
        if (!JoinPath(path, sizeof path, installation.folder, payloadNames[i])) {
            report->AddFailure(payloadNames[i], "its path is too long");
            continue;
        }
        if (SameFolder(path, installation.uninstallerPath)) continue;  // goes last, see self_removal.h
        if (LeftBehindAsLink(installation, payloadNames[i], report)) continue;
        DeleteFileReporting(path, report);
    }
    // The installer made the folders on the payload's paths ("docs\a.txt");
    // each goes when its files leave it empty. Later names first, so a deeper
    // folder goes before the one that holds it; a folder with anything of the
    // user's in it stays, and so do the folders above it. A folder that is a
    // link (reported above) is neither listed nor removed.
    for (int i = payloadNameCount - 1; i >= 0; --i) {
        char below[kPathBytes];
        if (IsSystemFolderName(payloadNames[i]) || !CopyText(below, sizeof below, payloadNames[i])) continue;
        char folderBelow[kPathBytes];
        char folder[kPathBytes];
        while (FolderOfPath(folderBelow, sizeof folderBelow, below) &&
               !PathCrossesLink(installation.folder, folderBelow) &&
               JoinPath(folder, sizeof folder, installation.folder, folderBelow) &&
               RemoveFolderIfEmpty(folder, report)) {
            (void)CopyText(below, sizeof below, folderBelow);
        }
    }
}

void RemoveLinks(const Installation& installation, RemovalReport* report) {
    if (installation.startMenuGroup[0]) {
        DeleteFileReporting(installation.productLink, report);
        DeleteFileReporting(installation.uninstallLink, report);
        (void)RemoveFolderIfEmpty(installation.startMenuGroup, report);
    }
    if (installation.startupLink[0]) DeleteFileReporting(installation.startupLink, report);
}

void RemoveUninstallKey(const Installation& installation, RemovalReport* report) {
    LONG result = RegDeleteKeyA(HKEY_LOCAL_MACHINE, installation.uninstallKey);
    if (result == ERROR_SUCCESS || result == ERROR_FILE_NOT_FOUND) return;
    char what[kPathBytes + 64];
    char reason[256];
    DescribeError(static_cast<DWORD>(result), reason, sizeof reason);
    if (std::snprintf(what, sizeof what, "the registry key HKEY_LOCAL_MACHINE\\%s", installation.uninstallKey) >=
        static_cast<int>(sizeof what)) {
        (void)CopyText(what, sizeof what, "the entry in the list of installed programs");
    }
    report->AddFailure(what, reason);
}

// The ini file keeps whatever else is in it; a file left with nothing in it
// is deleted, since only the installer made it.
void RemoveIniEntry(RemovalReport* report) {
    if (!WritePrivateProfileStringA(kIniSection, kIniKey, nullptr, payloadIniFileName)) {
        char what[256];
        char reason[256];
        DescribeError(GetLastError(), reason, sizeof reason);
        if (std::snprintf(what, sizeof what, "the entry \"%s\" in %s", kIniKey, payloadIniFileName) >=
            static_cast<int>(sizeof what)) {
            what[0] = '\0';
        }
        report->AddFailure(what, reason);
        return;
    }
    char listing[64];
    if (GetPrivateProfileSectionA(kIniSection, listing, sizeof listing, payloadIniFileName) == 0) {
        (void)WritePrivateProfileStringA(kIniSection, nullptr, nullptr, payloadIniFileName);
    }
    // Writes the cached file out before it is looked at.
    (void)WritePrivateProfileStringA(nullptr, nullptr, nullptr, payloadIniFileName);
    if (GetPrivateProfileSectionNamesA(listing, sizeof listing, payloadIniFileName) != 0) return;
    char windowsFolder[kPathBytes];
    char iniPath[kPathBytes];
    UINT length = GetWindowsDirectoryA(windowsFolder, sizeof windowsFolder);
    if (length == 0 || length >= sizeof windowsFolder ||
        !JoinPath(iniPath, sizeof iniPath, windowsFolder, payloadIniFileName)) {
        return;
    }
    ScopedHandle file(CreateFileA(iniPath, GENERIC_READ, FILE_SHARE_READ, nullptr, OPEN_EXISTING, 0, nullptr));
    if (!file.Valid()) return;
    DWORD high = 0;
    DWORD size = GetFileSize(file.Get(), &high);
    file.Close();
    // Only a file with nothing but blank lines left goes.
    if (size <= 4 && high == 0) DeleteFileReporting(iniPath, report);
}

// The uninstaller's own file, handed to the copy that finishes the job.
void RemoveUninstaller(const Installation& installation, RemovalReport* report) {
    if (StartFinisher(installation.uninstallerPath)) return;
    if (ScheduleRemovalAtRestart(installation.uninstallerPath, installation.folder)) return;
    report->AddFailure(installation.uninstallerPath, "the uninstaller cannot delete its own file");
}

int ShowOutcome(const Installation& installation, const RemovalReport& report) {
    char text[kMessageBytes];
    if (report.FailureCount() > 0) {
        if (!report.Format(text, sizeof text, payloadProductName)) {
            (void)CopyText(text, sizeof text, "Some items could not be removed.");
        }
        ShowMessage(text, MB_ICONWARNING);
        return kExitSomethingLeft;
    }
    const char* ignored = installation.uninstallerIsPayload ? FileNameOfPath(installation.uninstallerPath) : nullptr;
    int written = 0;
    if (FolderIsEmpty(installation.folder, ignored)) {
        written = std::snprintf(text, sizeof text, "%s has been removed from this computer.", payloadProductName);
    } else {
        written = std::snprintf(text, sizeof text,
                                "%s has been removed from this computer.\r\n\r\n"
                                "The folder %s still holds files that were not installed with %s, so it was left "
                                "in place with them.",
                                payloadProductName, installation.folder, payloadProductName);
    }
    if (written < 0 || static_cast<size_t>(written) >= sizeof text) {
        (void)CopyText(text, sizeof text, "The program has been removed.");
    }
    ShowMessage(text, MB_ICONINFORMATION);
    return kExitRemoved;
}

}  // namespace

int RunUninstall() {
    Installation installation;
    char text[kMessageBytes];
    if (!LocateInstallation(&installation, text, sizeof text)) {
        ShowMessage(text, MB_ICONWARNING);
        return kExitBadCommandLine;
    }
    // Nothing is held open in the data folder from here on.
    char tempFolder[MAX_PATH + 1];
    DWORD tempLength = GetTempPathA(sizeof tempFolder, tempFolder);
    if (tempLength > 0 && tempLength < sizeof tempFolder) (void)SetCurrentDirectoryA(tempFolder);

    if (!AnythingToRemove(installation)) {
        // Only the uninstaller is left (its finishing copy was stopped before
        // its end, say): it goes now, as at the end of a removal.
        if (installation.uninstallerIsPayload) {
            RemovalReport report;
            RemoveUninstaller(installation, &report);
            return ShowOutcome(installation, report);
        }
        int written = std::snprintf(text, sizeof text, "There is nothing of %s left to remove from %s.",
                                    payloadProductName, installation.folder);
        if (written < 0 || static_cast<size_t>(written) >= sizeof text) {
            (void)CopyText(text, sizeof text, "There is nothing left to remove.");
        }
        ShowMessage(text, MB_ICONINFORMATION);
        return kExitNothingToRemove;
    }
    if (!Confirm(installation)) return kExitDeclined;

    CloseRunningCopies();
    RemovalReport report;
    RemovePayloadFiles(installation, &report);
    if (installation.ownsSharedEntries) {
        RemoveLinks(installation, &report);
        RemoveUninstallKey(installation, &report);
        RemoveIniEntry(&report);
    }
    if (installation.uninstallerIsPayload) RemoveUninstaller(installation, &report);
    return ShowOutcome(installation, report);
}

}  // namespace varnlet
