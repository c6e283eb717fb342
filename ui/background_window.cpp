// The desktop-covering title window: owner of every dialog and message box of
// the run and the surface the busy animation draws on.
#include "ui/background_window.h"
#include "common/bounded_format.h"

#include <cstdio>
#include <cstring>

#include "common/globals.h"
#include "product/product_data.h"
#include "resources/resource_ids.h"
#include "ui/ui_geometry.h"

namespace {

constexpr char kWindowClass[] = "install";
constexpr char kTitleFormat[] = "Install %s";
constexpr DWORD kBackgroundStyle = WS_VISIBLE | WS_OVERLAPPEDWINDOW;  // 0x10CF0000
static_assert(kBackgroundStyle == 0x10CF0000, "visible overlapped window");
// The instance the class was registered with, to unregister it at tear-down.
HINSTANCE classInstance = nullptr;
// The generator refuses longer product names, so the title always fits.
static_assert(sizeof "Install " - 1 + kMaxProductNameLength < static_cast<size_t>(kTitleTextBytes),
              "titleText holds the longest product name");

HFONT CreateTitleFont() {
    LOGFONTA description = {};
    description.lfHeight = 48;
    description.lfWeight = FW_BOLD;
    // The glyphs of the code page the product's texts are written in
    // (ANSI_CHARSET for 1252).
    description.lfCharSet = static_cast<BYTE>(ProductConfig.titleCharSet);
    description.lfOutPrecision = OUT_STROKE_PRECIS;
    description.lfClipPrecision = CLIP_STROKE_PRECIS;
    description.lfQuality = DRAFT_QUALITY;
    // Variable pitch with the family bits 0x20; the face name decides which
    // font is used, the family only where "Times New Roman" is missing.
    description.lfPitchAndFamily = 0x22;
    static_assert(sizeof "Times New Roman" <= sizeof description.lfFaceName, "face name fits");
    std::memcpy(description.lfFaceName, "Times New Roman", sizeof "Times New Roman");
    HFONT font = CreateFontIndirectA(&description);
    if (!font) font = static_cast<HFONT>(GetStockObject(ANSI_VAR_FONT));
    return font;
}

bool ReadDesktopSize(int* width, int* height) {
    RECT desktop;
    if (!GetWindowRect(GetDesktopWindow(), &desktop)) return false;
    *width = desktop.right;
    *height = desktop.bottom;
    return true;
}

LRESULT OnPaint(HWND window) {
    int width = 0, height = 0;
    // Without the desktop's size there is nothing sensible to draw; the
    // update region is still validated so the paint message stops coming.
    bool haveSize = ReadDesktopSize(&width, &height);
    PAINTSTRUCT paint;
    HDC dc = BeginPaint(window, &paint);
    if (dc && haveSize) PaintBackground(dc, width, height);
    (void)EndPaint(window, &paint);
    return 0;
}

}  // namespace

bool FormatTitleText(char* buffer, size_t size, const char* productName) {
    return FormatBounded(buffer, size, kTitleFormat, productName);
}

void PaintBackground(HDC dc, int width, int height) {
    for (int band = 0; band < kBackgroundBands; ++band) {
        RgbColour colour = BackgroundBandColour(band);
        RECT bandRect = {0, BackgroundBandTop(band, height), width, BackgroundBandTop(band + 1, height)};
        HBRUSH brush = CreateSolidBrush(RGB(colour.red, colour.green, colour.blue));
        if (!brush) continue;
        (void)FillRect(dc, &bandRect, brush);
        (void)DeleteObject(brush);
    }

    HGDIOBJ previousFont = SelectObject(dc, titleFont);
    int length = static_cast<int>(std::strlen(titleText));
    SIZE text = {0, 0};
    if (GetTextExtentPoint32A(dc, titleText, length, &text)) {
        (void)SetTextAlign(dc, TA_LEFT | TA_TOP | TA_NOUPDATECP);
        (void)SetBkMode(dc, TRANSPARENT);
        (void)SetTextColor(dc, RGB(255, 255, 255));
        int x = TitleRowX(width, text.cx);
        int rows = TitleRowCount(height, text.cy);
        for (int row = 0; row < rows; ++row) (void)TextOutA(dc, x, row * text.cy, titleText, length);
    }
    if (previousFont) (void)SelectObject(dc, previousFont);
}

LRESULT CALLBACK BackgroundWindowProc(HWND window, UINT message, WPARAM wParam, LPARAM lParam) {
    if (message == WM_PAINT) return OnPaint(window);
    return DefWindowProcA(window, message, wParam, lParam);
}

HWND FindBackgroundWindow(const char* productName) {
    char title[kTitleTextBytes];
    if (!FormatTitleText(title, sizeof title, productName)) return nullptr;
    return FindWindowA(kWindowClass, title);
}

bool CreateBackgroundWindow(HINSTANCE instance) {
    if (!FormatTitleText(titleText, sizeof titleText, ProductConfig.productName)) return false;
    titleFont = CreateTitleFont();

    WNDCLASSA windowClass = {};
    windowClass.lpfnWndProc = BackgroundWindowProc;
    windowClass.hInstance = instance;
    windowClass.hIcon = LoadIconA(instance, MAKEINTRESOURCEA(IDI_INSTALLER));
    windowClass.hCursor = LoadCursorA(nullptr, IDC_ARROW);
    windowClass.lpszClassName = kWindowClass;
    if (!RegisterClassA(&windowClass)) return false;
    classInstance = instance;

    int width = 0, height = 0;
    if (!ReadDesktopSize(&width, &height)) width = height = 0;
    // A failed creation leaves a null owner: the dialogs and message boxes
    // still work, just unowned, so the run goes on.
    backgroundHwnd = CreateWindowExA(0, kWindowClass, titleText, kBackgroundStyle, 0, 0, width, height, nullptr,
                                     nullptr, instance, nullptr);
    return true;
}

void DestroyBackgroundWindow() {
    if (backgroundHwnd) (void)DestroyWindow(backgroundHwnd);
    backgroundHwnd = nullptr;
    if (titleFont) (void)DeleteObject(titleFont);  // a stock fallback ignores this
    titleFont = nullptr;
    // Lets a later set-up in the same process register the class afresh.
    (void)UnregisterClassA(kWindowClass, classInstance);
    classInstance = nullptr;
}
