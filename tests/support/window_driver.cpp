#include "tests/support/window_driver.h"

#include <cstdio>

namespace testing_support {

namespace {

struct Search {
    DWORD processId;
    const char* title;
    const char* className;
    HWND found;
};

BOOL CALLBACK MatchWindow(HWND window, LPARAM parameter) {
    Search* search = reinterpret_cast<Search*>(parameter);
    DWORD owner = 0;
    GetWindowThreadProcessId(window, &owner);
    if (search->processId != 0 && owner != search->processId) return TRUE;
    if (!IsWindowVisible(window)) return TRUE;
    if (search->title && WindowText(window) != search->title) return TRUE;
    if (search->className && ClassName(window) != search->className) return TRUE;
    search->found = window;
    return FALSE;
}

}  // namespace

HWND WaitForWindow(DWORD processId, const char* title, const char* className, int timeoutMs) {
    DWORD start = GetTickCount();
    for (;;) {
        Search search{processId, title, className, nullptr};
        EnumWindows(MatchWindow, reinterpret_cast<LPARAM>(&search));
        if (search.found) return search.found;
        if (static_cast<int>(GetTickCount() - start) >= timeoutMs) return nullptr;
        Sleep(20);
    }
}

bool WaitForWindowGone(HWND window, int timeoutMs) {
    DWORD start = GetTickCount();
    while (IsWindow(window)) {
        if (static_cast<int>(GetTickCount() - start) >= timeoutMs) return false;
        Sleep(20);
    }
    return true;
}

std::string WindowText(HWND window) {
    char text[4096];
    // WM_GETTEXT reaches windows of other processes too. Not SMTO_ABORTIFHUNG:
    // a thread that has just come back from a long blocking wait (the busy
    // animation) still counts as hung for a moment and would read as "".
    DWORD_PTR length = 0;
    if (!SendMessageTimeoutA(window, WM_GETTEXT, sizeof text, reinterpret_cast<LPARAM>(text), SMTO_NORMAL, 5000,
                             &length))
        return std::string();
    return std::string(text, length < sizeof text ? length : 0);
}

std::string ClassName(HWND window) {
    char name[256];
    int length = GetClassNameA(window, name, sizeof name);
    return std::string(name, length > 0 ? length : 0);
}

std::string DialogItemText(HWND dialog, int id) {
    HWND item = GetDlgItem(dialog, id);
    return item ? WindowText(item) : std::string();
}

std::string MessageBoxText(HWND messageBox) {
    // The message text is the static control with id 0xFFFF.
    return DialogItemText(messageBox, 0xFFFF);
}

void SetDialogItemText(HWND dialog, int id, const char* text) {
    SendMessageA(GetDlgItem(dialog, id), WM_SETTEXT, 0, reinterpret_cast<LPARAM>(text));
}

void PressButton(HWND dialog, int id) {
    PostMessageA(dialog, WM_COMMAND, MAKEWPARAM(id, BN_CLICKED), reinterpret_cast<LPARAM>(GetDlgItem(dialog, id)));
}

namespace {
struct Listing {
    DWORD processId;
    std::string text;
};
BOOL CALLBACK ListWindow(HWND window, LPARAM parameter) {
    Listing* listing = reinterpret_cast<Listing*>(parameter);
    DWORD owner = 0;
    GetWindowThreadProcessId(window, &owner);
    if ((listing->processId == 0 || owner == listing->processId) && IsWindowVisible(window)) {
        char line[600];
        std::snprintf(line, sizeof line, "  [%s] \"%s\"\n", ClassName(window).c_str(), WindowText(window).c_str());
        listing->text += line;
        // A message box says what it waits for.
        if (ClassName(window) == "#32770") listing->text += "    " + MessageBoxText(window) + "\n";
    }
    return TRUE;
}
}  // namespace

std::string DescribeWindows(DWORD processId) {
    Listing listing{processId, "visible windows:\n"};
    EnumWindows(ListWindow, reinterpret_cast<LPARAM>(&listing));
    return listing.text;
}

}  // namespace testing_support
