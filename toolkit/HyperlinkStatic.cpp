#include "toolkit/HyperlinkStatic.h"

#include "toolkit/ShellServices.h"

#include <commctrl.h>

namespace {

constexpr UINT_PTR kToolId = 1;

}  // namespace

HyperlinkStatic::~HyperlinkStatic()
{
    ReleaseResources();
}

void HyperlinkStatic::ReleaseResources()
{
    if (HWND label = SubclassedHandle()) {
        KillTimer(label, kHoverTimerId);
        // The label may outlive us: it must not keep a font we delete.
        SendMessageA(label, WM_SETFONT, 0, FALSE);
        Unsubclass();
    }
    if (tooltip_)
        DestroyWindow(tooltip_);
    tooltip_ = nullptr;
    if (underlinedFont_)
        DeleteObject(underlinedFont_);
    if (normalFont_)
        DeleteObject(normalFont_);
    underlinedFont_ = normalFont_ = nullptr;
}

bool HyperlinkStatic::Attach(HWND label)
{
    if (!Subclass(label))
        return false;
    Static::Attach(label);
    SetWindowLongA(label, GWL_STYLE, GetWindowLongA(label, GWL_STYLE) | SS_NOTIFY);

    std::string text = GetText();
    if (url_.empty())
        url_ = text;
    if (text.empty())
        SetText(url_.c_str());

    CreateFonts();
    UseFont(underlineMode_ == UnderlineAlways ? underlinedFont_ : normalFont_);
    FitToText();
    // The system's own hand: present on every supported Windows, unlike a cursor borrowed
    // from another program's resources.
    if (!handCursor_)
        handCursor_ = LoadCursor(nullptr, IDC_HAND);
    CreateTooltip();
    return true;
}

void HyperlinkStatic::CreateFonts()
{
    HFONT current = GetFont();
    if (!current)
        current = static_cast<HFONT>(GetStockObject(DEFAULT_GUI_FONT));
    if (!current)
        current = static_cast<HFONT>(GetStockObject(ANSI_VAR_FONT));
    LOGFONTA description {};
    if (!current || !GetObjectA(current, sizeof description, &description))
        return;
    normalFont_ = CreateFontIndirectA(&description);
    description.lfUnderline = TRUE;
    underlinedFont_ = CreateFontIndirectA(&description);
}

void HyperlinkStatic::CreateTooltip()
{
    tooltip_ = CreateWindowExA(0, TOOLTIPS_CLASSA, nullptr, WS_POPUP | TTS_ALWAYSTIP, CW_USEDEFAULT,
                               CW_USEDEFAULT, CW_USEDEFAULT, CW_USEDEFAULT, hwnd_, nullptr, nullptr, nullptr);
    if (!tooltip_)
        return;
    TOOLINFOA tool {};
    tool.cbSize = TTTOOLINFOA_V2_SIZE;  // understood by every common-controls version
    tool.hwnd = hwnd_;
    tool.uId = kToolId;
    GetClientRect(hwnd_, &tool.rect);
    tool.lpszText = const_cast<char*>(url_.c_str());
    SendMessageA(tooltip_, TTM_ADDTOOLA, 0, reinterpret_cast<LPARAM>(&tool));
}

void HyperlinkStatic::SetUrl(const char* url)
{
    url_ = url ? url : "";
    if (!hwnd_ || !IsWindow(hwnd_))
        return;
    FitToText();
    if (tooltip_) {
        TOOLINFOA tool {};
        tool.cbSize = TTTOOLINFOA_V2_SIZE;  // understood by every common-controls version
        tool.hwnd = hwnd_;
        tool.uId = kToolId;
        tool.lpszText = const_cast<char*>(url_.c_str());
        SendMessageA(tooltip_, TTM_UPDATETIPTEXTA, 0, reinterpret_cast<LPARAM>(&tool));
    }
}

void HyperlinkStatic::SetUnderlineMode(int mode)
{
    if (mode != underlineMode_ && hwnd_ && IsWindow(hwnd_)) {
        UseFont(mode == UnderlineAlways ? underlinedFont_ : normalFont_);
        Repaint();
    }
    underlineMode_ = mode;
}

void HyperlinkStatic::UseFont(HFONT font)
{
    if (font)
        SetFont(font, true);
}

void HyperlinkStatic::Repaint(int extraBottom)
{
    // The label paints transparently, so the parent's background under it is redrawn too.
    RECT rect {};
    GetClientRect(hwnd_, &rect);
    rect.bottom += extraBottom;
    MapWindowPoints(hwnd_, GetParent(hwnd_), reinterpret_cast<POINT*>(&rect), 2);
    RedrawWindow(GetParent(hwnd_), &rect, nullptr, RDW_INVALIDATE | RDW_ERASE | RDW_ALLCHILDREN);
}

void HyperlinkStatic::FitToText()
{
    if (!fitToText || !hwnd_ || !IsWindow(hwnd_))
        return;
    HWND parent = GetParent(hwnd_);
    RECT window {};
    RECT client {};
    if (!GetWindowRect(hwnd_, &window) || !GetClientRect(hwnd_, &client))
        return;
    MapWindowPoints(HWND_DESKTOP, parent, reinterpret_cast<POINT*>(&window), 2);

    std::string text = GetText();
    HDC dc = GetDC(hwnd_);
    if (!dc)
        return;
    HGDIOBJ old = SelectObject(dc, underlinedFont_ ? underlinedFont_ : GetFont());
    SIZE extent {};
    BOOL measured = GetTextExtentPoint32A(dc, text.c_str(), static_cast<int>(text.size()), &extent);
    SelectObject(dc, old);
    ReleaseDC(hwnd_, dc);
    if (!measured)
        return;

    LONG style = GetWindowLongA(hwnd_, GWL_STYLE);
    int oldHeight = window.bottom - window.top;
    int newHeight = extent.cy + (oldHeight - client.bottom);
    if (style & SS_CENTERIMAGE) {
        int shrink = (oldHeight - newHeight) / 2;
        window.top += shrink;
        window.bottom -= shrink;
    } else {
        window.bottom = window.top + newHeight;
    }
    int oldWidth = window.right - window.left;
    int newWidth = extent.cx + (oldWidth - client.right);
    if (style & SS_CENTER) {
        int shrink = (oldWidth - newWidth) / 2;
        window.left += shrink;
        window.right -= shrink;
    } else if (style & SS_RIGHT) {
        window.left = window.right - newWidth;
    } else {
        window.right = window.left + newWidth;
    }
    SetWindowPos(hwnd_, nullptr, window.left, window.top, window.right - window.left,
                 window.bottom - window.top, SWP_NOZORDER | SWP_NOACTIVATE);
}

void HyperlinkStatic::OnClicked()
{
    hovering_ = false;
    visited_ = OpenUrl(url_.c_str(), SW_SHOW) > 32;
    if (!visited_) {
        MessageBeep(MB_ICONEXCLAMATION);
        return;
    }
    Repaint();
}

bool HyperlinkStatic::OnReflected(UINT message, WPARAM wParam, LPARAM, LRESULT& result)
{
    if (message == WM_CTLCOLORSTATIC) {
        auto dc = reinterpret_cast<HDC>(wParam);
        SetTextColor(dc, hovering_ ? hoverColour : visited_ ? visitedColour : linkColour);
        SetBkMode(dc, TRANSPARENT);
        result = reinterpret_cast<LRESULT>(GetStockObject(NULL_BRUSH));
        return true;
    }
    if (message == WM_COMMAND && HIWORD(wParam) == STN_CLICKED) {
        OnClicked();
        result = 0;
        return true;
    }
    return false;
}

LRESULT HyperlinkStatic::WindowProc(UINT message, WPARAM wParam, LPARAM lParam)
{
    if (tooltip_ && message >= WM_MOUSEFIRST && message <= WM_MOUSELAST) {
        MSG relayed {hwnd_, message, wParam, lParam, static_cast<DWORD>(GetMessageTime()), {}};
        DWORD position = GetMessagePos();
        relayed.pt = POINT {static_cast<short>(LOWORD(position)), static_cast<short>(HIWORD(position))};
        SendMessageA(tooltip_, TTM_RELAYEVENT, 0, reinterpret_cast<LPARAM>(&relayed));
    }
    switch (message) {
    case WM_MOUSEMOVE:
        if (!hovering_) {
            hovering_ = true;
            if (underlineMode_ == UnderlineWhileHovering)
                UseFont(underlinedFont_);
            Repaint();
            SetTimer(hwnd_, kHoverTimerId, kHoverTimerMs, nullptr);
        }
        break;
    case WM_TIMER:
        if (wParam == kHoverTimerId) {
            DWORD position = GetMessagePos();
            POINT cursor {static_cast<short>(LOWORD(position)), static_cast<short>(HIWORD(position))};
            ScreenToClient(hwnd_, &cursor);
            RECT client {};
            GetClientRect(hwnd_, &client);
            if (!PtInRect(&client, cursor)) {
                hovering_ = false;
                KillTimer(hwnd_, kHoverTimerId);
                if (underlineMode_ != UnderlineAlways)
                    UseFont(normalFont_);
                Repaint(10);
            }
        }
        break;
    case WM_SETCURSOR:
        if (handCursor_) {
            SetCursor(handCursor_);
            return TRUE;
        }
        break;
    case WM_ERASEBKGND: return TRUE;  // transparent: the parent's background shows through
    case WM_DESTROY:
        KillTimer(hwnd_, kHoverTimerId);
        if (tooltip_)
            DestroyWindow(tooltip_);
        tooltip_ = nullptr;
        break;
    default: break;
    }
    return CallDefault(message, wParam, lParam);
}
