#include "tests/ui/main/ClientPixels.h"

#include "tests/support/PumpUntil.h"

bool CaptureClient(HWND window, bool children, ClientPixels& out)
{
    RedrawWindow(window, nullptr, nullptr,
                 RDW_INVALIDATE | RDW_ERASE | RDW_UPDATENOW | (children ? RDW_ALLCHILDREN : 0));
    PumpFor(20);
    RECT client {};
    if (!GetClientRect(window, &client) || client.right <= 0 || client.bottom <= 0)
        return false;
    out.width = client.right;
    out.height = client.bottom;
    HDC screen = GetDC(window);
    HDC memory = CreateCompatibleDC(screen);
    BITMAPINFO info {};
    info.bmiHeader.biSize = sizeof info.bmiHeader;
    info.bmiHeader.biWidth = out.width;
    info.bmiHeader.biHeight = -out.height;
    info.bmiHeader.biPlanes = 1;
    info.bmiHeader.biBitCount = 32;
    info.bmiHeader.biCompression = BI_RGB;
    void* bits = nullptr;
    HBITMAP bitmap = CreateDIBSection(memory, &info, DIB_RGB_COLORS, &bits, nullptr, 0);
    bool copied = false;
    if (bitmap && bits) {
        const HGDIOBJ old = SelectObject(memory, bitmap);
        copied = BitBlt(memory, 0, 0, out.width, out.height, screen, 0, 0, SRCCOPY) != 0;
        const auto* pixels = static_cast<const DWORD*>(bits);
        out.pixels.assign(pixels, pixels + static_cast<std::size_t>(out.width) * out.height);
        SelectObject(memory, old);
    }
    if (bitmap)
        DeleteObject(bitmap);
    DeleteDC(memory);
    ReleaseDC(window, screen);
    return copied;
}
