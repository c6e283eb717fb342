#include "varnlet/vrl32/main_window.h"

#include <commctrl.h>
#include <shellapi.h>

#include <cstdio>
#include <cstring>

#include "common/scoped.h"
#include "common/system_calls.h"
#include "product/payload_names.h"
#include "varnlet/vrl32/resource.h"

namespace varnlet {

const char kMainWindowClass[] = "VarnletMainWindow";

namespace {

constexpr UINT kStatusBarId = 1;
constexpr COLORREF kBackground = RGB(0xF4, 0xEC, 0xD8);
constexpr COLORREF kInk = RGB(0x1D, 0x35, 0x57);
constexpr COLORREF kMissingInk = RGB(0xC8, 0x55, 0x3D);
constexpr int kStatusBytes = kPathBytes + 256;

const char kEmblemFile[] = "varnlet.jpg";
const char* const kSampleFiles[kSampleCount] = {"sample1.jpg", "sample2.jpg"};
const char* const kSampleCaptions[kSampleCount] = {"Sample 1: Diamonds", "Sample 2: Waves"};
const char kHelpFile[] = "manual.htm";

MainWindowState* StateOf(HWND window) {
    return reinterpret_cast<MainWindowState*>(GetWindowLongPtrA(window, GWLP_USERDATA));
}

void ShowMessage(HWND window, const char* text, UINT icon) {
    char title[128];
    if (std::snprintf(title, sizeof title, "%s", payloadProductName) >= static_cast<int>(sizeof title)) title[0] = '\0';
    (void)MessageBoxA(window, text, title, MB_OK | icon);
}

// Loads one picture from the data folder. On failure appends its file name
// to the list of missing pictures (kept short: it only names files).
void LoadPicture(const char* folder, const char* fileName, Picture* picture, char* missing, size_t missingSize) {
    char path[kPathBytes];
    if (JoinPath(path, sizeof path, folder, fileName) && picture->Load(path)) return;
    size_t used = std::strlen(missing);
    int written = std::snprintf(missing + used, missingSize - used, "%s%s", used ? ", " : "", fileName);
    if (written < 0 || static_cast<size_t>(written) >= missingSize - used) missing[used] = '\0';
}

void LoadPictures(MainWindowState* state) {
    char missing[128] = "";
    LoadPicture(state->dataFolder, kEmblemFile, &state->emblem, missing, sizeof missing);
    for (int i = 0; i < kSampleCount; ++i) {
        LoadPicture(state->dataFolder, kSampleFiles[i], &state->samples[i], missing, sizeof missing);
    }
    char status[kStatusBytes];
    int written = missing[0]
                      ? std::snprintf(status, sizeof status, "Could not read %s from %s", missing, state->dataFolder)
                      : std::snprintf(status, sizeof status, "Data folder: %s", state->dataFolder);
    if (written < 0 || written >= static_cast<int>(sizeof status)) {
        (void)std::snprintf(status, sizeof status, "%s", missing[0] ? "Some pictures could not be read." : "");
    }
    (void)SendMessageA(state->statusBar, SB_SETTEXTA, 0, reinterpret_cast<LPARAM>(status));
}

// The client area above the status bar.
RECT GalleryArea(HWND window, const MainWindowState* state) {
    RECT client;
    GetClientRect(window, &client);
    RECT bar;
    if (state->statusBar && GetWindowRect(state->statusBar, &bar)) client.bottom -= bar.bottom - bar.top;
    if (client.bottom < client.top) client.bottom = client.top;
    return client;
}

GalleryLayout LayoutFor(HWND window, const MainWindowState* state) {
    RECT area = GalleryArea(window, state);
    PixelSize samples[kSampleCount];
    for (int i = 0; i < kSampleCount; ++i) samples[i] = state->samples[i].Size();
    return ComputeGalleryLayout(area.right - area.left, area.bottom - area.top, state->emblem.Size(), samples);
}

void DrawTextIn(HDC dc, const PixelRect& where, const char* text, COLORREF colour, UINT format) {
    RECT rect{where.left, where.top, where.right, where.bottom};
    SetTextColor(dc, colour);
    (void)DrawTextA(dc, text, -1, &rect, format | DT_NOPREFIX);
}

// A picture that could not be read shows as a frame with its file name.
void DrawPictureOrNote(HDC dc, const Picture& picture, const PixelRect& where, const char* fileName) {
    if (picture.Loaded()) {
        picture.Draw(dc, where);
        return;
    }
    ScopedGdiObject<HPEN> pen(CreatePen(PS_DOT, 1, kMissingInk));
    ScopedSelect selectPen(dc, pen.Get());
    ScopedSelect selectBrush(dc, GetStockObject(NULL_BRUSH));
    (void)Rectangle(dc, where.left, where.top, where.right, where.bottom);
    char note[96];
    if (std::snprintf(note, sizeof note, "%s\ncould not be read", fileName) >= static_cast<int>(sizeof note)) return;
    PixelRect textArea{where.left + 4, where.top + where.Height() / 2 - 16, where.right - 4, where.bottom};
    DrawTextIn(dc, textArea, note, kMissingInk, DT_CENTER | DT_WORDBREAK);
}

void PaintGallery(HDC dc, const RECT& area, const MainWindowState* state, const GalleryLayout& layout) {
    ScopedGdiObject<HBRUSH> background(CreateSolidBrush(kBackground));
    FillRect(dc, &area, background.Get());
    SetBkMode(dc, TRANSPARENT);
    ScopedSelect selectFont(dc, GetStockObject(DEFAULT_GUI_FONT));
    DrawPictureOrNote(dc, state->emblem, layout.emblem, kEmblemFile);
    for (int i = 0; i < kSampleCount; ++i) {
        DrawPictureOrNote(dc, state->samples[i], layout.samples[i], kSampleFiles[i]);
        DrawTextIn(dc, layout.captions[i], kSampleCaptions[i], kInk, DT_CENTER | DT_VCENTER | DT_SINGLELINE);
    }
}

// Paints into an off-screen bitmap first, so resizing does not flicker.
void OnPaint(HWND window, MainWindowState* state) {
    PAINTSTRUCT paint;
    HDC dc = BeginPaint(window, &paint);
    if (!dc) return;
    RECT area = GalleryArea(window, state);
    int width = area.right - area.left;
    int height = area.bottom - area.top;
    GalleryLayout layout = LayoutFor(window, state);
    HDC memory = CreateCompatibleDC(dc);
    HBITMAP bitmap = (memory && width > 0 && height > 0) ? CreateCompatibleBitmap(dc, width, height) : nullptr;
    if (bitmap) {
        ScopedGdiObject<HBITMAP> ownedBitmap(bitmap);
        ScopedSelect selectBitmap(memory, bitmap);
        PaintGallery(memory, area, state, layout);
        (void)BitBlt(dc, 0, 0, width, height, memory, 0, 0, SRCCOPY);
    } else {
        PaintGallery(dc, area, state, layout);
    }
    if (memory) DeleteDC(memory);
    EndPaint(window, &paint);
}

void OpenHelp(HWND window, const MainWindowState* state) {
    char path[kPathBytes];
    char message[kPathBytes + 256];
    if (!JoinPath(path, sizeof path, state->dataFolder, kHelpFile)) {
        ShowMessage(window, "The path of the help page is too long.", MB_ICONWARNING);
        return;
    }
    if (GetFileAttributesA(path) == INVALID_FILE_ATTRIBUTES) {
        if (std::snprintf(message, sizeof message, "The help page \"%s\" is missing. Installing %s again puts it back.",
                          path, payloadProductName) >= static_cast<int>(sizeof message)) {
            message[0] = '\0';
        }
        ShowMessage(window, message[0] ? message : "The help page is missing.", MB_ICONWARNING);
        return;
    }
    // The page opens in whatever program the user has for .htm files.
    INT_PTR result = reinterpret_cast<INT_PTR>(
        sys::ShellExecuteA(window, "open", path, nullptr, state->dataFolder, SW_SHOWNORMAL));
    if (result > 32) return;
    if (std::snprintf(message, sizeof message, "The help page \"%s\" could not be opened (error %d).", path,
                      static_cast<int>(result)) >= static_cast<int>(sizeof message)) {
        message[0] = '\0';
    }
    ShowMessage(window, message[0] ? message : "The help page could not be opened.", MB_ICONWARNING);
}

void ShowAbout(HWND window) {
    char text[256];
    char title[128];
    if (std::snprintf(text, sizeof text, "%s 1.0\r\n\r\nSeamless pattern tiles.", payloadProductName) >=
            static_cast<int>(sizeof text) ||
        std::snprintf(title, sizeof title, "About %s", payloadProductName) >= static_cast<int>(sizeof title)) {
        return;
    }
    (void)MessageBoxA(window, text, title, MB_OK | MB_ICONINFORMATION);
}

bool OnCreate(HWND window, const CREATESTRUCTA* create) {
    MainWindowState* state = static_cast<MainWindowState*>(create->lpCreateParams);
    SetWindowLongPtrA(window, GWLP_USERDATA, reinterpret_cast<LONG_PTR>(state));
    state->statusBar = CreateWindowExA(0, STATUSCLASSNAMEA, "", WS_CHILD | WS_VISIBLE | SBARS_SIZEGRIP, 0, 0, 0, 0,
                                       window, reinterpret_cast<HMENU>(static_cast<UINT_PTR>(kStatusBarId)),
                                       create->hInstance, nullptr);
    if (!state->statusBar) return false;
    LoadPictures(state);
    return true;
}

LRESULT CALLBACK MainWindowProc(HWND window, UINT message, WPARAM wParam, LPARAM lParam) {
    MainWindowState* state = StateOf(window);
    switch (message) {
    case WM_CREATE:
        return OnCreate(window, reinterpret_cast<const CREATESTRUCTA*>(lParam)) ? 0 : -1;
    case WM_SIZE:
        if (state && state->statusBar) (void)SendMessageA(state->statusBar, WM_SIZE, wParam, lParam);
        InvalidateRect(window, nullptr, FALSE);
        return 0;
    case WM_ERASEBKGND:
        return 1;  // WM_PAINT covers the whole gallery area
    case WM_PAINT:
        if (state) {
            OnPaint(window, state);
            return 0;
        }
        break;
    case WM_COMMAND:
        switch (LOWORD(wParam)) {
        case IDM_EXIT:
            (void)PostMessageA(window, WM_CLOSE, 0, 0);
            return 0;
        case IDM_HELP_CONTENTS:
            if (state) OpenHelp(window, state);
            return 0;
        case IDM_ABOUT:
            ShowAbout(window);
            return 0;
        }
        break;
    case WM_DESTROY:
        // Let go of the pictures while COM is still initialised.
        if (state) {
            state->emblem.Unload();
            for (Picture& sample : state->samples) sample.Unload();
        }
        PostQuitMessage(0);
        return 0;
    }
    return DefWindowProcA(window, message, wParam, lParam);
}

}  // namespace

bool RegisterMainWindowClass(HINSTANCE instance) {
    WNDCLASSEXA windowClass = {};
    windowClass.cbSize = sizeof windowClass;
    windowClass.style = CS_HREDRAW | CS_VREDRAW;
    windowClass.lpfnWndProc = MainWindowProc;
    windowClass.hInstance = instance;
    windowClass.hIcon = LoadIconA(instance, MAKEINTRESOURCEA(IDI_VARNLET));
    windowClass.hCursor = LoadCursorA(nullptr, MAKEINTRESOURCEA(32512));  // IDC_ARROW
    windowClass.hbrBackground = nullptr;
    windowClass.lpszMenuName = MAKEINTRESOURCEA(IDR_MAIN_MENU);
    windowClass.lpszClassName = kMainWindowClass;
    return RegisterClassExA(&windowClass) != 0;
}

HWND CreateMainWindow(HINSTANCE instance, MainWindowState* state, int show) {
    const DWORD style = WS_OVERLAPPEDWINDOW;
    PixelSize client = PreferredClientSize();
    // Room for the status bar below the gallery.
    RECT frame{0, 0, client.width, client.height + GetSystemMetrics(SM_CYMENU)};
    (void)AdjustWindowRectEx(&frame, style, TRUE, 0);
    HWND window = CreateWindowExA(0, kMainWindowClass, payloadProductName, style, CW_USEDEFAULT, CW_USEDEFAULT,
                                  frame.right - frame.left, frame.bottom - frame.top, nullptr, nullptr, instance,
                                  state);
    if (!window) return nullptr;
    ShowWindow(window, show);
    UpdateWindow(window);
    return window;
}

}  // namespace varnlet
