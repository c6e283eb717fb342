#include "varnlet/vrl32/layout.h"

namespace varnlet {

namespace {

PixelSize OrNominal(PixelSize size, PixelSize nominal) {
    return (size.width > 0 && size.height > 0) ? size : nominal;
}

int Max(int a, int b) { return a > b ? a : b; }

}  // namespace

PixelRect FitInside(PixelSize picture, PixelRect box) {
    int boxWidth = Max(box.Width(), 0);
    int boxHeight = Max(box.Height(), 0);
    int centreX = box.left + boxWidth / 2;
    int centreY = box.top + boxHeight / 2;
    if (picture.width <= 0 || picture.height <= 0 || boxWidth == 0 || boxHeight == 0) {
        return PixelRect{centreX, centreY, centreX, centreY};
    }
    int width = picture.width;
    int height = picture.height;
    if (width > boxWidth || height > boxHeight) {
        // Compare the two scale factors without floating point:
        // boxWidth / width < boxHeight / height  <=>  boxWidth * height < boxHeight * width.
        long long byWidth = static_cast<long long>(boxWidth) * picture.height;
        long long byHeight = static_cast<long long>(boxHeight) * picture.width;
        if (byWidth <= byHeight) {
            width = boxWidth;
            height = static_cast<int>(byWidth / picture.width);
        } else {
            height = boxHeight;
            width = static_cast<int>(byHeight / picture.height);
        }
    }
    int left = box.left + (boxWidth - width) / 2;
    int top = box.top + (boxHeight - height) / 2;
    return PixelRect{left, top, left + width, top + height};
}

GalleryLayout ComputeGalleryLayout(int clientWidth, int clientHeight, PixelSize emblem,
                                   const PixelSize samples[kSampleCount]) {
    GalleryLayout layout{};
    PixelSize emblemSize = OrNominal(emblem, kEmblemNominal);
    PixelSize sampleSizes[kSampleCount];
    int tallestSample = 0;
    for (int i = 0; i < kSampleCount; ++i) {
        sampleSizes[i] = OrNominal(samples[i], kSampleNominal);
        tallestSample = Max(tallestSample, sampleSizes[i].height);
    }

    // The height left for pictures is shared in proportion to their own
    // heights, so both rows shrink together when the window is small.
    int pictureHeight = Max(clientHeight - 3 * kLayoutMargin - kCaptionHeight, 0);
    int wanted = emblemSize.height + tallestSample;
    int emblemRowHeight = pictureHeight;
    if (wanted > 0 && pictureHeight < wanted) {
        emblemRowHeight = static_cast<int>(static_cast<long long>(pictureHeight) * emblemSize.height / wanted);
    } else {
        emblemRowHeight = emblemSize.height;
    }
    int sampleRowHeight = Max(pictureHeight - emblemRowHeight, 0);
    if (sampleRowHeight > tallestSample) sampleRowHeight = tallestSample;

    int innerWidth = Max(clientWidth - 2 * kLayoutMargin, 0);
    PixelRect emblemBox{kLayoutMargin, kLayoutMargin, kLayoutMargin + innerWidth, kLayoutMargin + emblemRowHeight};
    layout.emblem = FitInside(emblemSize, emblemBox);

    int columnWidth = Max((clientWidth - (kSampleCount + 1) * kLayoutMargin) / kSampleCount, 0);
    int rowTop = emblemBox.bottom + kLayoutMargin;
    // The sample row sits in the middle of the space left below the emblem.
    int spare = clientHeight - rowTop - kLayoutMargin - kCaptionHeight - sampleRowHeight;
    if (spare > 0) rowTop += spare / 2;
    for (int i = 0; i < kSampleCount; ++i) {
        int left = kLayoutMargin + i * (columnWidth + kLayoutMargin);
        PixelRect box{left, rowTop, left + columnWidth, rowTop + sampleRowHeight};
        layout.samples[i] = FitInside(sampleSizes[i], box);
        layout.captions[i] = PixelRect{left, box.bottom, left + columnWidth, box.bottom + kCaptionHeight};
    }
    return layout;
}

PixelSize PreferredClientSize() {
    int width = kSampleCount * kSampleNominal.width + (kSampleCount + 1) * kLayoutMargin + 2 * kLayoutMargin;
    if (width < kEmblemNominal.width + 2 * kLayoutMargin) width = kEmblemNominal.width + 2 * kLayoutMargin;
    int height = kEmblemNominal.height + kSampleNominal.height + 3 * kLayoutMargin + kCaptionHeight + 2 * kLayoutMargin;
    return PixelSize{width, height};
}

}  // namespace varnlet
