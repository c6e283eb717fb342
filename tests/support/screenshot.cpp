#include "tests/support/screenshot.h"

#include <windows.h>

#include <cstdio>
#include <cstdlib>
#include <vector>

#include "tests/support/test_files.h"

namespace testing_support {

std::string TestOutputFolder() {
    const char* unixPath = std::getenv("VARNLET_TEST_OUTPUT");
    if (!unixPath || !*unixPath) return "";
    std::string path = WindowsPathOf(unixPath);
    // Create each level; existing ones are fine.
    for (size_t i = 3; i <= path.size(); ++i)
        if (i == path.size() || path[i] == '\\') CreateDirectoryA(path.substr(0, i).c_str(), nullptr);
    return path;
}

std::string SaveScreenshot(const char* fileName) {
    std::string folder = TestOutputFolder();
    if (folder.empty()) return "";
    std::string path = folder + "\\" + fileName;
    return SaveScreenshotAs(path) ? path : "";
}

bool SaveScreenshotAs(const std::string& path) {
    HDC screen = GetDC(nullptr);
    int width = GetSystemMetrics(SM_CXSCREEN), height = GetSystemMetrics(SM_CYSCREEN);
    HDC memory = CreateCompatibleDC(screen);
    HBITMAP bitmap = CreateCompatibleBitmap(screen, width, height);
    HGDIOBJ previous = SelectObject(memory, bitmap);
    BitBlt(memory, 0, 0, width, height, screen, 0, 0, SRCCOPY);
    SelectObject(memory, previous);

    BITMAPINFOHEADER header = {};
    header.biSize = sizeof header;
    header.biWidth = width;
    header.biHeight = height;
    header.biPlanes = 1;
    header.biBitCount = 24;
    header.biCompression = BI_RGB;
    int stride = (width * 3 + 3) & ~3;
    std::vector<unsigned char> pixels(static_cast<size_t>(stride) * height);
    GetDIBits(memory, bitmap, 0, height, pixels.data(), reinterpret_cast<BITMAPINFO*>(&header), DIB_RGB_COLORS);
    DeleteObject(bitmap);
    DeleteDC(memory);
    ReleaseDC(nullptr, screen);

    BITMAPFILEHEADER fileHeader = {};
    fileHeader.bfType = 0x4D42;
    fileHeader.bfOffBits = sizeof fileHeader + sizeof header;
    fileHeader.bfSize = fileHeader.bfOffBits + static_cast<DWORD>(pixels.size());
    FILE* file = std::fopen(path.c_str(), "wb");
    if (!file) return false;
    bool ok = std::fwrite(&fileHeader, sizeof fileHeader, 1, file) == 1 &&
              std::fwrite(&header, sizeof header, 1, file) == 1 &&
              std::fwrite(pixels.data(), 1, pixels.size(), file) == pixels.size();
    ok = std::fclose(file) == 0 && ok;
    return ok;
}

}  // namespace testing_support
