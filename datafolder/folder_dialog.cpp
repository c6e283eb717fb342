#include "datafolder/folder_dialog.h"

#include <shlobj.h>
#include <direct.h>
#include <sys/stat.h>

#include <cstdio>

#include "common/bounded_format.h"
#include "common/globals.h"
#include "common/scoped.h"
#include "common/system_calls.h"
#include "datafolder/folder_text.h"
#include "datafolder/folder_warning.h"
#include "resources/resource_ids.h"

namespace {

const char kCreateFailedTitle[] = "Can't Create Directory";
const char kCreateFailedText[] =
    "That folder does not exist, and the application was not able to create it. Most likely the parent folder "
    "does not exist or you have entered a path the program does not have write access to.";
const char kFileTitle[] = "Please Enter a Folder Name";
const char kFileFormat[] =
    "That path specifies a file, and not a new or existing folder name. Please enter a folder name, such as %s "
    "for example.";
const char kExistingTitle[] = "Write Data to Existing Folder?";
const char kExistingText[] =
    "That folder already exists. The application can use it, but we do not recommend using a folder that is "
    "already being used for other purposes. Are you sure you want to use this directory?";
const char kTooLongTitle[] = "Folder Name Too Long";
const char kTooLongFormat[] =
    "That folder name is too long. The whole path of the folder, parent folder and application folder together, "
    "may have at most %u characters. Please choose a shorter name.";
const char kBrowseTitle[] = "Select a Folder";

void warnTooLong(HWND dialog) {
    char text[kPathBufferBytes];
    bool formatted = FormatBounded(text, sizeof text, kTooLongFormat, static_cast<unsigned>(kMaxFolderPathLength));
    showFolderWarning(dialog, formatted ? text : kTooLongTitle, kTooLongTitle);
}

void warnFile(HWND dialog) {
    char text[kPathBufferBytes];
    // A folder name too long for the example still gets the message, without it.
    if (!FormatBounded(text, sizeof text, kFileFormat, ProductConfig.folderName))
        (void)FormatBounded(text, sizeof text, kFileFormat, "");
    showFolderWarning(dialog, text, kFileTitle);
}

// Reads a field into a buffer one byte larger than the field's limit, so a
// text that would be cut is told from one that fits.
bool readField(HWND dialog, int id, char (&text)[kFieldBytes + 1]) {
    UINT length = GetDlgItemTextA(dialog, id, text, sizeof text);
    return length <= kMaxFolderPathLength;
}

void onInitDialog(HWND dialog) {
    char parent[kFieldBytes];
    char application[kFieldBytes];
    // A recorded folder longer than a field holds is shown as far as it goes;
    // OK refuses such a path rather than using a cut one.
    (void)splitFolderText(dataFolder, parent, sizeof parent, application, sizeof application);
    (void)SetDlgItemTextA(dialog, IDC_FOLDER_PARENT, parent);
    (void)SetDlgItemTextA(dialog, IDC_FOLDER_APPLICATION, application);
    (void)ShowWindow(dialog, SW_SHOW);
    (void)SetFocus(GetDlgItem(dialog, IDOK));
}

// Decides about the folder the fields name; true ends the dialog with 1.
bool acceptFolder(HWND dialog) {
    char parent[kFieldBytes + 1];
    char application[kFieldBytes + 1];
    char path[kFieldBytes];
    if (!readField(dialog, IDC_FOLDER_PARENT, parent) || !readField(dialog, IDC_FOLDER_APPLICATION, application) ||
        !composeFolderPath(parent, application, path, sizeof path)) {
        warnTooLong(dialog);
        return false;
    }
    // dataFolder follows every attempt, also one that is then refused.
    (void)copyText(dataFolder, sizeof dataFolder, path);

    struct _stat status;
    if (_stat(dataFolder, &status) != 0) {
        if (_mkdir(dataFolder) == 0) return true;
        showFolderWarning(dialog, kCreateFailedText, kCreateFailedTitle);
        return false;
    }
    if ((status.st_mode & _S_IFDIR) == 0) {
        warnFile(dialog);
        return false;
    }
    if (endsWithFolderName(dataFolder, ProductConfig.folderName)) return true;
    return MessageBoxA(dialog, kExistingText, kExistingTitle, MB_YESNO) == IDYES;
}

// Replaces the parent field with a folder picked in the shell's browser; the
// application field keeps what the user typed.
void browseForParent(HWND dialog) {
    // The browser needs COM on this thread; another owner may have started it
    // already (S_FALSE), which still has to be balanced.
    ScopedComInit com;
    BROWSEINFOA browse = {};
    browse.hwndOwner = dialog;
    browse.lpszTitle = kBrowseTitle;
    browse.ulFlags = BIF_RETURNONLYFSDIRS;
    ScopedItemIdList item(sys::SHBrowseForFolderA(&browse));
    char folder[MAX_PATH];
    if (item && sys::SHGetPathFromIDListA(item.Get(), folder)) (void)SetDlgItemTextA(dialog, IDC_FOLDER_PARENT, folder);
}

}  // namespace

INT_PTR CALLBACK folderDialogProc(HWND dialog, UINT message, WPARAM wParam, LPARAM) {
    switch (message) {
    case WM_INITDIALOG:
        onInitDialog(dialog);
        return TRUE;
    case WM_COMMAND:
        switch (LOWORD(wParam)) {
        case IDOK:
            if (acceptFolder(dialog)) (void)EndDialog(dialog, 1);
            return TRUE;
        case IDCANCEL:
            (void)EndDialog(dialog, 0);
            return TRUE;
        case IDC_FOLDER_BROWSE:
            browseForParent(dialog);
            return TRUE;
        }
        return FALSE;
    }
    return FALSE;
}
