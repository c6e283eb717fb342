// Placeholder definitions so the installer links while the user interface is
// being written; replaced file by file.
#include "setup/globals.h"
#include "ui/background_window.h"
#include "ui/busy_animation.h"
#include "ui/licence_dialog.h"
#include "ui/progress_dialog.h"

bool CreateBackgroundWindow(HINSTANCE) { return true; }
void DestroyBackgroundWindow() {}
LRESULT CALLBACK BackgroundWindowProc(HWND w, UINT m, WPARAM wp, LPARAM lp) { return DefWindowProcA(w, m, wp, lp); }
INT_PTR RunLicenceDialog(HINSTANCE, HWND) { return 1; }
INT_PTR CALLBACK LicenceDialogProc(HWND, UINT, WPARAM, LPARAM) { return FALSE; }
HWND CreateProgressDialog(HINSTANCE, HWND) { return nullptr; }
INT_PTR CALLBACK ProgressDialogProc(HWND, UINT, WPARAM, LPARAM) { return FALSE; }
int ProgressCallback(HWND, const char*, int) { return 0; }
void BusyWait(int milliseconds) { if (milliseconds > 0) Sleep(milliseconds); }
