#include "toolkit/SubclassedControl.h"

#include <commctrl.h>

namespace {
constexpr UINT_PTR kSubclassId = 0x516D;  // one subclass of ours per control
}

SubclassedControl::~SubclassedControl()
{
    Unsubclass();
}

bool SubclassedControl::Subclass(HWND control)
{
    if (!control || control_)
        return false;
    if (!SetWindowSubclass(control, SubclassProc, kSubclassId, reinterpret_cast<DWORD_PTR>(this)))
        return false;
    control_ = control;
    return true;
}

void SubclassedControl::Unsubclass()
{
    if (!control_)
        return;
    RemoveWindowSubclass(control_, SubclassProc, kSubclassId);
    control_ = nullptr;
}

SubclassedControl* SubclassedControl::FromHandle(HWND control)
{
    DWORD_PTR self = 0;
    if (!control || !GetWindowSubclass(control, SubclassProc, kSubclassId, &self))
        return nullptr;
    return reinterpret_cast<SubclassedControl*>(self);
}

bool SubclassedControl::Reflect(UINT message, WPARAM wParam, LPARAM lParam, LRESULT& result)
{
    HWND source = nullptr;
    if (message == WM_NOTIFY && lParam)
        source = reinterpret_cast<const NMHDR*>(lParam)->hwndFrom;
    else if (message == WM_COMMAND || (message >= WM_CTLCOLORMSGBOX && message <= WM_CTLCOLORSTATIC))
        source = reinterpret_cast<HWND>(lParam);
    SubclassedControl* control = FromHandle(source);
    return control && control->OnReflected(message, wParam, lParam, result);
}

bool SubclassedControl::OnReflected(UINT, WPARAM, LPARAM, LRESULT&)
{
    return false;
}

LRESULT SubclassedControl::WindowProc(UINT message, WPARAM wParam, LPARAM lParam)
{
    return CallDefault(message, wParam, lParam);
}

LRESULT SubclassedControl::CallDefault(UINT message, WPARAM wParam, LPARAM lParam)
{
    return DefSubclassProc(control_, message, wParam, lParam);
}

LRESULT CALLBACK SubclassedControl::SubclassProc(HWND hwnd, UINT message, WPARAM wParam, LPARAM lParam,
                                                 UINT_PTR, DWORD_PTR self)
{
    auto* control = reinterpret_cast<SubclassedControl*>(self);
    if (message == WM_NCDESTROY) {
        // The last message: let the control finish, then forget it.
        LRESULT result = DefSubclassProc(hwnd, message, wParam, lParam);
        control->Unsubclass();
        return result;
    }
    return control->WindowProc(message, wParam, lParam);
}
