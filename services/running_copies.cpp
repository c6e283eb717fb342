// Asking running copies of the product to close before its files are
// replaced. The requests are posted, never sent: a copy that hangs or asks
// the user something cannot hold up the installer, and the timed pause is
// all the time the copies get.
#include "services/running_copies.h"

#include <windows.h>

#include "common/run_mode.h"
#include "common/window_match.h"
#include "product/product_data.h"
#include "ui/busy_animation.h"

namespace {

// Time between the notice and the requests, and the time the copies get to end.
constexpr int kBeforeClosingMs = 2000;
constexpr int kClosingMs = 8000;

}  // namespace

void closeRunningCopies(HINSTANCE /*instance*/, HWND owner) {
    char notice[kPathBufferBytes];
    if (!FormatClosingNotice(notice, sizeof notice, ProductConfig.productName)) {
        // The product data generator keeps product names far below this.
        OutputDebugStringA("closeRunningCopies: product name too long for the notice; nothing closed\n");
        return;
    }
    (void)ShowMessageBox(owner, notice, "Closing Running Copies", MB_OK | MB_ICONWARNING);
    BusyWait(kBeforeClosingMs);
    (void)EnumWindows(closeMatchingWindow, 0);
    BusyWait(kClosingMs);
}

BOOL CALLBACK closeMatchingWindow(HWND window, LPARAM /*parameter*/) {
    char pseudoServiceTitle[kPathBufferBytes];
    // Without a service name (or with one too long for a title) no window
    // is the service's, and nothing gets WM_QUIT.
    (void)FormatPseudoServiceTitle(pseudoServiceTitle, sizeof pseudoServiceTitle, ProductConfig.serviceName);

    char title[kPathBufferBytes];
    if (GetWindowTextA(window, title, sizeof title) <= 0) title[0] = '\0';

    switch (RequestForTitle(title, ProductConfig.productName, pseudoServiceTitle)) {
    case WindowRequest::kClose:
        (void)PostMessageA(window, WM_CLOSE, 0, 0);
        break;
    case WindowRequest::kQuit:
        // Ends the message loop of the thread that owns the window.
        (void)PostMessageA(window, WM_QUIT, 0, 0);
        break;
    case WindowRequest::kNone:
        break;
    }
    return TRUE;
}
