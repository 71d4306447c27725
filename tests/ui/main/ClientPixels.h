// A window's client area as the screen shows it, read back for tests that check what was drawn.
#pragma once

#include <windows.h>

#include <vector>

struct ClientPixels {
    int width = 0;
    int height = 0;
    std::vector<DWORD> pixels;  // 0x00RRGGBB, top row first

    // The pixel at x, y differs from colour.
    bool Differs(int x, int y, COLORREF colour) const
    {
        const DWORD rgb = (GetRValue(colour) << 16) | (GetGValue(colour) << 8) | GetBValue(colour);
        return (pixels[static_cast<std::size_t>(y) * width + x] & 0xFFFFFF) != rgb;
    }
};

// Redraws window (and its children when asked), lets it paint, then copies its client area from
// the screen. False when the window has no area or the copy cannot be made.
bool CaptureClient(HWND window, bool children, ClientPixels& out);
