#include "varnlet/vrl32/picture.h"

#include <utility>

#include "common/system_calls.h"

namespace varnlet {

namespace {

constexpr int kHimetricPerInch = 2540;

// A movable global memory block with the whole file in it, as
// CreateStreamOnHGlobal wants. Null on any failure.
HGLOBAL ReadFileToGlobal(const char* path, DWORD* size) {
    ScopedHandle file(CreateFileA(path, GENERIC_READ, FILE_SHARE_READ, nullptr, OPEN_EXISTING,
                                  FILE_ATTRIBUTE_NORMAL, nullptr));
    if (!file.Valid()) return nullptr;
    DWORD high = 0;
    DWORD low = GetFileSize(file.Get(), &high);
    if (low == INVALID_FILE_SIZE || high != 0 || low == 0 || low > kMaxPictureFileBytes) return nullptr;
    HGLOBAL memory = GlobalAlloc(GMEM_MOVEABLE, low);
    if (!memory) return nullptr;
    void* bytes = GlobalLock(memory);
    DWORD read = 0;
    BOOL ok = bytes && ReadFile(file.Get(), bytes, low, &read, nullptr) && read == low;
    if (bytes) GlobalUnlock(memory);
    if (!ok) {
        GlobalFree(memory);
        return nullptr;
    }
    *size = low;
    return memory;
}

int HimetricToPixels(long himetric, int pixelsPerInch) {
    return MulDiv(static_cast<int>(himetric), pixelsPerInch, kHimetricPerInch);
}

}  // namespace

bool Picture::Load(const char* path) {
    picture_.Release();
    size_ = PixelSize{0, 0};
    DWORD size = 0;
    HGLOBAL memory = ReadFileToGlobal(path, &size);
    if (!memory) return false;
    ScopedComPtr<IStream> stream;
    // The stream owns the memory from here on and frees it on release.
    if (FAILED(sys::CreateStreamOnHGlobal(memory, TRUE, reinterpret_cast<IStream**>(stream.ReceiveVoid())))) {
        GlobalFree(memory);
        return false;
    }
    ScopedComPtr<IPicture> picture;
    if (FAILED(sys::OleLoadPicture(stream.Get(), static_cast<LONG>(size), FALSE, IID_IPicture, picture.ReceiveVoid())) ||
        !picture) {
        return false;
    }
    OLE_XSIZE_HIMETRIC width = 0;
    OLE_YSIZE_HIMETRIC height = 0;
    if (FAILED(picture->get_Width(&width)) || FAILED(picture->get_Height(&height)) || width <= 0 || height <= 0) {
        return false;
    }
    HDC screen = GetDC(nullptr);
    int dpiX = screen ? GetDeviceCaps(screen, LOGPIXELSX) : 96;
    int dpiY = screen ? GetDeviceCaps(screen, LOGPIXELSY) : 96;
    if (screen) ReleaseDC(nullptr, screen);
    size_ = PixelSize{HimetricToPixels(width, dpiX), HimetricToPixels(height, dpiY)};
    picture_ = std::move(picture);
    return true;
}

void Picture::Draw(HDC dc, const PixelRect& where) const {
    if (!picture_ || where.Width() <= 0 || where.Height() <= 0) return;
    OLE_XSIZE_HIMETRIC width = 0;
    OLE_YSIZE_HIMETRIC height = 0;
    if (FAILED(picture_->get_Width(&width)) || FAILED(picture_->get_Height(&height))) return;
    // The source rectangle runs bottom-up in HIMETRIC units, hence the
    // negative height starting from the bottom edge.
    (void)picture_->Render(dc, where.left, where.top, where.Width(), where.Height(), 0, height, width, -height,
                           nullptr);
}

}  // namespace varnlet
