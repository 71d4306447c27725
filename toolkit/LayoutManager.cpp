#include "toolkit/LayoutManager.h"

#include "toolkit/WindowClass.h"

namespace {

// Position of a percentage point along a length; the product is truncated before any
// difference is taken, so that returning to a size returns every control exactly.
int Scale(int length, int percent)
{
    return length * percent / 100;
}

}  // namespace

RECT LayoutManager::ControlRect(HWND control) const
{
    RECT rect {};
    if (!GetWindowRect(control, &rect))
        return rect;
    MapWindowPoints(HWND_DESKTOP, GetLayoutWindow(), reinterpret_cast<POINT*>(&rect), 2);
    return rect;
}

void LayoutManager::AnchorControl(HWND control, AnchorPoint topLeft, AnchorPoint bottomRight)
{
    if (!control)
        return;
    LONG style = GetWindowLongA(control, GWL_STYLE);
    if (HasClass(control, "Button") && (style & 0x1F) == BS_GROUPBOX)
        SetWindowLongA(control, GWL_STYLE, style | WS_CLIPSIBLINGS);

    RECT area {};
    GetLayoutArea(area);
    int width = area.right - area.left;
    int height = area.bottom - area.top;
    RECT rect = ControlRect(control);
    if (bottomRight == Anchor::None)
        bottomRight = topLeft;

    LayoutEntry entry {};
    entry.control = control;
    entry.adjustHorizontalScroll = HasClass(control, "ListBox");
    entry.needsFullRepaint = NeedsFullRepaint(control);
    entry.topLeft = topLeft;
    entry.topLeftMargin = POINT {rect.left - Scale(width, topLeft.x), rect.top - Scale(height, topLeft.y)};
    entry.bottomRight = bottomRight;
    entry.bottomRightMargin =
            POINT {rect.right - Scale(width, bottomRight.x), rect.bottom - Scale(height, bottomRight.y)};
    entries_.push_back(entry);
}

void LayoutManager::AnchorItem(int id, AnchorPoint topLeft, AnchorPoint bottomRight)
{
    AnchorControl(GetDlgItem(GetLayoutWindow(), id), topLeft, bottomRight);
}

void LayoutManager::ArrangeControls()
{
    RECT area {};
    GetLayoutArea(area);
    int width = area.right - area.left;
    int height = area.bottom - area.top;

    HDWP batch = BeginDeferWindowPos(static_cast<int>(entries_.size()));
    if (!batch)
        return;
    for (const LayoutEntry& entry : entries_) {
        if (!entry.control)
            continue;
        RECT old = ControlRect(entry.control);
        RECT rect {Scale(width, entry.topLeft.x) + entry.topLeftMargin.x,
                   Scale(height, entry.topLeft.y) + entry.topLeftMargin.y,
                   Scale(width, entry.bottomRight.x) + entry.bottomRightMargin.x,
                   Scale(height, entry.bottomRight.y) + entry.bottomRightMargin.y};
        if (EqualRect(&rect, &old))
            continue;

        int oldWidth = old.right - old.left;
        int newWidth = rect.right - rect.left;
        bool fullRepaint = entry.needsFullRepaint;
        if (entry.adjustHorizontalScroll) {
            // A list box scrolled to its right end must scroll back when it widens.
            fullRepaint = false;
            SCROLLINFO info {};
            info.cbSize = sizeof info;
            info.fMask = SIF_POS | SIF_RANGE | SIF_PAGE;
            if (GetScrollInfo(entry.control, SB_HORZ, &info)) {
                int limit = info.nMax - static_cast<int>(info.nPage) + 1;
                fullRepaint = limit > 0 && info.nPos > limit - (newWidth - oldWidth);
            }
        }
        UINT flags = SWP_NOZORDER | SWP_NOACTIVATE | SWP_NOOWNERZORDER;
        if (fullRepaint)
            flags |= SWP_NOCOPYBITS;
        if (rect.left == old.left && rect.top == old.top)
            flags |= SWP_NOMOVE;
        if (newWidth == oldWidth && rect.bottom - rect.top == old.bottom - old.top)
            flags |= SWP_NOSIZE;
        batch = DeferWindowPos(batch, entry.control, nullptr, rect.left, rect.top, newWidth,
                               rect.bottom - rect.top, flags);
        if (!batch)
            return;  // the system has already released the batch
    }
    EndDeferWindowPos(batch);
}

void LayoutManager::ClipControls(HDC dc)
{
    for (const LayoutEntry& entry : entries_) {
        if (!entry.control || !IsWindowVisible(entry.control))
            continue;
        RECT rect = ControlRect(entry.control);
        DPtoLP(dc, reinterpret_cast<POINT*>(&rect), 2);

        HRGN region = CreateRectRgn(0, 0, 0, 0);
        if (!region)
            return;
        if (GetWindowRgn(entry.control, region) == COMPLEXREGION)
            OffsetRgn(region, rect.left, rect.top);
        else
            SetRectRgn(region, rect.left, rect.top, rect.right, rect.bottom);
        ExtSelectClipRgn(dc, region, ExcludesFromErase(entry.control) ? RGN_DIFF : RGN_OR);
        DeleteObject(region);
    }
}
