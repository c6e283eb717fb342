// The busy wait over the background window: the ring of "Working" inside the
// middle box while it runs, the picture put back afterwards, the rotation
// carried from one wait to the next, and no GDI objects left behind.
#include <windows.h>

#include <gtest/gtest.h>

#include <set>
#include <string>
#include <tuple>

#include "common/globals.h"
#include "tests/support/screenshot.h"
#include "tests/ui/ui_test_support.h"
#include "ui/busy_animation.h"

using ui_test::Picture;

namespace {

constexpr COLORREF kRingColour = RGB(255, 216, 216);

// The middle half of the desktop in client coordinates, inclusive edges.
RECT BusyBoxRect() {
    SIZE desktop = ui_test::DesktopSize();
    RECT box;
    box.left = desktop.cx / 4;
    box.right = desktop.cx - desktop.cx / 4;
    box.top = desktop.cy / 4;
    box.bottom = desktop.cy - desktop.cy / 4;
    return box;
}

// Watches the background window from a second thread while the main thread
// is inside a wait.
struct RingWatch {
    HANDLE stop = CreateEventA(nullptr, TRUE, FALSE, nullptr);
    int captures = 0;
    int capturesWithRing = 0;
    int ringPixelsOutsideBox = 0;
    std::string firstOutside;
    // Bounding boxes of the ring pixels of each capture: the ring turns.
    std::set<std::tuple<int, int, int, int>> ringBounds;
    bool screenshotTaken = false;

    ~RingWatch() { CloseHandle(stop); }

    void Run() {
        RECT box = BusyBoxRect();
        do {
            Picture picture = ui_test::CaptureClient(backgroundHwnd);
            if (picture.Empty()) continue;
            ++captures;
            int left = picture.width, top = picture.height, right = -1, bottom = -1;
            for (int y = 0; y < picture.height; ++y)
                for (int x = 0; x < picture.width; ++x) {
                    if (picture.At(x, y) != kRingColour) continue;
                    if (x < box.left || x > box.right || y < box.top || y > box.bottom) {
                        if (ringPixelsOutsideBox++ == 0)
                            firstOutside = std::to_string(x) + "," + std::to_string(y);
                    }
                    left = std::min(left, x);
                    top = std::min(top, y);
                    right = std::max(right, x);
                    bottom = std::max(bottom, y);
                }
            if (right >= 0) {
                ++capturesWithRing;
                ringBounds.insert(std::make_tuple(left, top, right, bottom));
                if (!screenshotTaken) screenshotTaken = !testing_support::SaveScreenshot("busy_animation.bmp").empty();
            }
        } while (WaitForSingleObject(stop, 20) == WAIT_TIMEOUT);
    }
};

int StepsAfter(int start, int frames) {
    return (start + frames) % 36;
}

class BusyAnimation : public ui_test::BackgroundWindowTest {};

}  // namespace

TEST_F(BusyAnimation, TheRingTurnsInsideTheBoxAndNowhereElse) {
    RingWatch watch;
    ui_test::DriverThread watcher([&] { watch.Run(); });
    BusyWait(1000);
    SetEvent(watch.stop);
    watcher.Join();
    EXPECT_GT(watch.captures, 0);
    EXPECT_GT(watch.capturesWithRing, 0) << "of " << watch.captures << " captures";
    EXPECT_EQ(0, watch.ringPixelsOutsideBox) << "first at " << watch.firstOutside;
    EXPECT_GE(watch.ringBounds.size(), 2u) << "the ring stood still";
}

TEST_F(BusyAnimation, PutsBackWhatTheWindowShowed) {
    Picture before = ui_test::CaptureClient(backgroundHwnd);
    ASSERT_FALSE(before.Empty());
    BusyWait(300);
    EXPECT_EQ("", ui_test::FirstDifference(before, ui_test::CaptureClient(backgroundHwnd)));
}

TEST_F(BusyAnimation, DrawsOneFramePerStarted100Milliseconds) {
    struct Case {
        int milliseconds;
        int frames;
    } cases[] = {{0, 0}, {-1, 0}, {-100000, 0}, {1, 1}, {100, 1}, {101, 2}, {150, 2}};
    for (const Case& c : cases) {
        SCOPED_TRACE(std::to_string(c.milliseconds) + " ms");
        RingWatch watch;
        int start = BusyRotationStep();
        {
            ui_test::DriverThread watcher([&] { watch.Run(); });
            BusyWait(c.milliseconds);
            SetEvent(watch.stop);
        }
        EXPECT_EQ(StepsAfter(start, c.frames), BusyRotationStep());
        if (c.frames == 0) {
            EXPECT_EQ(0, watch.capturesWithRing) << "a wait without frames drew something";
        }
    }
}

TEST_F(BusyAnimation, ConsecutiveWaitsContinueTheRotation) {
    int start = BusyRotationStep();
    BusyWait(1000);
    EXPECT_EQ(StepsAfter(start, 10), BusyRotationStep());
    BusyWait(1000);
    EXPECT_EQ(StepsAfter(start, 20), BusyRotationStep());
    BusyWait(1700);
    EXPECT_EQ(StepsAfter(start, 37), BusyRotationStep()) << "the step wraps at a full turn";
}

TEST_F(BusyAnimation, LeavesNoGdiObjectsBehind) {
    BusyWait(1);  // anything created once per process is made now
    int before = ui_test::CountGdiObjects();
    ASSERT_GT(before, 0) << "no GDI object count available";
    for (int wait = 0; wait < 50; ++wait) BusyWait(1);
    EXPECT_EQ(before, ui_test::CountGdiObjects());

    // The count does see objects: one leaked bitmap shows.
    HBITMAP leak = CreateBitmap(4, 4, 1, 1, nullptr);
    EXPECT_EQ(before + 1, ui_test::CountGdiObjects());
    DeleteObject(leak);
}
