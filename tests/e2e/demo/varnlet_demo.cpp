// Carries out one complete installation of Varnlet the way a person would,
// printing each step and saving a screenshot of each screen.
//
// usage: varnlet_demo.exe INSTALLER SCREENSHOT_FOLDER
//
// It accepts the licence, keeps the proposed data folder (confirming it if the
// installer asks), lets running copies close, starts Varnlet at the end,
// shows its window and closes it again. Exit status 0 when the installation
// went all the way, 1 when a step failed (the reason is printed).
#include <windows.h>
#include <shlobj.h>

#include <cstdio>
#include <string>
#include <vector>

#include "tests/e2e/driver/install_traces.h"
#include "tests/e2e/driver/installer_texts.h"
#include "tests/e2e/driver/installer_walk.h"
#include "tests/support/window_driver.h"

namespace {

constexpr char kProductName[] = "Varnlet";
constexpr char kMainExecutable[] = "vrl32.exe";
constexpr int kProductWindowMs = 30000;
// The letters of the busy animation's ring, drawn in the middle half of the
// screen, and how long after the notice closes they may take to appear.
constexpr COLORREF kBusyRingColour = RGB(255, 216, 216);
constexpr int kBusyRingMs = 5000;

// True once a pixel of the ring's colour shows in the middle half of the
// screen, so the screenshot catches the animation rather than the moment
// before it.
bool WaitForBusyRing() {
    int width = GetSystemMetrics(SM_CXSCREEN), height = GetSystemMetrics(SM_CYSCREEN);
    int left = width / 4, top = height / 4, boxWidth = width / 2, boxHeight = height / 2;
    BITMAPINFO format = {};
    format.bmiHeader.biSize = sizeof format.bmiHeader;
    format.bmiHeader.biWidth = boxWidth;
    format.bmiHeader.biHeight = -boxHeight;
    format.bmiHeader.biPlanes = 1;
    format.bmiHeader.biBitCount = 32;
    format.bmiHeader.biCompression = BI_RGB;
    void* bits = nullptr;
    HDC screen = GetDC(nullptr);
    HDC memory = CreateCompatibleDC(screen);
    HBITMAP picture = CreateDIBSection(screen, &format, DIB_RGB_COLORS, &bits, nullptr, 0);
    bool seen = false;
    if (memory && picture) {
        HGDIOBJ previous = SelectObject(memory, picture);
        const DWORD wanted = GetBValue(kBusyRingColour) | GetGValue(kBusyRingColour) << 8 |
                             GetRValue(kBusyRingColour) << 16;
        DWORD start = GetTickCount();
        while (!seen && static_cast<int>(GetTickCount() - start) < kBusyRingMs) {
            BitBlt(memory, 0, 0, boxWidth, boxHeight, screen, left, top, SRCCOPY);
            GdiFlush();
            const DWORD* pixel = static_cast<const DWORD*>(bits);
            for (int i = 0; i < boxWidth * boxHeight && !seen; ++i) seen = (pixel[i] & 0xFFFFFF) == wanted;
            if (!seen) Sleep(50);
        }
        SelectObject(memory, previous);
    }
    if (picture) DeleteObject(picture);
    if (memory) DeleteDC(memory);
    ReleaseDC(nullptr, screen);
    return seen;
}

int Failed(const e2e::UserDriver& user) {
    std::printf("\nThe demo stopped: %s\n", user.Failure().c_str());
    return 1;
}

// Prints where the installation put things, as a person would look them up.
void ShowResult(const std::string& dataFolder) {
    std::printf("\nInstalled into %s:\n", dataFolder.c_str());
    for (const std::string& name : e2e::FolderEntries(dataFolder)) std::printf("  %s\n", name.c_str());
    std::string menu = e2e::JoinPath(e2e::ShellFolder(CSIDL_PROGRAMS), kProductName);
    std::printf("Start menu folder %s:\n", menu.c_str());
    for (const std::string& name : e2e::FolderEntries(menu)) {
        e2e::LinkSeen link = e2e::ReadLink(e2e::JoinPath(menu, name));
        std::printf("  %s -> %s\n", name.c_str(), link.target.c_str());
    }
    e2e::UninstallEntry entry = e2e::ReadUninstallEntry(kProductName);
    std::printf("Uninstall entry: %s\n",
                entry.present ? ("\"" + entry.displayName.text + "\", " + entry.uninstallString.text).c_str()
                              : "(none)");
}

}  // namespace

int main(int argc, char** argv) {
    if (argc != 3) {
        std::fprintf(stderr, "usage: varnlet_demo.exe INSTALLER SCREENSHOT_FOLDER\n");
        return 2;
    }
    e2e::UserDriver user(argv[2], stdout);
    if (!user.Start(argv[1], "", "", {})) return Failed(user);

    std::string title = e2e::FormatText(e2e::kBackgroundTitleFormat, kProductName);
    if (!user.WaitForWindow(title.c_str(), e2e::kNextWindowMs)) return Failed(user);
    std::string licence;
    if (!e2e::AnswerLicence(user, true, &licence)) return Failed(user);

    std::string parent, application;
    HWND folderDialog = e2e::WaitForFolderDialog(user, &parent, &application);
    if (!folderDialog || !user.Click(folderDialog, IDOK)) return Failed(user);
    std::string dataFolder = e2e::JoinPath(parent, application);

    // A folder that exists already and is not named after the product is
    // confirmed; then the running copies are closed.
    int which = -1;
    e2e::MessageBoxSeen box;
    if (!user.WaitForAnyMessageBox({e2e::kExistingFolderTitle, e2e::kClosingTitle}, e2e::kNextWindowMs, &which,
                                   &box))
        return Failed(user);
    if (which == 0 && !(user.Answer(box, IDYES) &&
                        user.WaitForMessageBox(e2e::kClosingTitle, e2e::kNextWindowMs, &box)))
        return Failed(user);
    if (!user.Answer(box, IDOK)) return Failed(user);
    user.Step("waiting while running copies of Varnlet close (about 10 seconds)", false);
    if (WaitForBusyRing()) user.Step("the busy animation turns while they close", true);

    if (!e2e::AnswerMessageBox(user, e2e::kSuccessTitle, IDYES, e2e::kAfterWaitMs, &box)) return Failed(user);
    DWORD exitStatus = 0;
    if (!user.WaitForExit(e2e::kNextWindowMs, &exitStatus)) return Failed(user);

    // The installer started Varnlet on Yes: show its window, then close it.
    std::vector<e2e::ProcessSeen> started = e2e::ProcessesNamed(kMainExecutable);
    if (started.empty()) {
        std::printf("\nThe demo stopped: Varnlet was not started after Yes\n");
        return 1;
    }
    HWND varnlet = testing_support::WaitForWindow(started.front().id, kProductName, nullptr, kProductWindowMs);
    if (!varnlet) {
        std::printf("\nThe demo stopped: Varnlet (%s) shows no window titled \"%s\"\n%s",
                    started.front().image.c_str(), kProductName, testing_support::DescribeWindows(0).c_str());
        return 1;
    }
    user.Step("Varnlet is running: " + started.front().image, true);
    (void)PostMessageA(varnlet, WM_CLOSE, 0, 0);
    if (!testing_support::WaitForWindowGone(varnlet, kProductWindowMs)) e2e::EndProcess(started.front().id);
    user.Step("closed Varnlet", false);

    ShowResult(dataFolder);
    std::printf("\nScreenshots of each step: %s\n", argv[2]);
    return 0;
}
