// What the installer shows a person: window titles, control ids and the
// exact texts of its messages, as the user-facing walks and the end-to-end
// checks compare them. Texts with %s / %d are formats for FormatText.
#pragma once

#include <cstdio>
#include <string>

namespace e2e {

// Windows.
constexpr char kBackgroundTitleFormat[] = "Install %s";
constexpr char kBackgroundClass[] = "install";
constexpr char kLicenceTitle[] = "END USER LICENSE AGREEMENT";
constexpr int kLicenceTextId = 1101;
constexpr int kLicenceAcceptId = 1;
constexpr int kLicenceDeclineId = 2;
constexpr char kFolderDialogTitle[] = "Choose a Folder";
constexpr int kParentFolderId = 24001;
constexpr int kApplicationFolderId = 24002;
constexpr int kBrowseId = 24003;
constexpr char kProgressTitle[] = "Setup Progress";
constexpr int kProgressPercentId = 1002;
constexpr int kProgressItemId = 1100;

// Messages of the installation sequence.
constexpr char kNotInstalledTitle[] = "Application Not Installed";
constexpr char kNotInstalledText[] =
    "The application will not be installed at this time. If you decide to install the application later, just "
    "launch this program again to complete the installation process.";
constexpr char kNoSpaceTitle[] = "Not Enough Disk Space";
constexpr char kNoSpaceFormat[] =
    "Not enough free disk space is available on the drive you have specified. %d megabytes of free space are "
    "required for the proper operation of the program. On drive %s only %d megabytes of free space are "
    "available.\r\n\r\nYou will be given another opportunity to choose a location for the software. You may wish "
    "to cancel the installation process, or use your Windows desktop to delete files, making more room for the "
    "program.";
constexpr char kOlderVersionTitle[] = "Close Running Copies First!";
constexpr char kOlderVersionFormat[] =
    "Do you already have an older version of %s?\r\n\r\nIf you do, MAKE SURE IT IS NOT RUNNING RIGHT NOW. If it is "
    "running, shut it down BEFORE clicking the OK button.\r\n\r\nIf you have not installed %s before, just click "
    "the OK button.";
constexpr char kOldServiceTitle[] = "Uninstalling Old Service (If Present)";
constexpr char kOldServiceText[] =
    "There will be a brief pause while any previously installed copies of our NT service are shut down. This "
    "pause will begin when you click OK.";
constexpr char kFailedTitleFormat[] = "%s Installation Failed";
constexpr char kCannotCreateText[] =
    "The application was not able to create one of its component files. The disk is full, or a copy of the "
    "application is already running, or you do not have write access to the directory in which you are "
    "attempting to install the application. Check your available disk space, make sure the application is not "
    "running now, and run the setup program again.";
constexpr char kCannotFinishText[] =
    "The application was unable to finish writing a file to disk. Your hard drive is probably full. Check your "
    "available disk space, make additional space available, and run the setup program again.";
constexpr char kStartupTitle[] = "Add To Startup Group";
constexpr char kInstallingServiceTitle[] = "Installing Service";
constexpr char kInstallingServiceText[] =
    "There will be a brief pause while the new NT service is started up. This pause will begin when you click OK.";
constexpr char kServiceFailedTitle[] = "Service Installation Failed";
constexpr char kServiceFailedText[] =
    "The installation of the service did not succeed. The software can still be run manually.";
constexpr char kSuccessTitle[] = "Installation Successful";
constexpr char kSuccessFormat[] = "%s has been successfully installed on your system. Would you like to start %s now?";

// Closing running copies.
constexpr char kClosingTitle[] = "Closing Running Copies";
constexpr char kClosingFormat[] =
    "Any copies of %s currently running must now be shut down. This may take a few seconds.";

// The data-folder choice and its dialog.
constexpr char kWindowsFolderTitle[] = "Can't Install to Windows Directory";
constexpr char kWindowsFolderText[] =
    "That directory is the Windows directory. It is not safe to install applications in the Windows directory "
    "because it contains other important system files. Please choose another location.";
constexpr char kShuttingDownTitle[] = "Shutting Down";
constexpr char kShuttingDownText[] =
    "This program cannot operate without a data folder to store its files in. The program will exit now. Please "
    "determine an appropriate folder name and start the program again later.";
constexpr char kExistingFolderTitle[] = "Write Data to Existing Folder?";
constexpr char kExistingFolderText[] =
    "That folder already exists. The application can use it, but we do not recommend using a folder that is "
    "already being used for other purposes. Are you sure you want to use this directory?";
// Another installation or removal of the product holds the lock and shows no
// window here (the installer and the uninstaller both say so).
constexpr char kLockHeldTitle[] = "Installation In Progress";
constexpr char kLockHeldFormat[] =
    "Another installation or removal of %s is running. Please wait until it has finished, then try again.";

// Where an installation records its data folder.
constexpr char kIniSection[] = "Options";
constexpr char kIniKey[] = "dataDir";

// snprintf of a format of this header with string or int arguments.
template <typename... Arguments>
std::string FormatText(const char* format, Arguments... arguments) {
    char text[2048];
    int length = std::snprintf(text, sizeof text, format, arguments...);
    return length >= 0 && length < static_cast<int>(sizeof text) ? std::string(text) : std::string();
}

}  // namespace e2e
