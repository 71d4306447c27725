// Test helper: keeps a picture of a window as a 24-bit BMP file, as the screen shows it (the
// window brought to the top first); Wine's PrintWindow draws no child controls.
#pragma once
#include <windows.h>

#include <cstdio>
#include <string>
#include <vector>

namespace qmtest {

// The window's pixels, bottom-up rows of BGR padded to four bytes, and its size; empty on failure.
// As the window draws itself when asked, or (fromScreen) as the screen shows it now, with
// whatever an earlier paint left there.
inline std::vector<unsigned char> WindowPixels(HWND window, SIZE& size, bool fromScreen = false)
{
    std::vector<unsigned char> pixels;
    RECT rect {};
    if (!GetWindowRect(window, &rect))
        return pixels;
    size = {rect.right - rect.left, rect.bottom - rect.top};
    if (size.cx <= 0 || size.cy <= 0)
        return pixels;
    HDC screen = GetDC(nullptr);
    HDC memory = CreateCompatibleDC(screen);
    HBITMAP bitmap = CreateCompatibleBitmap(screen, size.cx, size.cy);
    if (memory && bitmap) {
        HGDIOBJ old = SelectObject(memory, bitmap);
        const bool drawn =
                fromScreen ? BitBlt(memory, 0, 0, size.cx, size.cy, screen, rect.left, rect.top, SRCCOPY) != 0
                           : PrintWindow(window, memory, 0) != 0;
        SelectObject(memory, old);
        BITMAPINFO info {};
        info.bmiHeader.biSize = sizeof info.bmiHeader;
        info.bmiHeader.biWidth = size.cx;
        info.bmiHeader.biHeight = size.cy;
        info.bmiHeader.biPlanes = 1;
        info.bmiHeader.biBitCount = 24;
        info.bmiHeader.biCompression = BI_RGB;
        const size_t stride = (static_cast<size_t>(size.cx) * 3 + 3) & ~static_cast<size_t>(3);
        pixels.resize(stride * static_cast<size_t>(size.cy));
        if (!drawn || GetDIBits(memory, bitmap, 0, static_cast<UINT>(size.cy), pixels.data(), &info,
                                DIB_RGB_COLORS) != size.cy)
            pixels.clear();
    }
    if (bitmap)
        DeleteObject(bitmap);
    if (memory)
        DeleteDC(memory);
    ReleaseDC(nullptr, screen);
    return pixels;
}

// Writes pixels as WindowPixels gives them to path, in a folder that exists, as a BMP file.
inline bool SavePixels(const std::vector<unsigned char>& pixels, SIZE size, const std::string& path)
{
    if (pixels.empty())
        return false;
    BITMAPFILEHEADER file {};
    BITMAPINFOHEADER header {};
    header.biSize = sizeof header;
    header.biWidth = size.cx;
    header.biHeight = size.cy;
    header.biPlanes = 1;
    header.biBitCount = 24;
    header.biCompression = BI_RGB;
    header.biSizeImage = static_cast<DWORD>(pixels.size());
    file.bfType = 0x4D42;  // "BM"
    file.bfOffBits = sizeof file + sizeof header;
    file.bfSize = file.bfOffBits + header.biSizeImage;
    std::FILE* out = std::fopen(path.c_str(), "wb");
    if (!out)
        return false;
    const bool written = std::fwrite(&file, sizeof file, 1, out) == 1 &&
                         std::fwrite(&header, sizeof header, 1, out) == 1 &&
                         std::fwrite(pixels.data(), 1, pixels.size(), out) == pixels.size();
    return std::fclose(out) == 0 && written;
}

// Writes the window's picture to path, in a folder that exists. False when it cannot be drawn or
// written.
inline bool SaveScreenshot(HWND window, const std::string& path)
{
    SIZE size {};
    return SavePixels(WindowPixels(window, size, true), size, path);
}

}  // namespace qmtest
