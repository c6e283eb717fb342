// A JPEG (or BMP, GIF) picture read from a file through OLE's picture
// loader, which Windows and Wine both provide, and drawn scaled into a
// rectangle.
#pragma once

#include <windows.h>
#include <olectl.h>

#include "common/scoped.h"
#include "varnlet/vrl32/layout.h"

namespace varnlet {

// Larger files are refused: Varnlet's own pictures are a few kilobytes.
constexpr DWORD kMaxPictureFileBytes = 4 * 1024 * 1024;

class Picture {
public:
    // Reads the file; false (and nothing held) if it is missing, too large
    // or not a picture.
    bool Load(const char* path);
    bool Loaded() const { return static_cast<bool>(picture_); }
    // Size in screen pixels; 0 x 0 when nothing is loaded.
    PixelSize Size() const { return size_; }
    void Draw(HDC dc, const PixelRect& where) const;
    void Unload() {
        picture_.Release();
        size_ = PixelSize{0, 0};
    }

private:
    ScopedComPtr<IPicture> picture_;
    PixelSize size_{0, 0};
};

}  // namespace varnlet
