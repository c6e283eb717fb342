// The busy wait: "Working" circles in the middle of the background window
// while the installer gives another program time to react.
#include "ui/busy_animation.h"

#include <windows.h>

#include "setup/globals.h"
#include "ui/ui_geometry.h"

namespace {

// Kept across waits so each one continues the rotation where the last stopped.
int rotationStep = 0;

// Owners of the GDI resources of one wait; each releases what it holds.
class WindowDc {
public:
    explicit WindowDc(HWND window) : window_(window), dc_(GetDC(window)) {}
    ~WindowDc() {
        if (dc_) (void)ReleaseDC(window_, dc_);
    }
    WindowDc(const WindowDc&) = delete;
    WindowDc& operator=(const WindowDc&) = delete;
    HDC get() const { return dc_; }

private:
    HWND window_;
    HDC dc_;
};

template <typename Handle, BOOL(WINAPI* Release)(Handle)>
class GdiOwner {
public:
    explicit GdiOwner(Handle handle) : handle_(handle) {}
    ~GdiOwner() {
        if (handle_) (void)Release(handle_);
    }
    GdiOwner(const GdiOwner&) = delete;
    GdiOwner& operator=(const GdiOwner&) = delete;
    Handle get() const { return handle_; }

private:
    Handle handle_;
};

BOOL WINAPI DeleteBitmap(HBITMAP bitmap) {
    return DeleteObject(bitmap);
}

using MemoryDc = GdiOwner<HDC, DeleteDC>;
using Bitmap = GdiOwner<HBITMAP, DeleteBitmap>;

// Selects an object into a DC for its lifetime and puts the previous one back.
class Selection {
public:
    Selection(HDC dc, HGDIOBJ object) : dc_(dc), previous_(dc && object ? SelectObject(dc, object) : nullptr) {}
    ~Selection() {
        if (ok()) (void)SelectObject(dc_, previous_);
    }
    Selection(const Selection&) = delete;
    Selection& operator=(const Selection&) = delete;
    bool ok() const { return previous_ != nullptr && previous_ != HGDI_ERROR; }

private:
    HDC dc_;
    HGDIOBJ previous_;
};

void DrawRing(HDC frame, const BusyBox& box, int step) {
    (void)SetBkMode(frame, TRANSPARENT);
    for (int letter = 0; letter < kBusyTextLength; ++letter) {
        BoxPoint centre = BusyLetterCentre(box, letter, kBusyTextLength, step);
        SIZE size = {0, 0};
        (void)GetTextExtentPoint32A(frame, &kBusyText[letter], 1, &size);
        (void)TextOutA(frame, centre.x - size.cx / 2, centre.y - size.cy / 2, &kBusyText[letter], 1);
    }
}

}  // namespace

int BusyRotationStep() {
    return rotationStep;
}

void BusyWait(int milliseconds) {
    RECT desktop = {};
    (void)GetWindowRect(GetDesktopWindow(), &desktop);
    BusyBox box = BusyBoxForDesktop(desktop.left, desktop.top, desktop.right, desktop.bottom);

    // Declared before the contexts, so the contexts go first and the bitmaps
    // are no longer selected anywhere when they are deleted.
    WindowDc window(backgroundHwnd);
    Bitmap savedBitmap(window.get() ? CreateCompatibleBitmap(window.get(), box.width, box.height) : nullptr);
    Bitmap frameBitmap(window.get() ? CreateCompatibleBitmap(window.get(), box.width, box.height) : nullptr);
    MemoryDc saved(window.get() ? CreateCompatibleDC(window.get()) : nullptr);
    MemoryDc frame(window.get() ? CreateCompatibleDC(window.get()) : nullptr);
    Selection savedSelection(saved.get(), savedBitmap.get());
    Selection frameSelection(frame.get(), frameBitmap.get());
    Selection fontSelection(frame.get(), titleFont);
    // The wait itself is what callers need; when drawing is impossible it
    // still lasts as long, only without the ring.
    bool canDraw = savedSelection.ok() && frameSelection.ok();

    if (canDraw) {
        (void)BitBlt(saved.get(), 0, 0, box.width, box.height, window.get(), box.x0, box.y0, SRCCOPY);
        (void)SetTextColor(frame.get(), kBusyLetterColour);
    }
    int frames = BusyFrameCount(milliseconds);
    for (int shown = 0; shown < frames; ++shown) {
        if (canDraw) {
            (void)BitBlt(frame.get(), 0, 0, box.width, box.height, saved.get(), 0, 0, SRCCOPY);
            DrawRing(frame.get(), box, rotationStep);
            (void)BitBlt(window.get(), box.x0, box.y0, box.width, box.height, frame.get(), 0, 0, SRCCOPY);
        }
        Sleep(kBusyFrameMilliseconds);
        rotationStep = NextBusyStep(rotationStep);
    }
    if (canDraw) (void)BitBlt(window.get(), box.x0, box.y0, box.width, box.height, saved.get(), 0, 0, SRCCOPY);
}
