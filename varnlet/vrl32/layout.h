// Where the main window puts its three pictures: the emblem on top, the two
// sample tiles side by side below it, each with a caption line. Pure
// arithmetic on the client size, so it is tested on the host and the tests
// under Wine can find the pictures on screen.
#pragma once

namespace varnlet {

struct PixelSize {
    int width;
    int height;
};

struct PixelRect {
    int left;
    int top;
    int right;
    int bottom;
    int Width() const { return right - left; }
    int Height() const { return bottom - top; }
};

constexpr int kSampleCount = 2;
constexpr int kLayoutMargin = 12;
constexpr int kCaptionHeight = 20;
// Room kept for a picture that could not be read, so the window keeps its
// shape and the note about the missing file has a place.
constexpr PixelSize kEmblemNominal{240, 180};
constexpr PixelSize kSampleNominal{200, 200};

struct GalleryLayout {
    PixelRect emblem;                  // where the emblem is drawn
    PixelRect samples[kSampleCount];   // where each sample is drawn
    PixelRect captions[kSampleCount];  // the caption line under each sample
};

// The largest rectangle of the picture's proportions that fits the box,
// centred in it; pictures are shrunk to fit but never enlarged. An empty
// picture or box gives an empty rectangle at the box's centre.
PixelRect FitInside(PixelSize picture, PixelRect box);

// Lays out the gallery in a client area of the given size (the status bar
// already taken off). A picture size of 0 x 0 stands for a picture that could
// not be read; its nominal size is used instead.
GalleryLayout ComputeGalleryLayout(int clientWidth, int clientHeight, PixelSize emblem,
                                   const PixelSize samples[kSampleCount]);

// The client size at which every picture of nominal size shows unscaled.
PixelSize PreferredClientSize();

}  // namespace varnlet
