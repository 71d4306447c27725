// Keeps registered controls anchored to points of a resizable layout area.
//
// Each control's top-left corner keeps its distance (margin) from one anchor point and its
// bottom-right corner from another; anchor points are percentages of the area's width and
// height. Margins are measured once, at registration, in the designed layout.
#pragma once
#include <windows.h>

#include <vector>

struct AnchorPoint {
    int x;  // percent of the layout width
    int y;  // percent of the layout height
    bool operator==(const AnchorPoint&) const = default;
};

namespace Anchor {
inline constexpr AnchorPoint TopLeft {0, 0};
inline constexpr AnchorPoint TopCentre {50, 0};
inline constexpr AnchorPoint TopRight {100, 0};
inline constexpr AnchorPoint MiddleLeft {0, 50};
inline constexpr AnchorPoint Centre {50, 50};
inline constexpr AnchorPoint MiddleRight {100, 50};
inline constexpr AnchorPoint BottomLeft {0, 100};
inline constexpr AnchorPoint BottomCentre {50, 100};
inline constexpr AnchorPoint BottomRight {100, 100};
// Only as the second point: the same as the first, so the control moves but keeps its size.
inline constexpr AnchorPoint None {-1, -1};
}  // namespace Anchor

struct LayoutEntry {
    HWND control;
    bool adjustHorizontalScroll;  // list boxes: repaint fully when the scroll position must move
    bool needsFullRepaint;
    AnchorPoint topLeft;
    POINT topLeftMargin;
    AnchorPoint bottomRight;
    POINT bottomRightMargin;
};

class LayoutManager {
public:
    virtual ~LayoutManager() = default;

    // Registers a control; call while the area still has its designed size.
    void AnchorControl(HWND control, AnchorPoint topLeft, AnchorPoint bottomRight = Anchor::None);
    // The same for a child of the layout window, by control ID.
    void AnchorItem(int id, AnchorPoint topLeft, AnchorPoint bottomRight = Anchor::None);
    // Moves every registered control for the current area size, in one deferred batch.
    void ArrangeControls();
    // Cuts the controls that paint their whole area out of the device context's clip region,
    // in registration order, before the background is erased.
    void ClipControls(HDC dc);
    void ClearLayout() { entries_.clear(); }
    const std::vector<LayoutEntry>& Entries() const { return entries_; }

    // Whether the control's area is left out of the background erase.
    virtual bool ExcludesFromErase(HWND control) const = 0;
    // Whether moving or sizing the control must discard its old pixels.
    virtual bool NeedsFullRepaint(HWND control) const = 0;
    virtual void GetLayoutArea(RECT& area) const = 0;
    virtual HWND GetLayoutWindow() const = 0;

private:
    RECT ControlRect(HWND control) const;
    std::vector<LayoutEntry> entries_;
};
