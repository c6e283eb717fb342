// Arithmetic of what the user interface draws: the background's bands and
// title rows, and the busy animation's box, letter positions and frames.
// Free of Windows calls so it runs on the host too.
#pragma once

// ---- Background window ----------------------------------------------------

constexpr int kBackgroundBands = 64;

struct RgbColour {
    int red;
    int green;
    int blue;
};

// Colour of band k (0 ... 63): (2k, 2k, 127 + 2k), dark blue at the top.
RgbColour BackgroundBandColour(int band);
// Top edge of band k for a desktop `height` high: height * k / 64, truncated.
// Band k ends where band k + 1 begins; band 64's "top" is the bottom edge.
int BackgroundBandTop(int band, int height);
// Left edge of a title row: each half truncated on its own, so odd widths
// round the way the painted picture does (negative when the text is wider
// than the desktop).
int TitleRowX(int desktopWidth, int textWidth);
// Number of title rows at y = 0, h, 2h, ... below `desktopHeight`; 0 when the
// text has no height (nothing sensible to repeat).
int TitleRowCount(int desktopHeight, int textHeight);

// ---- Busy animation -------------------------------------------------------

constexpr int kBusyStepsPerTurn = 36;
constexpr int kBusyFrameMilliseconds = 100;
constexpr double kBusyFullTurn = 6.283185306;
constexpr char kBusyText[] = "Working";
constexpr int kBusyTextLength = sizeof kBusyText - 1;
// The ring's letter colour as a COLORREF (0x00BBGGRR): red 255, green 216, blue 216.
constexpr unsigned long kBusyLetterColour = 0xD8D8FF;

// The middle half of the desktop in each direction, inclusive edges.
struct BusyBox {
    int x0;
    int y0;
    int x1;
    int y1;
    int width;   // x1 - x0 + 1
    int height;  // y1 - y0 + 1
};
BusyBox BusyBoxForDesktop(int left, int top, int right, int bottom);

struct BoxPoint {
    int x;
    int y;
};
// Centre of letter `letter` of `letterCount` at rotation `step`, relative to
// the box's top left corner. The ring is an ellipse with semi-axes of 3/8 of
// the box's spans; letters follow each other clockwise.
BoxPoint BusyLetterCentre(const BusyBox& box, int letter, int letterCount, int step);
// Frames a wait of `milliseconds` shows: one per started 100 ms, none for 0
// or less.
int BusyFrameCount(int milliseconds);
// The rotation step after one more frame.
int NextBusyStep(int step);
