#include "tests/ui/ui_test_support.h"

#include <winternl.h>

#include <cstdio>
#include <cstring>

#include "common/globals.h"
#include "ui/background_window.h"

namespace ui_test {

Picture Capture(HDC dc, int x, int y, int width, int height) {
    Picture picture;
    if (!dc || width <= 0 || height <= 0) return picture;
    HDC memory = CreateCompatibleDC(dc);
    BITMAPINFO info = {};
    info.bmiHeader.biSize = sizeof info.bmiHeader;
    info.bmiHeader.biWidth = width;
    info.bmiHeader.biHeight = -height;  // top-down
    info.bmiHeader.biPlanes = 1;
    info.bmiHeader.biBitCount = 32;
    info.bmiHeader.biCompression = BI_RGB;
    void* bits = nullptr;
    HBITMAP section = CreateDIBSection(dc, &info, DIB_RGB_COLORS, &bits, nullptr, 0);
    if (memory && section) {
        HGDIOBJ previous = SelectObject(memory, section);
        if (BitBlt(memory, 0, 0, width, height, dc, x, y, SRCCOPY)) {
            GdiFlush();
            picture.width = width;
            picture.height = height;
            picture.pixels.resize(static_cast<size_t>(width) * height);
            const uint32_t* source = static_cast<const uint32_t*>(bits);
            for (size_t i = 0; i < picture.pixels.size(); ++i) {
                uint32_t value = source[i];  // 0x00RRGGBB in a 32-bit DIB
                picture.pixels[i] = RGB((value >> 16) & 0xFF, (value >> 8) & 0xFF, value & 0xFF);
            }
        }
        SelectObject(memory, previous);
    }
    if (section) DeleteObject(section);
    if (memory) DeleteDC(memory);
    return picture;
}

Picture CaptureClient(HWND window) {
    RECT client;
    if (!GetClientRect(window, &client)) return Picture();
    HDC dc = GetDC(window);
    Picture picture = Capture(dc, 0, 0, client.right, client.bottom);
    ReleaseDC(window, dc);
    return picture;
}

Picture RepaintAndCapture(HWND window) {
    (void)RedrawWindow(window, nullptr, nullptr, RDW_INVALIDATE | RDW_ERASE | RDW_ALLCHILDREN | RDW_UPDATENOW);
    return CaptureClient(window);
}

std::string DifferenceFromRepaint(HWND window) {
    const Picture shown = CaptureClient(window);
    return FirstDifference(RepaintAndCapture(window), shown);
}

Picture RenderBackground(int width, int height) {
    HDC screen = GetDC(nullptr);
    HDC memory = CreateCompatibleDC(screen);
    HBITMAP bitmap = CreateCompatibleBitmap(screen, width, height);
    HGDIOBJ previous = SelectObject(memory, bitmap);
    PaintBackground(memory, width, height);
    Picture picture = Capture(memory, 0, 0, width, height);
    SelectObject(memory, previous);
    DeleteObject(bitmap);
    DeleteDC(memory);
    ReleaseDC(nullptr, screen);
    return picture;
}

std::string DescribeColour(COLORREF colour) {
    char text[32];
    std::snprintf(text, sizeof text, "(%d,%d,%d)", GetRValue(colour), GetGValue(colour), GetBValue(colour));
    return text;
}

std::string FirstDifference(const Picture& expected, const Picture& actual) {
    char text[160];
    if (expected.width != actual.width || expected.height != actual.height) {
        std::snprintf(text, sizeof text, "size %dx%d, expected %dx%d", actual.width, actual.height, expected.width,
                      expected.height);
        return text;
    }
    for (int y = 0; y < expected.height; ++y)
        for (int x = 0; x < expected.width; ++x)
            if (expected.At(x, y) != actual.At(x, y)) {
                std::snprintf(text, sizeof text, "pixel (%d,%d) is %s, expected %s", x, y,
                              DescribeColour(actual.At(x, y)).c_str(), DescribeColour(expected.At(x, y)).c_str());
                return text;
            }
    return "";
}

namespace {

// Where a GDI handle table entry keeps the upper half of its handle: Wine's
// entries are 24 bytes with it at 12, 32-bit Windows' 16 bytes with it at 8.
struct HandleTableLayout {
    size_t entryBytes;
    size_t upperOffset;
};
constexpr HandleTableLayout kLayouts[] = {{24, 12}, {16, 8}};
#ifdef _WIN64
constexpr size_t kPebGdiHandleTableOffset = 0xF8;  // 64-bit PEB
#else
constexpr size_t kPebGdiHandleTableOffset = 0x94;  // 32-bit PEB
#endif

uint16_t UpperAt(const unsigned char* table, const HandleTableLayout& layout, size_t index) {
    uint16_t upper;
    std::memcpy(&upper, table + index * layout.entryBytes + layout.upperOffset, sizeof upper);
    return upper;
}

}  // namespace

int CountGdiObjects() {
    DWORD reported = GetGuiResources(GetCurrentProcess(), GR_GDIOBJECTS);
    if (reported > 0) return static_cast<int>(reported);

    const unsigned char* peb = reinterpret_cast<const unsigned char*>(NtCurrentTeb()->ProcessEnvironmentBlock);
    const unsigned char* table = nullptr;
    std::memcpy(&table, peb + kPebGdiHandleTableOffset, sizeof table);
    MEMORY_BASIC_INFORMATION region = {};
    if (!table || !VirtualQuery(table, &region, sizeof region)) return -1;
    size_t bytes = static_cast<const unsigned char*>(region.BaseAddress) + region.RegionSize - table;

    // Find the layout by a handle whose value is known.
    HBRUSH probe = CreateSolidBrush(RGB(1, 2, 3));
    uintptr_t value = reinterpret_cast<uintptr_t>(probe);
    const HandleTableLayout* layout = nullptr;
    for (const HandleTableLayout& candidate : kLayouts) {
        size_t index = value & 0xFFFF;
        if ((index + 1) * candidate.entryBytes > bytes) continue;
        if (UpperAt(table, candidate, index) == (value >> 16)) {
            layout = &candidate;
            break;
        }
    }
    DeleteObject(probe);
    if (!layout) return -1;

    int count = 0;
    for (size_t index = 0; (index + 1) * layout->entryBytes <= bytes && index <= 0xFFFF; ++index) {
        uint16_t upper = UpperAt(table, *layout, index);
        if (upper == 0) continue;
        HGDIOBJ handle = reinterpret_cast<HGDIOBJ>(static_cast<uintptr_t>(index | upper << 16));
        if (GetObjectType(handle) != 0) ++count;
    }
    return count;
}

void PumpMessages() {
    MSG message;
    while (PeekMessageA(&message, nullptr, 0, 0, PM_REMOVE)) {
        TranslateMessage(&message);
        DispatchMessageA(&message);
    }
}

DriverThread::DriverThread(std::function<void()> body) : body_(std::move(body)) {
    thread_ = CreateThread(nullptr, 0, Run, this, 0, nullptr);
}

DriverThread::~DriverThread() {
    Join();
}

void DriverThread::Join() {
    if (!thread_) return;
    WaitForSingleObject(thread_, INFINITE);
    CloseHandle(thread_);
    thread_ = nullptr;
}

DWORD WINAPI DriverThread::Run(void* self) {
    static_cast<DriverThread*>(self)->body_();
    return 0;
}

SIZE DesktopSize() {
    RECT desktop = {};
    GetWindowRect(GetDesktopWindow(), &desktop);
    return SIZE{desktop.right, desktop.bottom};
}

void BackgroundWindowTest::SetUp() {
    ASSERT_TRUE(CreateBackgroundWindow(GetModuleHandleA(nullptr)));
    ASSERT_NE(nullptr, backgroundHwnd);
    UpdateWindow(backgroundHwnd);
    PumpMessages();
}

void BackgroundWindowTest::TearDown() {
    DestroyBackgroundWindow();
    PumpMessages();
}

}  // namespace ui_test
