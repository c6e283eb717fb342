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
// The two line controls are looked up once per dialog: with thousands of
// small files, a lookup per file costs as much as writing a small file.
struct ShownLines {
    HWND dialog;
    HWND percentLine;
    HWND itemLine;
    bool percentShown;
    int percent;
    bool itemShown;
    BOOL itemResult;
    char item[kItemBytes];
};
ShownLines shown;

void ForgetShownLines(HWND dialog) {
    shown.dialog = dialog;
    shown.percentLine = dialog ? GetDlgItem(dialog, IDC_PROGRESS_PERCENT) : nullptr;
    shown.itemLine = dialog ? GetDlgItem(dialog, IDC_PROGRESS_ITEM) : nullptr;
    shown.percentShown = false;
    shown.itemShown = false;
}

// No message loop runs during the extraction, so a line is painted as soon as
// it is set; otherwise the dialog would stay as it was when it was created.
// Only that control is painted, not the whole dialog.
BOOL SetLine(HWND line, const char* text) {
    const BOOL result = SetWindowTextA(line, text);
    if (line) (void)RedrawWindow(line, nullptr, nullptr, RDW_UPDATENOW);
    return result;
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
    // The first update paints the whole dialog: no message loop has run since
    // it was made, so its frame and its fixed text are not on screen yet.
    if (dialog && !shown.percentShown && !shown.itemShown)
        (void)RedrawWindow(dialog, nullptr, nullptr, RDW_UPDATENOW | RDW_ALLCHILDREN);
    if (!shown.percentShown || shown.percent != percent) {
        char percentLine[kPercentLineBytes];
        if (FormatBounded(percentLine, sizeof percentLine, "Percent Complete: %d%%", percent)) {
            shown.percentShown = SetLine(shown.percentLine, percentLine) != FALSE;
            shown.percent = percent;
        }
    }
    const char* item = text ? text : "";
    if (!shown.itemShown || std::strcmp(shown.item, item) != 0) {
        shown.itemResult = SetLine(shown.itemLine, item);
        shown.itemShown = shown.itemResult != FALSE && FormatBounded(shown.item, sizeof shown.item, "%s", item);
    }
    return shown.itemResult;
}
