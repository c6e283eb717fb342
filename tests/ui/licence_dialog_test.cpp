// The licence agreement driven as a person would: keys, the close box and the
// buttons, with the background window as its owner.
#include <windows.h>

#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "common/globals.h"
#include "product/product_data.h"
#include "resources/resource_ids.h"
#include "tests/support/screenshot.h"
#include "tests/support/window_driver.h"
#include "tests/ui/ui_test_support.h"
#include "ui/licence_dialog.h"

namespace {

constexpr char kTitle[] = "END USER LICENSE AGREEMENT";
constexpr int kWaitMs = 10000;

enum class Action { kEnter, kEscape, kCloseBox, kDeclineButton, kAcceptButton };

// Input goes to this test's own windows as posted messages, the way the
// platform delivers it, and never through the shared desktop: other tests'
// windows may be on the same display at the same time.
void PressKey(HWND focus, WORD key) {
    UINT scanCode = MapVirtualKeyA(key, 0 /* MAPVK_VK_TO_VSC */);
    PostMessageA(focus, WM_KEYDOWN, key, 1 | scanCode << 16);
    PostMessageA(focus, WM_KEYUP, key, 1 | scanCode << 16 | 0xC0000000u);
}

// The dialog has a close box where its own hit test says HTCLOSE, searched
// along the caption from the right edge.
bool HasCloseBox(HWND window) {
    RECT rect;
    GetWindowRect(window, &rect);
    int captionMiddle = rect.top + GetSystemMetrics(SM_CYFIXEDFRAME) + GetSystemMetrics(SM_CYCAPTION) / 2;
    for (int x = rect.right - 1; x > rect.left; --x) {
        DWORD_PTR hit = 0;
        SendMessageTimeoutA(window, WM_NCHITTEST, 0, MAKELPARAM(x, captionMiddle), SMTO_ABORTIFHUNG, 2000, &hit);
        if (hit == HTCLOSE) return true;
    }
    return false;
}

HWND FocusOf(HWND dialog) {
    GUITHREADINFO gui = {};
    gui.cbSize = sizeof gui;
    return GetGUIThreadInfo(GetWindowThreadProcessId(dialog, nullptr), &gui) ? gui.hwndFocus : nullptr;
}

// The control with the keyboard focus once the dialog is the active window.
// Run alone, the dialog is active as soon as it shows; beside other tests'
// windows on the same display it may not be, and activating it hands the
// focus to the same control its creation chose.
HWND WaitForFocus(HWND dialog) {
    DWORD start = GetTickCount();
    bool activated = false;
    for (;;) {
        HWND focus = FocusOf(dialog);
        if (focus || GetTickCount() - start > static_cast<DWORD>(kWaitMs)) return focus;
        if (!activated) activated = SetForegroundWindow(dialog) != FALSE;
        Sleep(20);
    }
}

std::string FullText(HWND window) {
    int length = static_cast<int>(SendMessageA(window, WM_GETTEXTLENGTH, 0, 0));
    std::vector<char> text(length + 1);
    SendMessageA(window, WM_GETTEXT, text.size(), reinterpret_cast<LPARAM>(text.data()));
    return std::string(text.data());
}

// What the driver saw of the dialog before acting on it.
struct Observed {
    HWND dialog = nullptr;
    HWND owner = nullptr;
    HWND focus = nullptr;
    HWND acceptButton = nullptr;
    bool visible = false;
    std::string text;
    POINT clientOrigin = {};
    RECT placement = {};  // 50, 25 dialog units in pixels
    bool closeBoxFound = true;
    bool gone = false;
};

void Drive(Action action, Observed* seen) {
    HWND dialog = testing_support::WaitForWindow(GetCurrentProcessId(), kTitle, "#32770", kWaitMs);
    seen->dialog = dialog;
    if (!dialog) return;
    seen->visible = IsWindowVisible(dialog) != FALSE;
    seen->owner = GetWindow(dialog, GW_OWNER);
    seen->acceptButton = GetDlgItem(dialog, IDOK);
    seen->focus = WaitForFocus(dialog);
    seen->text = FullText(GetDlgItem(dialog, IDC_LICENCE_TEXT));
    ClientToScreen(dialog, &seen->clientOrigin);
    seen->placement = RECT{50, 25, 0, 0};
    MapDialogRect(dialog, &seen->placement);

    switch (action) {
    case Action::kEnter:
        (void)testing_support::SaveScreenshot("licence_dialog.bmp");
        PressKey(seen->focus, VK_RETURN);
        break;
    case Action::kEscape:
        PressKey(seen->focus, VK_ESCAPE);
        break;
    case Action::kCloseBox:
        // A click on the close box becomes this system command.
        seen->closeBoxFound = HasCloseBox(dialog);
        PostMessageA(dialog, WM_SYSCOMMAND, SC_CLOSE, 0);
        break;
    case Action::kDeclineButton:
        PostMessageA(GetDlgItem(dialog, IDCANCEL), BM_CLICK, 0, 0);
        break;
    case Action::kAcceptButton:
        PostMessageA(GetDlgItem(dialog, IDOK), BM_CLICK, 0, 0);
        break;
    }
    seen->gone = testing_support::WaitForWindowGone(dialog, kWaitMs);
    // Never leave the test hanging in the modal loop.
    if (!seen->gone) PostMessageA(dialog, WM_COMMAND, IDOK, 0);
}

class LicenceDialog : public ui_test::BackgroundWindowTest {};

}  // namespace

TEST_F(LicenceDialog, EachWayOutGivesItsResult) {
    struct Case {
        const char* name;
        Action action;
        INT_PTR expected;
    } cases[] = {
        {"Enter right after it shows", Action::kEnter, 1},
        {"Escape", Action::kEscape, 0},
        {"the close box", Action::kCloseBox, 0},
        {"\"I Do NOT Accept\"", Action::kDeclineButton, 0},
        {"\"I Accept\"", Action::kAcceptButton, 1},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.name);
        Observed seen;
        ui_test::DriverThread driver([&] { Drive(c.action, &seen); });
        INT_PTR result = RunLicenceDialog(GetModuleHandleA(nullptr), backgroundHwnd);
        driver.Join();
        ASSERT_NE(nullptr, seen.dialog) << testing_support::DescribeWindows(GetCurrentProcessId());
        EXPECT_TRUE(seen.closeBoxFound);
        EXPECT_TRUE(seen.gone) << "the dialog did not end by itself";
        EXPECT_EQ(c.expected, result);
        EXPECT_TRUE(seen.visible);
        EXPECT_EQ(backgroundHwnd, seen.owner);
        EXPECT_EQ(seen.acceptButton, seen.focus) << "the keyboard focus starts on \"I Accept\"";
        ui_test::PumpMessages();
    }
}

TEST_F(LicenceDialog, ShowsTheLicenceTextByteForByteAtItsPlace) {
    Observed seen;
    ui_test::DriverThread driver([&] { Drive(Action::kAcceptButton, &seen); });
    INT_PTR result = RunLicenceDialog(GetModuleHandleA(nullptr), backgroundHwnd);
    driver.Join();
    ASSERT_NE(nullptr, seen.dialog);
    EXPECT_EQ(1, result);
    ASSERT_GT(std::string(LicenceText).size(), 0u);
    EXPECT_EQ(std::string(LicenceText), seen.text);
    EXPECT_NE(std::string::npos, seen.text.find("\r\r\n")) << "the stored line ends reach the box unchanged";

    // The dialog's client area starts 50, 25 dialog units from the owner's
    // client origin, no centring.
    POINT origin = {0, 0};
    ClientToScreen(backgroundHwnd, &origin);
    EXPECT_EQ(origin.x + seen.placement.left, seen.clientOrigin.x);
    EXPECT_EQ(origin.y + seen.placement.top, seen.clientOrigin.y);
}
