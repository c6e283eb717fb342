// Helpers shared by the user-interface tests: reading back pixels, running a
// driver thread beside a modal loop, and the background window as a fixture.
#pragma once

#include <windows.h>

#include <gtest/gtest.h>

#include <cstdint>
#include <functional>
#include <string>
#include <vector>

namespace ui_test {

// A captured picture, top-down, one COLORREF (0x00BBGGRR) per pixel.
struct Picture {
    int width = 0;
    int height = 0;
    std::vector<COLORREF> pixels;
    COLORREF At(int x, int y) const { return pixels[static_cast<size_t>(y) * width + x]; }
    bool Empty() const { return pixels.empty(); }
};

// The w x h area at (x, y) of `dc`.
Picture Capture(HDC dc, int x, int y, int width, int height);
// The whole client area of `window`, read through the window's own DC (the
// window's contents even where another program's window lies on top).
Picture CaptureClient(HWND window);
// The client area of `window` after it and all its children have been painted
// anew, as a repaint after being covered would paint them.
Picture RepaintAndCapture(HWND window);
// What PaintBackground draws for a desktop of width x height, on a bitmap of
// exactly that size (nothing clipped).
Picture RenderBackground(int width, int height);
std::string DescribeColour(COLORREF colour);
// The first differing pixel of two pictures of the same size, described; ""
// when they are equal.
std::string FirstDifference(const Picture& expected, const Picture& actual);
// What `window` shows now against the same window painted anew: empty where
// the screen already holds what a repaint would paint.
std::string DifferenceFromRepaint(HWND window);

// The number of live GDI objects of this process, -1 when it cannot be told.
// GetGuiResources where the platform implements it; otherwise counted from
// the process's GDI handle table.
int CountGdiObjects();

// Dispatches every message waiting for this thread (paints included).
void PumpMessages();

// Runs `body` on a second thread; joins in the destructor. The body must not
// use gtest assertions: it records what it saw for the main thread to check.
class DriverThread {
public:
    explicit DriverThread(std::function<void()> body);
    ~DriverThread();
    DriverThread(const DriverThread&) = delete;
    DriverThread& operator=(const DriverThread&) = delete;
    void Join();

private:
    static DWORD WINAPI Run(void* self);
    std::function<void()> body_;
    HANDLE thread_;
};

// The desktop's size (the window rectangle of the desktop window).
SIZE DesktopSize();

// Every test of a fixture derived from this one runs over a freshly created
// and painted background window.
class BackgroundWindowTest : public ::testing::Test {
protected:
    void SetUp() override;
    void TearDown() override;
};

}  // namespace ui_test
