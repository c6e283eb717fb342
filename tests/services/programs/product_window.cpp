// A stand-in for a running copy of the product (or of its Win9x service
// form): one visible top-level window whose title comes from the command
// line, and a log of the close and quit requests it receives.
//
// usage: product_window.exe TITLE LOGFILE [--ignore-close]
//   Appends "WM_CLOSE <wParam> <lParam>" or "WM_QUIT <wParam> <lParam>" to
//   LOGFILE for each request. WM_CLOSE closes the window and ends the program
//   (exit status 1) unless --ignore-close is given, in which case the window
//   stays open, like a program that asks the user to save first. WM_QUIT ends
//   the message loop (exit status 2).
#include <windows.h>

#include <cstdio>
#include <cstring>

namespace {

const char* logPath = nullptr;
bool ignoreClose = false;

void Record(const char* name, WPARAM wParam, LPARAM lParam) {
    FILE* log = std::fopen(logPath, "ab");
    if (!log) return;
    (void)std::fprintf(log, "%s %lu %ld\n", name, static_cast<unsigned long>(wParam), static_cast<long>(lParam));
    (void)std::fclose(log);
}

LRESULT CALLBACK WindowProc(HWND window, UINT message, WPARAM wParam, LPARAM lParam) {
    switch (message) {
    case WM_CLOSE:
        Record("WM_CLOSE", wParam, lParam);
        if (ignoreClose) return 0;
        (void)DestroyWindow(window);
        return 0;
    case WM_DESTROY:
        // This quit carries no window handle, which tells it apart from a
        // WM_QUIT posted to the window.
        PostQuitMessage(0);
        return 0;
    default:
        return DefWindowProcA(window, message, wParam, lParam);
    }
}

}  // namespace

int WINAPI WinMain(HINSTANCE instance, HINSTANCE, LPSTR, int) {
    if (__argc < 3 || (__argc == 4 && std::strcmp(__argv[3], "--ignore-close") != 0) || __argc > 4) {
        (void)std::fprintf(stderr, "usage: product_window.exe TITLE LOGFILE [--ignore-close]\n");
        return 64;
    }
    const char* title = __argv[1];
    logPath = __argv[2];
    ignoreClose = __argc == 4;

    WNDCLASSA windowClass = {};
    windowClass.lpfnWndProc = WindowProc;
    windowClass.hInstance = instance;
    windowClass.hCursor = LoadCursor(nullptr, IDC_ARROW);
    windowClass.hbrBackground = reinterpret_cast<HBRUSH>(COLOR_WINDOW + 1);
    windowClass.lpszClassName = "VarnletTestProductWindow";
    if (!RegisterClassA(&windowClass)) return 65;
    // Small, in a corner and not activated: other tests share the screen.
    HWND window = CreateWindowA(windowClass.lpszClassName, title, WS_OVERLAPPEDWINDOW, 824, 688, 200, 80, nullptr,
                                nullptr, instance, nullptr);
    if (!window) return 66;
    (void)ShowWindow(window, SW_SHOWNOACTIVATE);

    MSG message;
    BOOL got;
    while ((got = GetMessageA(&message, nullptr, 0, 0)) > 0) {
        (void)TranslateMessage(&message);
        (void)DispatchMessageA(&message);
    }
    if (got < 0) return 67;
    if (message.hwnd == nullptr) return 1;
    Record("WM_QUIT", message.wParam, message.lParam);
    return 2;
}
