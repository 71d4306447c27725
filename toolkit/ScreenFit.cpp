#include "toolkit/ScreenFit.h"

int ScreenDpi()
{
    HDC screen = GetDC(nullptr);
    if (!screen)
        return 96;
    const int dpi = GetDeviceCaps(screen, LOGPIXELSY);
    ReleaseDC(nullptr, screen);
    return dpi > 0 ? dpi : 96;
}

int ScaleToDpi(int pixels, int fromDpi, int toDpi)
{
    if (fromDpi <= 0)
        fromDpi = 96;
    if (toDpi <= 0 || fromDpi == toDpi)
        return pixels;
    const int scaled = MulDiv(pixels, toDpi, fromDpi);
    return scaled == -1 ? pixels : scaled;
}

RECT NearestWorkArea(const RECT& rect)
{
    MONITORINFO info {};
    info.cbSize = sizeof info;
    if (GetMonitorInfoA(MonitorFromRect(&rect, MONITOR_DEFAULTTONEAREST), &info))
        return info.rcWork;
    RECT work {};
    if (!SystemParametersInfoA(SPI_GETWORKAREA, 0, &work, 0))
        work = {0, 0, GetSystemMetrics(SM_CXSCREEN), GetSystemMetrics(SM_CYSCREEN)};
    return work;
}

SIZE FitInWorkArea(HWND window, SIZE size)
{
    RECT rect {};
    if (!GetWindowRect(window, &rect))
        rect = {0, 0, size.cx, size.cy};
    const RECT work = NearestWorkArea(rect);
    if (size.cx > work.right - work.left)
        size.cx = work.right - work.left;
    if (size.cy > work.bottom - work.top)
        size.cy = work.bottom - work.top;
    return size;
}

bool KeepOnAMonitor(RECT& rect)
{
    if (MonitorFromRect(&rect, MONITOR_DEFAULTTONULL) != nullptr)
        return true;
    KeepWithinWorkArea(rect);
    return false;
}

bool KeepWithinWorkArea(RECT& rect)
{
    const RECT before = rect;
    const RECT work = NearestWorkArea(rect);
    LONG width = rect.right - rect.left, height = rect.bottom - rect.top;
    if (width > work.right - work.left)
        width = work.right - work.left;
    if (height > work.bottom - work.top)
        height = work.bottom - work.top;
    LONG left = rect.left < work.left ? work.left : rect.left;
    LONG top = rect.top < work.top ? work.top : rect.top;
    if (left + width > work.right)
        left = work.right - width;
    if (top + height > work.bottom)
        top = work.bottom - height;
    rect = {left, top, left + width, top + height};
    return EqualRect(&rect, &before) != 0;
}

bool RestoreNormalPosition(HWND window, const RECT& normal)
{
    WINDOWPLACEMENT placement {};
    placement.length = sizeof placement;
    if (!GetWindowPlacement(window, &placement))
        return false;
    placement.rcNormalPosition = normal;
    // Shown as it is now: a window still being set up stays hidden.
    placement.showCmd = IsWindowVisible(window) ? SW_SHOWNOACTIVATE : SW_HIDE;
    placement.flags = 0;
    return SetWindowPlacement(window, &placement) != 0;
}
