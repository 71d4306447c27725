#include "toolkit/AnchoredDialog.h"

#include "toolkit/DialogTemplateSize.h"
#include "toolkit/ScreenFit.h"
#include "toolkit/WindowClass.h"

#include <commctrl.h>

#include <climits>

namespace {

constexpr LONG kStaticTypeMask = 0x1F;

}  // namespace

bool AnchoredDialog::OnInitDialog()
{
    // A dialog procedure never sees WM_CREATE; this is the first moment the dialog is ours,
    // and nothing has been measured or shown yet.
    MakeResizable();
    bool result = Dialog::OnInitDialog();
    RECT window {};
    if (GetWindowRect(hwnd_, &window)) {
        // The design size, but never more than the work area: at high DPI on a small screen the
        // full design size would push the right-hand controls off the screen for good.
        const SIZE design {window.right - window.left, window.bottom - window.top};
        limits_.minTrackSize = FitInWorkArea(hwnd_, design);
        limits_.useMinTrackSize = true;
    }
    initialized_ = true;
    return result;
}

void AnchoredDialog::ReserveBottomBand(int height)
{
    RECT window {};
    if (height <= 0 || !GetWindowRect(hwnd_, &window))
        return;
    bottomBand_ += height;
    // The design size and the band, even where that is larger than the screen (high DPI): the
    // layout is measured at that size, as OnInitDialog measures it.
    initialized_ = false;
    SetWindowPos(hwnd_, nullptr, 0, 0, window.right - window.left, window.bottom - window.top + height,
                 SWP_NOMOVE | SWP_NOZORDER | SWP_NOACTIVATE | SWP_NOOWNERZORDER);
    initialized_ = true;
    limits_.minTrackSize.cy += height;
    limits_.minTrackSize = FitInWorkArea(hwnd_, limits_.minTrackSize);
}

void AnchoredDialog::MakeResizable()
{
    RECT client {};
    if (!GetClientRect(hwnd_, &client))
        return;
    // A resizable dialog larger than the screen (high DPI) is cut down to the largest size a
    // window may have as it is created; it gets its design size back, which the layout is
    // measured at. Any other size is the one its owner chose.
    SIZE design {};
    RECT window {};
    if (GetWindowRect(hwnd_, &window) && TemplateClientSize(hwnd_, TemplateId(), design)) {
        if (window.right - window.left >= GetSystemMetrics(SM_CXMAXTRACK) && design.cx > client.right)
            client.right = design.cx;
        if (window.bottom - window.top >= GetSystemMetrics(SM_CYMAXTRACK) && design.cy > client.bottom)
            client.bottom = design.cy;
    }
    LONG style = (GetWindowLongA(hwnd_, GWL_STYLE) & ~DS_MODALFRAME) | WS_POPUP | WS_THICKFRAME;
    SetWindowLongA(hwnd_, GWL_STYLE, style);
    // The same client size under the new frame.
    RECT outer = client;
    if (!AdjustWindowRectEx(&outer, static_cast<DWORD>(style), GetMenu(hwnd_) != nullptr,
                            static_cast<DWORD>(GetWindowLongA(hwnd_, GWL_EXSTYLE))))
        return;
    SetWindowPos(hwnd_, nullptr, 0, 0, outer.right - outer.left, outer.bottom - outer.top,
                 SWP_NOMOVE | SWP_NOZORDER | SWP_NOACTIVATE | SWP_FRAMECHANGED | SWP_NOOWNERZORDER);
}

void AnchoredDialog::OnDestroy()
{
    ClearLayout();
    Dialog::OnDestroy();
}

bool AnchoredDialog::OnMessage(UINT message, WPARAM wParam, LPARAM lParam, LRESULT& result)
{
    switch (message) {
    case WM_SIZE:
        if (wParam != SIZE_MAXSHOW && wParam != SIZE_MAXHIDE && initialized_)
            ArrangeControls();
        return false;  // the default processing runs as well
    case WM_GETMINMAXINFO:
        if (initialized_) {
            limits_.Apply(*reinterpret_cast<MINMAXINFO*>(lParam));
        } else {
            // While the frame is made resizable the dialog keeps its design size, even where that
            // is larger than the screen (high DPI): the layout is measured at that size, and the
            // window is fitted to the work area afterwards with the layout moving the controls.
            auto& info = *reinterpret_cast<MINMAXINFO*>(lParam);
            info.ptMaxTrackSize = POINT {SHRT_MAX, SHRT_MAX};
        }
        result = 0;
        return true;
    case WM_ERASEBKGND:
        ClipControls(reinterpret_cast<HDC>(wParam));
        return false;  // the dialog manager erases what is left
    default: return Dialog::OnMessage(message, wParam, lParam, result);
    }
}

bool AnchoredDialog::NeedsFullRepaint(HWND control) const
{
    if (!HasClass(control, "Static"))
        return false;
    LONG style = GetWindowLongA(control, GWL_STYLE);
    switch (style & kStaticTypeMask) {
    case SS_LEFT:
    case SS_CENTER:
    case SS_RIGHT:
    case SS_BITMAP:
    case SS_ENHMETAFILE: return true;
    case SS_ICON:
    case SS_SIMPLE:
    case SS_ETCHEDHORZ:
    case SS_ETCHEDVERT: return false;
    default: return (style & SS_CENTERIMAGE) != 0;
    }
}

bool AnchoredDialog::ExcludesFromErase(HWND control) const
{
    LONG style = GetWindowLongA(control, GWL_STYLE);
    if (HasClass(control, "ToolbarWindow32"))
        return (style & TBSTYLE_TRANSPARENT) == 0;
    if (HasClass(control, "Button"))
        return (style & 0x1F) != BS_GROUPBOX;
    if (HasClass(control, "Static")) {
        switch (style & kStaticTypeMask) {
        case SS_ICON:
        case SS_ENHMETAFILE: return (style & SS_CENTERIMAGE) == 0;
        case SS_BLACKRECT:
        case SS_GRAYRECT:
        case SS_WHITERECT:
        case SS_BITMAP:
        case SS_ETCHEDHORZ:
        case SS_ETCHEDVERT: return true;
        default: return false;
        }
    }
    return true;
}

void AnchoredDialog::GetLayoutArea(RECT& area) const
{
    if (!GetClientRect(hwnd_, &area))
        SetRectEmpty(&area);
    // The band below the layout is the caller's (a status bar).
    area.bottom = area.bottom - bottomBand_ > area.top ? area.bottom - bottomBand_ : area.top;
}

HWND AnchoredDialog::GetLayoutWindow() const
{
    return hwnd_;
}
