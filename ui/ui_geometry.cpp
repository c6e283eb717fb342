#include "ui/ui_geometry.h"

#include <cmath>
#include <cstdint>

RgbColour BackgroundBandColour(int band) {
    return RgbColour{2 * band, 2 * band, 127 + 2 * band};
}

int BackgroundBandTop(int band, int height) {
    // 64-bit product: the same value as the 32-bit one for every real screen,
    // without overflow for absurd ones.
    return static_cast<int>(static_cast<int64_t>(height) * band / kBackgroundBands);
}

int TitleRowX(int desktopWidth, int textWidth) {
    return desktopWidth / 2 - textWidth / 2;
}

int TitleRowCount(int desktopHeight, int textHeight) {
    if (textHeight <= 0 || desktopHeight <= 0) return 0;
    return static_cast<int>((static_cast<int64_t>(desktopHeight) + textHeight - 1) / textHeight);
}

BusyBox BusyBoxForDesktop(int left, int top, int right, int bottom) {
    BusyBox box;
    int quarterWidth = (right - left) / 4;
    int quarterHeight = (bottom - top) / 4;
    box.x0 = quarterWidth;
    box.x1 = right - quarterWidth;
    box.y0 = quarterHeight;
    box.y1 = bottom - quarterHeight;
    box.width = box.x1 - box.x0 + 1;
    box.height = box.y1 - box.y0 + 1;
    return box;
}

BoxPoint BusyLetterCentre(const BusyBox& box, int letter, int letterCount, int step) {
    double angle = letter * kBusyFullTurn / letterCount + step * kBusyFullTurn / kBusyStepsPerTurn;
    int spanX = box.x1 - box.x0;
    int spanY = box.y1 - box.y0;
    BoxPoint centre;
    centre.x = spanX / 2 + static_cast<int>(std::cos(angle) * spanX * 3 / 8);
    centre.y = spanY / 2 + static_cast<int>(std::sin(angle) * spanY * 3 / 8);
    return centre;
}

int BusyFrameCount(int milliseconds) {
    if (milliseconds <= 0) return 0;
    return static_cast<int>((static_cast<int64_t>(milliseconds) + kBusyFrameMilliseconds - 1) /
                            kBusyFrameMilliseconds);
}

int NextBusyStep(int step) {
    return (step + 1) % kBusyStepsPerTurn;
}
