// The modeless "Setup Progress" dialog and the callback through which the
// extraction reports the file it writes and the share done.
#include "ui/progress_dialog.h"
#include "common/bounded_format.h"

#include "resources/resource_ids.h"
#include "ui/instant_text_line.h"

namespace {

// "Percent Complete: -2147483648%" is the longest line the format can make.
constexpr int kPercentLineBytes = 40;

// The dialog's two lines, prepared once per dialog: with thousands of small
// files, a control lookup or a repaint by the control itself per file costs as
// much as writing a small file. The percentage moves far less often than once
// a chunk, so its line is formatted only when it changes; the item line itself
// passes over a name it shows already.
struct ShownLines {
    HWND dialog;
    InstantTextLine percentLine;
    InstantTextLine itemLine;
    bool painted;
    bool percentShown;
    int percent;
};
ShownLines shown;

// A null dialog lets go of the last one's lines.
void ForgetShownLines(HWND dialog) {
    shown.dialog = dialog;
    shown.percentLine.Attach(dialog, dialog ? GetDlgItem(dialog, IDC_PROGRESS_PERCENT) : nullptr);
    shown.itemLine.Attach(dialog, dialog ? GetDlgItem(dialog, IDC_PROGRESS_ITEM) : nullptr);
    shown.painted = false;
    shown.percentShown = false;
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
    case WM_DESTROY:
        if (dialog == shown.dialog) ForgetShownLines(nullptr);
        return FALSE;
    default:
        return FALSE;
    }
}

int ProgressCallback(HWND dialog, const char* text, int percent) {
    if (dialog != shown.dialog) ForgetShownLines(dialog);
    // The first update paints the whole dialog: no message loop has run since
    // it was made, so its frame and its fixed text are not on screen yet.
    if (dialog && !shown.painted) {
        (void)RedrawWindow(dialog, nullptr, nullptr, RDW_UPDATENOW | RDW_ALLCHILDREN);
        shown.painted = true;
    }
    if (!shown.percentShown || shown.percent != percent) {
        char percentLine[kPercentLineBytes];
        if (FormatBounded(percentLine, sizeof percentLine, "Percent Complete: %d%%", percent)) {
            shown.percentShown = shown.percentLine.Show(percentLine) != FALSE;
            shown.percent = percent;
        }
    }
    return shown.itemLine.Show(text ? text : "");
}
