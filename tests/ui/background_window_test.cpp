// The background window on the real desktop: its class, caption and size, the
// painted bands and title rows, and repainting after something covered it.
#include <windows.h>

#include <gtest/gtest.h>

#include <algorithm>
#include <cstring>
#include <string>

#include "common/globals.h"
#include "product/product_data.h"
#include "resources/resource_ids.h"
#include "tests/support/screenshot.h"
#include "tests/support/window_driver.h"
#include "tests/ui/ui_test_support.h"
#include "ui/background_window.h"

using ui_test::Picture;

namespace {

constexpr COLORREF kWhite = RGB(255, 255, 255);

SIZE TitleExtent() {
    HDC screen = GetDC(nullptr);
    HGDIOBJ previous = SelectObject(screen, titleFont);
    SIZE extent = {0, 0};
    GetTextExtentPoint32A(screen, titleText, static_cast<int>(std::strlen(titleText)), &extent);
    SelectObject(screen, previous);
    ReleaseDC(nullptr, screen);
    return extent;
}

class BackgroundWindow : public ui_test::BackgroundWindowTest {};

}  // namespace

TEST_F(BackgroundWindow, CoversTheDesktopUnderTheTitleCaption) {
    std::string expectedTitle = std::string("Install ") + ProductConfig.productName;
    EXPECT_EQ(expectedTitle, titleText);
    EXPECT_EQ(expectedTitle, testing_support::WindowText(backgroundHwnd));
    EXPECT_EQ("install", testing_support::ClassName(backgroundHwnd));
    LONG style = GetWindowLongA(backgroundHwnd, GWL_STYLE);
    EXPECT_EQ(0x10CF0000, style & 0x10CF0000) << std::hex << "style 0x" << style;
    EXPECT_EQ(0, GetWindowLongA(backgroundHwnd, GWL_EXSTYLE) & ~WS_EX_WINDOWEDGE);
    EXPECT_EQ(nullptr, GetWindow(backgroundHwnd, GW_OWNER));

    RECT window, desktop;
    GetWindowRect(backgroundHwnd, &window);
    GetWindowRect(GetDesktopWindow(), &desktop);
    EXPECT_EQ(0, window.left);
    EXPECT_EQ(0, window.top);
    EXPECT_EQ(desktop.right, window.right);
    EXPECT_EQ(desktop.bottom, window.bottom);

    EXPECT_EQ(0u, GetClassLongA(backgroundHwnd, GCL_STYLE));
    EXPECT_EQ(0u, GetClassLongPtrA(backgroundHwnd, GCLP_HBRBACKGROUND));
    EXPECT_NE(0u, GetClassLongPtrA(backgroundHwnd, GCLP_HICON)) << "icon 110 as the class icon";
}

TEST_F(BackgroundWindow, TitleFontIsBoldTimesNewRomanOf48Units) {
    ASSERT_NE(nullptr, titleFont);
    LOGFONTA font = {};
    ASSERT_EQ(static_cast<int>(sizeof font), GetObjectA(titleFont, sizeof font, &font));
    EXPECT_EQ(48, font.lfHeight);
    EXPECT_EQ(700, font.lfWeight);
    EXPECT_EQ(0, font.lfItalic);
    EXPECT_EQ(0, font.lfCharSet);
    EXPECT_EQ(3, font.lfOutPrecision);
    EXPECT_EQ(2, font.lfClipPrecision);
    EXPECT_EQ(1, font.lfQuality);
    EXPECT_EQ(0x22, font.lfPitchAndFamily);
    EXPECT_STREQ("Times New Roman", font.lfFaceName);
}

// The client area shows exactly the picture drawn for the desktop's size;
// what lies beyond the smaller client area is clipped.
TEST_F(BackgroundWindow, ClientAreaShowsThePictureForTheDesktopSize) {
    SIZE desktop = ui_test::DesktopSize();
    Picture full = ui_test::RenderBackground(desktop.cx, desktop.cy);
    Picture client = ui_test::CaptureClient(backgroundHwnd);
    ASSERT_FALSE(client.Empty());
    ASSERT_LT(client.width, desktop.cx);
    ASSERT_LT(client.height, desktop.cy);
    Picture cropped;
    cropped.width = client.width;
    cropped.height = client.height;
    for (int y = 0; y < client.height; ++y)
        for (int x = 0; x < client.width; ++x) cropped.pixels.push_back(full.At(x, y));
    EXPECT_EQ("", ui_test::FirstDifference(cropped, client));

    // The bands as seen on the window itself, left of the title column.
    struct Sample {
        int band;
    } samples[] = {{0}, {1}, {10}, {31}, {50}};
    for (const Sample& sample : samples) {
        int top = desktop.cy * sample.band / 64;
        if (top >= client.height) continue;
        COLORREF expected = RGB(2 * sample.band, 2 * sample.band, 127 + 2 * sample.band);
        EXPECT_EQ(ui_test::DescribeColour(expected), ui_test::DescribeColour(client.At(2, top)))
            << "band " << sample.band << " at row " << top;
    }
    (void)testing_support::SaveScreenshot("background.bmp");
}

TEST_F(BackgroundWindow, RepaintAfterAMessageBoxGivesTheSamePicture) {
    Picture before = ui_test::CaptureClient(backgroundHwnd);
    ASSERT_FALSE(before.Empty());

    RECT covered = {};
    bool boxSeen = false;
    ui_test::DriverThread driver([&] {
        HWND box = testing_support::WaitForWindow(GetCurrentProcessId(), "Covering", nullptr, 10000);
        boxSeen = box != nullptr;
        if (!box) return;
        GetWindowRect(box, &covered);
        testing_support::PressButton(box, IDOK);
    });
    MessageBoxA(backgroundHwnd, "A message box over the background.", "Covering", MB_OK | MB_ICONWARNING);
    driver.Join();
    ASSERT_TRUE(boxSeen) << testing_support::DescribeWindows(GetCurrentProcessId());
    ui_test::PumpMessages();
    EXPECT_EQ("", ui_test::FirstDifference(before, ui_test::CaptureClient(backgroundHwnd)));

    // Spoil the area the box covered and let only that region be repainted:
    // the paint handler draws everything, the platform clips to the region.
    MapWindowPoints(nullptr, backgroundHwnd, reinterpret_cast<POINT*>(&covered), 2);
    HDC dc = GetDC(backgroundHwnd);
    FillRect(dc, &covered, static_cast<HBRUSH>(GetStockObject(BLACK_BRUSH)));
    ReleaseDC(backgroundHwnd, dc);
    ASSERT_NE("", ui_test::FirstDifference(before, ui_test::CaptureClient(backgroundHwnd)));
    InvalidateRect(backgroundHwnd, &covered, FALSE);
    UpdateWindow(backgroundHwnd);
    EXPECT_EQ("", ui_test::FirstDifference(before, ui_test::CaptureClient(backgroundHwnd)));
}

namespace {

// Stands in for the data-folder choice's own procedure: fills the two fields
// as a proposal would and lets Cancel end the dialog.
INT_PTR CALLBACK ProposalDialogProc(HWND dialog, UINT message, WPARAM wParam, LPARAM) {
    if (message == WM_INITDIALOG) {
        SetDlgItemTextA(dialog, IDC_FOLDER_PARENT, "C:\\Program Files");
        SetDlgItemTextA(dialog, IDC_FOLDER_APPLICATION, "Varnlet");
        return TRUE;
    }
    if (message == WM_COMMAND && (LOWORD(wParam) == IDOK || LOWORD(wParam) == IDCANCEL)) {
        EndDialog(dialog, LOWORD(wParam) == IDOK);
        return TRUE;
    }
    return FALSE;
}

}  // namespace

// Dialog 24000 (run here with a stand-in procedure) sits over the background
// like the other two: owned by it, 50, 25 dialog units into its client area.
TEST_F(BackgroundWindow, FolderDialogSitsOverItAtItsPlace) {
    HWND seen = nullptr, owner = nullptr;
    POINT clientOrigin = {0, 0};
    RECT placement = {50, 25, 0, 0};
    ui_test::DriverThread driver([&] {
        seen = testing_support::WaitForWindow(GetCurrentProcessId(), "Choose a Folder", "#32770", 10000);
        if (!seen) return;
        owner = GetWindow(seen, GW_OWNER);
        ClientToScreen(seen, &clientOrigin);
        MapDialogRect(seen, &placement);
        (void)testing_support::SaveScreenshot("folder_dialog.bmp");
        testing_support::PressButton(seen, IDCANCEL);
    });
    INT_PTR result = DialogBoxParamA(GetModuleHandleA(nullptr), MAKEINTRESOURCEA(IDD_FOLDER), backgroundHwnd,
                                     ProposalDialogProc, 0);
    driver.Join();
    ASSERT_NE(nullptr, seen) << testing_support::DescribeWindows(GetCurrentProcessId());
    EXPECT_EQ(0, result);
    EXPECT_EQ(backgroundHwnd, owner);
    POINT origin = {0, 0};
    ClientToScreen(backgroundHwnd, &origin);
    EXPECT_EQ(origin.x + placement.left, clientOrigin.x);
    EXPECT_EQ(origin.y + placement.top, clientOrigin.y);
}

TEST(BackgroundWindowSetUp, FailsWithoutAWindowWhenTheClassCannotBeRegistered) {
    WNDCLASSA taken = {};
    taken.lpfnWndProc = DefWindowProcA;
    taken.hInstance = GetModuleHandleA(nullptr);
    taken.lpszClassName = "install";
    ASSERT_NE(0, RegisterClassA(&taken));
    EXPECT_FALSE(CreateBackgroundWindow(GetModuleHandleA(nullptr)));
    EXPECT_EQ(nullptr, backgroundHwnd);
    EXPECT_EQ(nullptr, testing_support::WaitForWindow(GetCurrentProcessId(), nullptr, "install", 0));
    UnregisterClassA("install", GetModuleHandleA(nullptr));
    if (titleFont) DeleteObject(titleFont);
    titleFont = nullptr;
}

// The painted picture on a bitmap of exactly the desktop's size, for sizes
// whose band edges fall between rows.
TEST(BackgroundPicture, BandsFollowTheIntegerEdges) {
    ASSERT_TRUE(CreateBackgroundWindow(GetModuleHandleA(nullptr)));  // titleText and titleFont
    const int kHeights[] = {768, 700, 1000, 100, 63};
    for (int height : kHeights) {
        SCOPED_TRACE("height " + std::to_string(height));
        Picture picture = ui_test::RenderBackground(1024, height);
        ASSERT_EQ(height, picture.height);
        for (int band = 0; band < 64; ++band) {
            int top = height * band / 64, bottom = height * (band + 1) / 64;
            COLORREF expected = RGB(2 * band, 2 * band, 127 + 2 * band);
            for (int y = top; y < bottom; y += std::max(1, bottom - top - 1)) {
                ASSERT_EQ(ui_test::DescribeColour(expected), ui_test::DescribeColour(picture.At(0, y)))
                    << "band " << band << " row " << y;
            }
        }
        // Under 64 rows some bands are empty (band 0 among them), so the top
        // row is a lighter blue; the bottom row always belongs to band 63.
        if (height >= 64) {
            EXPECT_EQ(ui_test::DescribeColour(RGB(0, 0, 127)), ui_test::DescribeColour(picture.At(0, 0)));
        }
        EXPECT_EQ(ui_test::DescribeColour(RGB(126, 126, 253)), ui_test::DescribeColour(picture.At(0, height - 1)));
    }
    DestroyBackgroundWindow();
}

TEST(BackgroundPicture, TitleRowsRepeatInWhiteDownTheCentreToTheDesktopHeight) {
    ASSERT_TRUE(CreateBackgroundWindow(GetModuleHandleA(nullptr)));
    SIZE desktop = ui_test::DesktopSize();
    SIZE text = TitleExtent();
    ASSERT_GT(text.cx, 0);
    ASSERT_GT(text.cy, 0);
    Picture picture = ui_test::RenderBackground(desktop.cx, desktop.cy);
    int left = desktop.cx / 2 - text.cx / 2;

    int rowsWithText = 0;
    for (int rowTop = 0; rowTop < desktop.cy; rowTop += text.cy) {
        int rowBottom = std::min<int>(rowTop + text.cy, desktop.cy);
        int firstWhite = desktop.cx, lastWhite = -1;
        for (int y = rowTop; y < rowBottom; ++y)
            for (int x = 0; x < desktop.cx; ++x)
                if (picture.At(x, y) == kWhite) {
                    firstWhite = std::min(firstWhite, x);
                    lastWhite = std::max(lastWhite, x);
                }
        if (lastWhite < 0) continue;
        ++rowsWithText;
        EXPECT_GE(firstWhite, left) << "row at " << rowTop;
        EXPECT_LT(lastWhite, left + text.cx) << "row at " << rowTop;
        // Centred on the middle of the desktop, up to the letters' side bearings.
        EXPECT_NEAR(desktop.cx / 2, (firstWhite + lastWhite) / 2, 8) << "row at " << rowTop;
    }
    int expectedRows = (desktop.cy + text.cy - 1) / text.cy;
    EXPECT_EQ(expectedRows, rowsWithText) << "title height " << text.cy << ", desktop height " << desktop.cy;
    DestroyBackgroundWindow();
}
