// Progress bar control.
#pragma once
#include "toolkit/Window.h"

#include <commctrl.h>

class ProgressBar : public Window {
public:
    using Window::Window;

    void SetRange(int low, int high) const { SendMessageA(hwnd_, PBM_SETRANGE32, low, high); }
    int SetPosition(int position) const
    {
        return static_cast<int>(SendMessageA(hwnd_, PBM_SETPOS, position, 0));
    }
    int GetPosition() const { return static_cast<int>(SendMessageA(hwnd_, PBM_GETPOS, 0, 0)); }
    void SetStep(int step) const { SendMessageA(hwnd_, PBM_SETSTEP, step, 0); }
    void Step() const { SendMessageA(hwnd_, PBM_STEPIT, 0, 0); }
    int GetUpperLimit() const { return static_cast<int>(SendMessageA(hwnd_, PBM_GETRANGE, FALSE, 0)); }
};
