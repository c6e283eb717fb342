// What the background and the busy animation compute, checked against values
// worked out by hand for real screen sizes. (The band edges and colours are
// checked on painted pixels under Wine.)
#include <gtest/gtest.h>

#include <cmath>

#include "ui/ui_geometry.h"

TEST(TitleRows, AreCentredWithEachHalfTruncated) {
    struct Case {
        int desktopWidth, textWidth, x;
    } cases[] = {
        {1024, 330, 347},  {1024, 331, 347}, {1023, 331, 346},
        {800, 800, 0},     {800, 1500, -350},  // wider than the desktop: clipped on both sides
        {1024, 0, 512},
    };
    for (const Case& c : cases)
        EXPECT_EQ(c.x, TitleRowX(c.desktopWidth, c.textWidth)) << c.desktopWidth << " / " << c.textWidth;
}

TEST(TitleRows, FillTheDesktopHeightWithTheLastStartingInsideIt) {
    struct Case {
        int height, textHeight, rows;
    } cases[] = {
        {768, 48, 16}, {768, 55, 14}, {768, 56, 14}, {768, 57, 14}, {768, 769, 1},
        {1, 48, 1},    {768, 0, 0},   {768, -3, 0},  {0, 48, 0},
    };
    for (const Case& c : cases) {
        int rows = TitleRowCount(c.height, c.textHeight);
        EXPECT_EQ(c.rows, rows) << "height " << c.height << ", text " << c.textHeight;
        if (rows > 0) {
            int lastTop = (rows - 1) * c.textHeight;
            EXPECT_GE(lastTop, c.height - c.textHeight);
            EXPECT_LT(lastTop, c.height);
        }
    }
}

TEST(BusyBox, IsTheMiddleHalfOfTheDesktop) {
    struct Case {
        int right, bottom, x0, y0, x1, y1, width, height;
    } cases[] = {
        {1024, 768, 256, 192, 768, 576, 513, 385},
        {1023, 767, 255, 191, 768, 576, 514, 386},
        {800, 600, 200, 150, 600, 450, 401, 301},
    };
    for (const Case& c : cases) {
        BusyBox box = BusyBoxForDesktop(0, 0, c.right, c.bottom);
        EXPECT_EQ(c.x0, box.x0) << c.right << "x" << c.bottom;
        EXPECT_EQ(c.y0, box.y0) << c.right << "x" << c.bottom;
        EXPECT_EQ(c.x1, box.x1) << c.right << "x" << c.bottom;
        EXPECT_EQ(c.y1, box.y1) << c.right << "x" << c.bottom;
        EXPECT_EQ(c.width, box.width) << c.right << "x" << c.bottom;
        EXPECT_EQ(c.height, box.height) << c.right << "x" << c.bottom;
    }
}

// For the 1024 x 768 desktop the spans are 512 and 384, so the ring's
// semi-axes are 192 and 144 around (256, 192) in the box.
TEST(BusyRing, LettersStartAtTheRightAndTurnClockwise) {
    BusyBox box = BusyBoxForDesktop(0, 0, 1024, 768);
    struct Case {
        int letter, step, x, y;
    } cases[] = {
        {0, 0, 448, 192},   // angle 0: rightmost point
        {0, 9, 256, 336},   // a quarter turn on: bottom, since y grows downward
        {0, 18, 64, 192},   // half a turn: leftmost
        {0, 27, 256, 48},   // three quarters: top
        {1, 0, 375, 304},   // one seventh of a turn: 192 cos and 144 sin of 0.8976, truncated
        {0, 4, 403, 284},   // 40 degrees: 147.08 and 92.56, truncated
    };
    for (const Case& c : cases) {
        BoxPoint centre = BusyLetterCentre(box, c.letter, kBusyTextLength, c.step);
        EXPECT_EQ(c.x, centre.x) << "letter " << c.letter << " step " << c.step;
        EXPECT_EQ(c.y, centre.y) << "letter " << c.letter << " step " << c.step;
    }
}

TEST(BusyRing, LettersLieOnTheEllipseOneSeventhOfATurnApart) {
    BusyBox box = BusyBoxForDesktop(0, 0, 1024, 768);
    for (int step = 0; step < kBusyStepsPerTurn; step += 5) {
        for (int letter = 0; letter < kBusyTextLength; ++letter) {
            BoxPoint centre = BusyLetterCentre(box, letter, kBusyTextLength, step);
            double dx = (centre.x - 256) / 192.0, dy = (centre.y - 192) / 144.0;
            // Truncation moves a point by less than one pixel on each axis.
            EXPECT_NEAR(1.0, dx * dx + dy * dy, 0.02) << "letter " << letter << " step " << step;
            double angle = std::atan2(dy, dx);
            double expected = std::remainder(letter * 6.283185306 / 7 + step * 6.283185306 / 36, 6.283185306);
            EXPECT_NEAR(0.0, std::remainder(angle - expected, 6.283185306), 0.01)
                << "letter " << letter << " step " << step;
        }
    }
}

TEST(BusyFrames, OnePerStarted100Milliseconds) {
    struct Case {
        int milliseconds, frames;
    } cases[] = {
        {0, 0},     {-1, 0},      {-2147483647 - 1, 0}, {1, 1},   {99, 1}, {100, 1}, {101, 2}, {150, 2},
        {1000, 10}, {2000, 20},   {6000, 60},           {8000, 80}, {2147483647, 21474837},
    };
    for (const Case& c : cases) EXPECT_EQ(c.frames, BusyFrameCount(c.milliseconds)) << c.milliseconds << " ms";
}

TEST(BusyFrames, StepWrapsAfterAFullTurn) {
    EXPECT_EQ(1, NextBusyStep(0));
    EXPECT_EQ(35, NextBusyStep(34));
    EXPECT_EQ(0, NextBusyStep(35));
    int step = 7;
    for (int frame = 0; frame < 36; ++frame) step = NextBusyStep(step);
    EXPECT_EQ(7, step);
}
