// Static text or icon control.
#pragma once
#include "toolkit/Window.h"

class Static : public Window {
public:
    using Window::Window;

    HICON SetIcon(HICON icon) const
    {
        return reinterpret_cast<HICON>(SendMessageA(hwnd_, STM_SETICON, reinterpret_cast<WPARAM>(icon), 0));
    }
    HICON GetIcon() const { return reinterpret_cast<HICON>(SendMessageA(hwnd_, STM_GETICON, 0, 0)); }
    HFONT GetFont() const { return reinterpret_cast<HFONT>(SendMessageA(hwnd_, WM_GETFONT, 0, 0)); }
    void SetFont(HFONT font, bool redraw) const
    {
        SendMessageA(hwnd_, WM_SETFONT, reinterpret_cast<WPARAM>(font), redraw ? TRUE : FALSE);
    }
};
