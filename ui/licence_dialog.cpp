// The modal licence agreement, the first question of every installation.
#include "ui/licence_dialog.h"

#include "product/product_data.h"
#include "resources/resource_ids.h"

INT_PTR RunLicenceDialog(HINSTANCE instance, HWND owner) {
    INT_PTR result = DialogBoxParamA(instance, MAKEINTRESOURCEA(IDD_LICENCE), owner, LicenceDialogProc, 0);
    // A dialog that could not be shown (-1) was not accepted either.
    return result == 1 ? 1 : 0;
}

INT_PTR CALLBACK LicenceDialogProc(HWND dialog, UINT message, WPARAM wParam, LPARAM /*lParam*/) {
    switch (message) {
    case WM_INITDIALOG:
        // The text goes in exactly as stored: its CR CR LF line ends are
        // line breaks to the edit control.
        (void)SetDlgItemTextA(dialog, IDC_LICENCE_TEXT, LicenceText);
        (void)ShowWindow(dialog, SW_SHOW);
        return TRUE;  // focus to the first tab stop, "I Accept", so Enter accepts
    case WM_COMMAND:
        switch (LOWORD(wParam)) {
        case IDOK:
            (void)EndDialog(dialog, 1);
            return TRUE;
        case IDCANCEL:  // "I Do NOT Accept", Escape and the close box
            (void)EndDialog(dialog, 0);
            return FALSE;
        default:
            return FALSE;
        }
    default:
        return FALSE;
    }
}
