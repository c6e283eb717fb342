#include "datafolder/folder_dialog.h"

#include <shlobj.h>

#include <cwchar>

#include "common/globals.h"
#include "common/scoped.h"
#include "common/system_calls.h"
#include "datafolder/folder_check.h"
#include "datafolder/folder_text.h"
#include "datafolder/folder_verdict_text.h"
#include "datafolder/folder_warning.h"
#include "resources/resource_ids.h"

namespace {

const char kBrowseTitle[] = "Select a Folder";

// Reads a field as Unicode text into a buffer one unit larger than the
// field's limit, so a text that would be cut is told from one that fits.
bool readField(HWND dialog, int id, wchar_t (&text)[kFieldBytes + 1]) {
    UINT length = GetDlgItemTextW(dialog, id, text, kFieldBytes + 1);
    return length <= kMaxFolderPathLength;
}

// parent + "\" + application. The folder check resolves "/" and doubled
// separators, so "C:/Data/" and "C:\Data" give the same folder.
bool composeTyped(const wchar_t* parent, const wchar_t* application, wchar_t* out, size_t outSize) {
    size_t parentLength = std::wcslen(parent);
    size_t applicationLength = std::wcslen(application);
    if (parentLength + 1 + applicationLength >= outSize) return false;
    std::wmemcpy(out, parent, parentLength);
    out[parentLength] = L'\\';
    std::wmemcpy(out + parentLength + 1, application, applicationLength + 1);
    return true;
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

// Tells the user why the folder is refused; for an existing folder of
// unknown use, asks. True when the user accepts the folder after all.
bool answerVerdict(HWND dialog, const FolderCheck& check) {
    if (check.verdict == FolderVerdict::kUnusableCharacters) {
        // The characters themselves exist only as Unicode text.
        wchar_t text[kPathBufferBytes];
        wchar_t title[kFieldBytes];
        if (FormatUnusableCharacters(check, text, sizeof text / sizeof text[0]) &&
            MultiByteToWideChar(CP_ACP, 0, FolderVerdictTitle(check.verdict), -1, title, kFieldBytes) > 0) {
            (void)MessageBoxW(dialog, text, title, MB_OK | MB_ICONWARNING);
            return false;
        }
    }
    char text[kPathBufferBytes];
    (void)FormatFolderVerdict(check, text, sizeof text);
    if (check.verdict == FolderVerdict::kOtherFolder)
        return MessageBoxA(dialog, text, FolderVerdictTitle(check.verdict), MB_YESNO) == IDYES;
    showFolderWarning(dialog, text, FolderVerdictTitle(check.verdict));
    return false;
}

// Decides about the folder the fields name; true ends the dialog with 1.
bool acceptFolder(HWND dialog) {
    wchar_t parent[kFieldBytes + 1];
    wchar_t application[kFieldBytes + 1];
    wchar_t typed[2 * kFieldBytes];
    FolderCheck check;
    if (!readField(dialog, IDC_FOLDER_PARENT, parent) || !readField(dialog, IDC_FOLDER_APPLICATION, application) ||
        !composeTyped(parent, application, typed, sizeof typed / sizeof typed[0])) {
        check.verdict = FolderVerdict::kTooLong;
        return answerVerdict(dialog, check);
    }
    CheckChosenFolderW(typed, true, &check);
    // dataFolder follows every attempt that got as far as a folder, also one
    // that is then refused.
    if (check.folder[0] != '\0') (void)copyText(dataFolder, sizeof dataFolder, check.folder);
    if (check.verdict == FolderVerdict::kCreated || check.verdict == FolderVerdict::kProductFolder) return true;
    return answerVerdict(dialog, check);
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
