// The whole run of the installer, from the background window to the offer to
// start the product. Each step runs only when the one before it left the run
// going; the other subsystems are reached through their headers only.
#include "setup/installation_sequence.h"

#include <direct.h>
#include <process.h>

#include <cstdarg>

#include "common/bounded_format.h"
#include "common/dll_search.h"
#include "common/globals.h"
#include "common/run_log.h"
#include "common/run_mode.h"
#include "datafolder/data_folder.h"
#include "datafolder/unattended_folder.h"
#include "payload/extract.h"
#include "payload/payload_seal.h"
#include "services/running_copies.h"
#include "services/service_removal.h"
#include "setup/exit_codes.h"
#include "setup/free_space.h"
#include "setup/install_paths.h"
#include "setup/run_outcome.h"
#include "shell/shortcut.h"
#include "shell/uninstall_registration.h"
#include "ui/background_window.h"
#include "ui/busy_animation.h"
#include "ui/licence_dialog.h"
#include "ui/progress_dialog.h"

namespace {

const char kNotInstalledTitle[] = "Application Not Installed";
const char kNotInstalledText[] =
    "The application will not be installed at this time. If you decide to install the application later, "
    "just launch this program again to complete the installation process.";
const char kNoSpaceTitle[] = "Not Enough Disk Space";
const char kNoSpaceFormat[] =
    "Not enough free disk space is available on the drive you have specified. %d megabytes of free space "
    "are required for the proper operation of the program. On drive %s only %d megabytes of free space are "
    "available.\r\n\r\nYou will be given another opportunity to choose a location for the software. You may "
    "wish to cancel the installation process, or use your Windows desktop to delete files, making more room "
    "for the program.";
const char kFolderTooLongTitle[] = "Folder Name Too Long";
const char kFolderTooLongText[] =
    "The folder you have chosen has too long a name to hold the application's files. Please choose a "
    "folder with a shorter path.";
const char kCloseCopiesTitle[] = "Close Running Copies First!";
const char kCloseCopiesFormat[] =
    "Do you already have an older version of %s?\r\n\r\nIf you do, MAKE SURE IT IS NOT RUNNING RIGHT NOW. "
    "If it is running, shut it down BEFORE clicking the OK button.\r\n\r\nIf you have not installed %s "
    "before, just click the OK button.";
const char kOldServiceTitle[] = "Uninstalling Old Service (If Present)";
const char kOldServiceText[] =
    "There will be a brief pause while any previously installed copies of our NT service are shut down. "
    "This pause will begin when you click OK.";
const char kServiceNotRemovedTitle[] = "NT Service Not Uninstalled";
const char kServiceNotRemovedText[] =
    "The NT service could not be uninstalled. This may occur if the program is in the middle of a "
    "time-consuming operation and is not able to respond to shutdown requests at this time. Wait a "
    "considerable time and try the install again. If the problem persists, call technical support.";
const char kFailedTitleFormat[] = "%s Installation Failed";
const char kCreateFailedText[] =
    "The application was not able to create one of its component files. The disk is full, or a copy of the "
    "application is already running, or you do not have write access to the directory in which you are "
    "attempting to install the application. Check your available disk space, make sure the application is "
    "not running now, and run the setup program again.";
const char kWriteFailedText[] =
    "The application was unable to finish writing a file to disk. Your hard drive is probably full. Check "
    "your available disk space, make additional space available, and run the setup program again.";
const char kNoMemoryText[] =
    "Insufficient memory was available for the setup procedure. Close other applications and run the "
    "setup program again.";
const char kDamagedTitle[] = "Installer Damaged";
const char kDamagedText[] = "The installer is damaged. Please download it again.";
const char kInstallingServiceTitle[] = "Installing Service";
const char kInstallingServiceText[] =
    "There will be a brief pause while the new NT service is started up. This pause will begin when you "
    "click OK.";
const char kServiceFailedTitle[] = "Service Installation Failed";
const char kServiceFailedText[] =
    "The installation of the service did not succeed. The software can still be run manually.";
const char kSuccessTitle[] = "Installation Successful";
const char kSuccessFormat[] =
    "%s has been successfully installed on your system. Would you like to start %s now?";

constexpr int kOldServiceSettleMs = 6000;
// Large enough for every message above with the longest root path or
// product name filled in.
constexpr size_t kMessageBytes = 2 * kPathBufferBytes;

// The formatted text, or, should it not fit (only a product record beyond
// the generator's limits could do that), the format itself: a message with
// its placeholder showing is better than one cut short.
const char* Formatted(char* out, size_t bytes, const char* format, ...) {
    va_list arguments;
    va_start(arguments, format);
    bool fits = FormatBoundedV(out, bytes, format, arguments);
    va_end(arguments);
    return fits ? out : format;
}

void Warn(const char* text, const char* title) {
    (void)ShowMessageBox(backgroundHwnd, text, title, MB_OK | MB_ICONWARNING);
}

bool HasService() { return ProductConfig.serviceExecutable[0] != '\0' && platformId == kPlatformWindowsNt; }

DWORD QueryPlatformId() {
    // Should the query fail, the zeroed record reads as a platform without
    // services, so no service is touched.
    OSVERSIONINFOA version;
    ZeroMemory(&version, sizeof version);
    version.dwOSVersionInfoSize = sizeof version;
    (void)GetVersionExA(&version);
    return version.dwPlatformId;
}

// The free space of the data folder's drive; false when the drive cannot tell.
bool QueryDataFolderDrive(char (&root)[kPathBufferBytes], DriveSpace* space) {
    if (!FreeSpaceRootPath(dataFolder, _getdrive(), root, sizeof root)) return false;
    DWORD sectorsPerCluster = 0, bytesPerSector = 0, freeClusters = 0, totalClusters = 0;
    if (!GetDiskFreeSpaceA(root, &sectorsPerCluster, &bytesPerSector, &freeClusters, &totalClusters)) return false;
    *space = DriveSpace{sectorsPerCluster, bytesPerSector, freeClusters};
    return true;
}

// True when the data folder's drive has room for the product, or when the
// drive cannot tell; otherwise says how much is missing.
bool DriveHasRoom() {
    char root[kPathBufferBytes];
    DriveSpace space;
    if (!QueryDataFolderDrive(root, &space)) return true;
    if (HasEnoughSpace(ProductConfig.requiredMegabytes, space)) return true;
    char message[kMessageBytes];
    Warn(Formatted(message, sizeof message, kNoSpaceFormat, static_cast<int>(ProductConfig.requiredMegabytes),
                   root, FreeMegabytes(space)),
         kNoSpaceTitle);
    return false;
}

// Asks for the data folder until one is usable and has room. False when the
// user gives up.
bool ChooseDataFolderWithRoom(InstallPaths& paths) {
    for (;;) {
        if (chooseDataFolder(instanceHandle, backgroundHwnd, 1) == 0) return false;
        if (!FormatInstallPaths(dataFolder, ProductConfig, paths)) {
            Warn(kFolderTooLongText, kFolderTooLongTitle);
            continue;
        }
        (void)_chdir(dataFolder);
        if (DriveHasRoom()) return true;
    }
}

// The data folder of a run that asks nobody, with the same checks. A folder
// the dialog would refuse is the caller's mistake when the command line
// named it; the one proposed without it can only fail.
int ChooseDataFolderUnattended(const char* commandLineFolder, InstallPaths& paths, bool* created) {
    int refused = commandLineFolder[0] != '\0' ? kExitBadCommandLine : kExitFailed;
    switch (chooseDataFolderUnattended(commandLineFolder, created)) {
    case UnattendedFolder::kRefused:
        return refused;
    case UnattendedFolder::kFailed:
        return kExitFailed;
    case UnattendedFolder::kChosen:
        break;
    }
    if (!FormatInstallPaths(dataFolder, ProductConfig, paths)) {
        Warn(kFolderTooLongText, kFolderTooLongTitle);
        return refused;
    }
    return DriveHasRoom() ? kExitInstalled : kExitNoSpace;
}

// An unattended run that ends before extraction takes away the data folder
// it made, if nothing else came into it.
void RemoveCreatedFolder(bool created) {
    if (!created) return;
    char windowsFolder[kPathBufferBytes];
    UINT length = GetWindowsDirectoryA(windowsFolder, sizeof windowsFolder);
    // The current directory is the data folder, which cannot go while it is.
    if (length == 0 || length >= sizeof windowsFolder || !SetCurrentDirectoryA(windowsFolder)) return;
    if (RemoveDirectoryA(dataFolder)) LogLine("Data folder %s removed again", dataFolder);
}

void HandleRunningCopies() {
    if (ProductConfig.warnOlderVersion != 0) {
        char message[kMessageBytes];
        Warn(Formatted(message, sizeof message, kCloseCopiesFormat, ProductConfig.productName,
                       ProductConfig.productName),
             kCloseCopiesTitle);
    } else {
        closeRunningCopies(instanceHandle, backgroundHwnd);
    }
}

// False when an old service is there and cannot be removed.
bool RemoveOldService() {
    if (!HasService()) return true;
    Warn(kOldServiceText, kOldServiceTitle);
    if (removeOldService() != 0) {
        Warn(kServiceNotRemovedText, kServiceNotRemovedTitle);
        return false;
    }
    LogLine("Old service %s removed (or not installed)", ProductConfig.serviceName);
    BusyWait(kOldServiceSettleMs);
    return true;
}

// The progress dialog's callback, which also writes each file into the run
// log: a file is written once the extraction has gone on to the next one.
const char* currentFile = nullptr;

int ProgressAndLog(HWND dialog, const char* text, int percent) {
    if (!currentFile || lstrcmpA(text, currentFile) != 0) {
        if (currentFile) LogLine("File written: %s", currentFile);
        currentFile = text[0] != '\0' && lstrcmpA(text, "Done") != 0 ? text : nullptr;
    }
    return dialog ? ProgressCallback(dialog, text, percent) : 0;
}

// After a failed extraction: whether the data folder's drive is full, which
// the caller deploying the product is told apart from other failures.
bool DriveIsFull() {
    char root[kPathBufferBytes];
    DriveSpace space;
    if (!QueryDataFolderDrive(root, &space)) return false;
    uint64_t freeBytes = static_cast<uint64_t>(space.freeClusters) * space.sectorsPerCluster * space.bytesPerSector;
    return freeBytes < kChunkRawBytes;
}

// Writes the payload under the progress dialog. On failure says why and
// takes the written files away again; the dialog stays up until the end.
int ExtractWithProgress() {
    HWND progress = ShowsProgress() ? CreateProgressDialog(instanceHandle, backgroundHwnd) : nullptr;
    currentFile = nullptr;
    // Without a log the dialog's own callback does; without a dialog either
    // there is nobody to tell.
    ProgressCallbackFunc callback = RunLogOpen() ? ProgressAndLog : progress ? ProgressCallback : nullptr;
    int result = ExtractPayload(progress, callback);
    if (result == kExtractDone) {
        if (progress) (void)DestroyWindow(progress);
        DiscardKeptFiles();
        return kExitInstalled;
    }
    if (currentFile) LogLine("File failed: %s", currentFile);
    int code = DriveIsFull() ? kExitNoSpace : kExitFailed;
    const char* text = kCreateFailedText;
    if (result == kExtractWriteFailed) text = kWriteFailedText;
    if (result == kExtractNoMemory) text = kNoMemoryText;
    if (result == kExtractDataDamaged) text = kDamagedText;
    char title[kMessageBytes];
    Warn(text, Formatted(title, sizeof title, kFailedTitleFormat, ProductConfig.productName));
    bool removed = RemovePayload(nullptr, nullptr) == kExtractDone;
    LogLine(removed ? "Files written by this run removed" : "Files written by this run could not all be removed");
    return code;
}

void CreateLink(const char* linkName, const char* target) {
    int result = CreateShortcut(ProductConfig.folderName, linkName, target, dataFolder, nullptr);
    LogLine("Start-menu link %s\\%s -> %s%s", ProductConfig.folderName, linkName, target,
            result == 0 ? "" : " (failed)");
}

void RecordDataFolder() {
    BOOL written =
        WritePrivateProfileStringA(kDataFolderIniSection, kDataFolderIniKey, dataFolder, ProductConfig.iniFileName);
    LogLine("Ini entry [%s] %s=%s in %s%s", kDataFolderIniSection, kDataFolderIniKey, dataFolder,
            ProductConfig.iniFileName, written ? "" : " (failed)");
}

// The companion and service installers are waited for; argument 0 is the
// program's path in double quotes, so a data folder with blanks survives.
void RunCompanionInstaller(const InstallPaths& paths) {
    if (ProductConfig.installCompanion == 0) return;
    intptr_t status = _spawnl(_P_WAIT, paths.companionInstaller, paths.quotedCompanionInstaller, "-install",
                              "-sid=0", nullptr);
    LogLine("Companion installer %s ended with %d", paths.companionInstaller, static_cast<int>(status));
}

void InstallService(const InstallPaths& paths) {
    if (!HasService()) return;
    (void)ShowMessageBox(backgroundHwnd, kInstallingServiceText, kInstallingServiceTitle, MB_OK);
    intptr_t status =
        _spawnl(_P_WAIT, paths.serviceExecutable, paths.quotedServiceExecutable, "-install-service", nullptr);
    LogLine("Service installer %s ended with %d", paths.serviceExecutable, static_cast<int>(status));
    if (status != 0) Warn(kServiceFailedText, kServiceFailedTitle);
}

void OfferToStartProduct(const InstallPaths& paths) {
    char message[kMessageBytes];
    int answer = ShowMessageBox(
        backgroundHwnd,
        Formatted(message, sizeof message, kSuccessFormat, ProductConfig.productName, ProductConfig.productName),
        kSuccessTitle, MB_YESNO);
    DestroyBackgroundWindow();
    if (answer == IDYES) {
        (void)WinExec(paths.startCommand, SW_SHOW);
        LogLine("Started %s", paths.startCommand);
    }
}

}  // namespace

int RunInstallation(HINSTANCE instance, const char* commandLineFolder) {
    // The entry point has done this already; callers within a process that
    // did not (the tests) get the same start.
    RestrictDllSearchToSystemFolder();
    instanceHandle = instance;
    platformId = QueryPlatformId();
    if (ShowsProgress() && !CreateBackgroundWindow(instance)) return EndRun(kExitFailed);
    // A damaged download is told before the user is asked anything, and
    // before anything is written.
    if (!PayloadIsIntact()) {
        Warn(kDamagedText, kDamagedTitle);
        return EndRun(kExitFailed);
    }

    if (!AsksUser()) {
        LogLine("Licence accepted by whoever started the unattended run");
    } else if (RunLicenceDialog(instanceHandle, backgroundHwnd) == 0) {
        Warn(kNotInstalledText, kNotInstalledTitle);
        ExitProcess(static_cast<UINT>(EndRun(kExitCancelled)));
    }
    InstallPaths paths;
    bool createdFolder = false;
    if (AsksUser()) {
        if (!ChooseDataFolderWithRoom(paths)) {
            Warn(kNotInstalledText, kNotInstalledTitle);
            return EndRun(kExitCancelled);
        }
        LogLine("Data folder: %s", dataFolder);
    } else {
        int chosen = ChooseDataFolderUnattended(commandLineFolder ? commandLineFolder : "", paths, &createdFolder);
        if (chosen != kExitInstalled) {
            RemoveCreatedFolder(createdFolder);
            return EndRun(chosen);
        }
    }
    HandleRunningCopies();
    if (!RemoveOldService()) {
        RemoveCreatedFolder(createdFolder);
        return EndRun(kExitFailed);
    }
    int extracted = ExtractWithProgress();
    if (extracted != kExitInstalled) {
        RemoveCreatedFolder(createdFolder);
        return EndRun(extracted);
    }

    CreateLink(ProductConfig.productName, paths.mainExecutable);
    CreateLink("Uninstall", paths.uninstaller);
    RegisterUninstallAndStartup(paths.uninstaller, paths.mainExecutable);
    RecordDataFolder();
    RunCompanionInstaller(paths);
    InstallService(paths);
    OfferToStartProduct(paths);
    return EndRun(kExitInstalled);
}
