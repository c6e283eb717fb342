// The modeless "Setup Progress" dialog and the callback through which the
// extraction reports the file it writes and the share done.
#include "ui/progress_dialog.h"
#include "common/bounded_format.h"

#include <cstdio>
#include <cstring>

#include "resources/resource_ids.h"

namespace {

// "Percent Complete: -2147483648%" is the longest line the format can make.
constexpr int kPercentLineBytes = 40;
// Item texts are payload names, which fit the installer's path buffers.
constexpr size_t kItemBytes = 1024;

// What the dialog's two lines show, as far as the callback set them. Most
// calls repeat the name of the file being written, and the percentage moves
// far less often than once a chunk: a line that would not change is not set,
// and nothing is painted when neither changes. What the dialog shows after
// each call is the same either way.
struct ShownLines {
    HWND dialog;
    bool percentShown;
    int percent;
    bool itemShown;
    BOOL itemResult;
    char item[kItemBytes];
};
ShownLines shown;

void ForgetShownLines(HWND dialog) {
    shown.dialog = dialog;
    shown.percentShown = false;
    shown.itemShown = false;
}

}  // namespace

HWND CreateProgressDialog(HINSTANCE instance, HWND owner) {
    return CreateDialogParamA(instance, MAKEINTRESOURCEA(IDD_PROGRESS), owner, ProgressDialogProc, 0);
}

INT_PTR CALLBACK ProgressDialogProc(HWND dialog, UINT message, WPARAM wParam, LPARAM /*lParam*/) {
    switch (message) {
    case WM_INITDIALOG:
        // A new dialog shows its template's lines, whatever an earlier one showed.
        ForgetShownLines(dialog);
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
    if (dialog != shown.dialog) ForgetShownLines(dialog);
    bool changed = false;
    if (!shown.percentShown || shown.percent != percent) {
        char percentLine[kPercentLineBytes];
        if (FormatBounded(percentLine, sizeof percentLine, "Percent Complete: %d%%", percent)) {
            shown.percentShown = SetDlgItemTextA(dialog, IDC_PROGRESS_PERCENT, percentLine) != FALSE;
            shown.percent = percent;
            changed = true;
        }
    }
    const char* item = text ? text : "";
    if (!shown.itemShown || std::strcmp(shown.item, item) != 0) {
        shown.itemResult = SetDlgItemTextA(dialog, IDC_PROGRESS_ITEM, item);
        shown.itemShown = shown.itemResult != FALSE && FormatBounded(shown.item, sizeof shown.item, "%s", item);
        changed = true;
    }
    // No message loop runs during the extraction, so paint what changed now;
    // otherwise the dialog would stay as it was when it was created.
    if (changed && dialog) (void)RedrawWindow(dialog, nullptr, nullptr, RDW_UPDATENOW | RDW_ALLCHILDREN);
    return shown.itemResult;
}
