// The busy wait: "Working" circles in the middle of the background window
// while the installer gives another program time to react.
#include "ui/busy_animation.h"

#include <windows.h>

#include "common/globals.h"
#include "common/scoped.h"
#include "ui/ui_geometry.h"

namespace {

// Kept across waits so each one continues the rotation where the last stopped.
int rotationStep = 0;

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
    // A run without the title window (/S) only waits: the device context of
    // a null window would be the whole screen's.
    if (!backgroundHwnd) {
        Sleep(static_cast<DWORD>(BusyFrameCount(milliseconds)) * kBusyFrameMilliseconds);
        return;
    }
    RECT desktop = {};
    (void)GetWindowRect(GetDesktopWindow(), &desktop);
    BusyBox box = BusyBoxForDesktop(desktop.left, desktop.top, desktop.right, desktop.bottom);

    // Declared before the contexts, so the contexts go first and the bitmaps
    // are no longer selected anywhere when they are deleted.
    ScopedWindowDc window(backgroundHwnd);
    ScopedGdiObject<HBITMAP> savedBitmap(window.Get() ? CreateCompatibleBitmap(window.Get(), box.width, box.height) : nullptr);
    ScopedGdiObject<HBITMAP> frameBitmap(window.Get() ? CreateCompatibleBitmap(window.Get(), box.width, box.height) : nullptr);
    ScopedMemoryDc saved(window.Get() ? CreateCompatibleDC(window.Get()) : nullptr);
    ScopedMemoryDc frame(window.Get() ? CreateCompatibleDC(window.Get()) : nullptr);
    ScopedSelect savedSelection(saved.Get(), savedBitmap.Get());
    ScopedSelect frameSelection(frame.Get(), frameBitmap.Get());
    ScopedSelect fontSelection(frame.Get(), titleFont);
    // The wait itself is what callers need; when drawing is impossible it
    // still lasts as long, only without the ring.
    bool canDraw = savedSelection.Ok() && frameSelection.Ok();

    if (canDraw) {
        (void)BitBlt(saved.Get(), 0, 0, box.width, box.height, window.Get(), box.x0, box.y0, SRCCOPY);
        (void)SetTextColor(frame.Get(), kBusyLetterColour);
    }
    int frames = BusyFrameCount(milliseconds);
    for (int shown = 0; shown < frames; ++shown) {
        if (canDraw) {
            (void)BitBlt(frame.Get(), 0, 0, box.width, box.height, saved.Get(), 0, 0, SRCCOPY);
            DrawRing(frame.Get(), box, rotationStep);
            (void)BitBlt(window.Get(), box.x0, box.y0, box.width, box.height, frame.Get(), 0, 0, SRCCOPY);
        }
        Sleep(kBusyFrameMilliseconds);
        rotationStep = NextBusyStep(rotationStep);
    }
    if (canDraw) (void)BitBlt(window.Get(), box.x0, box.y0, box.width, box.height, saved.Get(), 0, 0, SRCCOPY);
}
