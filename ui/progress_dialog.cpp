// The modeless "Setup Progress" dialog and the callback through which the
// extraction reports the file it writes and the share done.
#include "ui/progress_dialog.h"
#include "common/bounded_format.h"

#include <cstdio>

#include "resources/resource_ids.h"

namespace {

// "Percent Complete: -2147483648%" is the longest line the format can make.
constexpr int kPercentLineBytes = 40;

}  // namespace

HWND CreateProgressDialog(HINSTANCE instance, HWND owner) {
    return CreateDialogParamA(instance, MAKEINTRESOURCEA(IDD_PROGRESS), owner, ProgressDialogProc, 0);
}

INT_PTR CALLBACK ProgressDialogProc(HWND dialog, UINT message, WPARAM wParam, LPARAM /*lParam*/) {
    switch (message) {
    case WM_INITDIALOG:
        (void)ShowWindow(dialog, SW_SHOW);
        return TRUE;
    case WM_COMMAND:
        // The close box only takes the window off the screen: the extraction
        // cannot be stopped and keeps updating the hidden dialog.
        if (LOWORD(wParam) == IDCANCEL) (void)EndDialog(dialog, 0);
        return FALSE;
    default:
        return FALSE;
    }
}

int ProgressCallback(HWND dialog, const char* text, int percent) {
    char percentLine[kPercentLineBytes];
    if (FormatBounded(percentLine, sizeof percentLine, "Percent Complete: %d%%", percent))
        (void)SetDlgItemTextA(dialog, IDC_PROGRESS_PERCENT, percentLine);
    BOOL shown = SetDlgItemTextA(dialog, IDC_PROGRESS_ITEM, text ? text : "");
    // No message loop runs during the extraction, so paint what changed now;
    // otherwise the dialog would stay as it was when it was created.
    if (dialog) (void)RedrawWindow(dialog, nullptr, nullptr, RDW_UPDATENOW | RDW_ALLCHILDREN);
    return shown;
}
