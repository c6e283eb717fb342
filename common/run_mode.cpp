#include "common/run_mode.h"

#include "common/run_log.h"

RunMode runMode = RunMode::kInteractive;

int UnattendedAnswer(UINT style) {
    switch (style & MB_TYPEMASK) {
    case MB_YESNO:
    case MB_YESNOCANCEL:
        return IDNO;
    case MB_OKCANCEL:
    case MB_RETRYCANCEL:
        return IDCANCEL;
    case MB_ABORTRETRYIGNORE:
        return IDABORT;
    default:
        return IDOK;
    }
}

int ShowMessageBox(HWND owner, const char* text, const char* title, UINT style) {
    if (AsksUser()) {
        LogLine("Message \"%s\" shown", title);
        return MessageBoxA(owner, text, title, style);
    }
    // The caller deploying the product reads in the log what a user would
    // have been told.
    LogLine("Message \"%s\" not shown (unattended run): %s", title, text);
    return UnattendedAnswer(style);
}
