// Push button, check box or radio button.
#pragma once
#include "toolkit/Window.h"

class Button : public Window {
public:
    using Window::Window;

    bool IsChecked() const { return SendMessageA(hwnd_, BM_GETCHECK, 0, 0) == BST_CHECKED; }
    void SetChecked(bool checked) const
    {
        SendMessageA(hwnd_, BM_SETCHECK, checked ? BST_CHECKED : BST_UNCHECKED, 0);
    }
    // Presses the button as a click would, so that its parent receives BN_CLICKED.
    void Click() const { SendMessageA(hwnd_, BM_CLICK, 0, 0); }
};
