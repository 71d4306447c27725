#include "toolkit/SubclassedControl.h"

#include <commctrl.h>

#include <unordered_map>

#include "toolkit/CallbackGuard.h"

namespace {

// The controls we subclassed, by window. Kept in the process (not as window properties): every
// message of such a control looks its object up, and window properties cost a server round
// trip per call under Wine, which made filling a large list many times slower.
std::unordered_map<HWND, SubclassedControl*>& Registry()
{
    static std::unordered_map<HWND, SubclassedControl*> controls;
    return controls;
}

}  // namespace

SubclassedControl::~SubclassedControl()
{
    Unsubclass();
}

bool SubclassedControl::Subclass(HWND control)
{
    if (!control || control_ || Registry().count(control))
        return false;
    SetLastError(0);
    const LONG_PTR previous = SetWindowLongPtrA(control, GWLP_WNDPROC,
                                                reinterpret_cast<LONG_PTR>(&SubclassedControl::SubclassProc));
    if (previous == 0 && GetLastError() != 0)
        return false;
    previous_ = reinterpret_cast<WNDPROC>(previous);
    control_ = control;
    Registry()[control] = this;
    return true;
}

void SubclassedControl::Unsubclass()
{
    if (!control_)
        return;
    // Put the original procedure back only while ours is still the one installed.
    if (GetWindowLongPtrA(control_, GWLP_WNDPROC) ==
        reinterpret_cast<LONG_PTR>(&SubclassedControl::SubclassProc))
        SetWindowLongPtrA(control_, GWLP_WNDPROC, reinterpret_cast<LONG_PTR>(previous_));
    Registry().erase(control_);
    control_ = nullptr;
}

SubclassedControl* SubclassedControl::FromHandle(HWND control)
{
    if (!control)
        return nullptr;
    const auto found = Registry().find(control);
    return found == Registry().end() ? nullptr : found->second;
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
    return CallWindowProcA(previous_, control_, message, wParam, lParam);
}

LRESULT CALLBACK SubclassedControl::SubclassProc(HWND hwnd, UINT message, WPARAM wParam, LPARAM lParam)
{
    SubclassedControl* control = FromHandle(hwnd);
    if (!control)
        return DefWindowProcA(hwnd, message, wParam, lParam);
    if (message == WM_NCDESTROY) {
        // The last message: let the control finish, then forget it.
        const WNDPROC previous = control->previous_;
        control->Unsubclass();
        return CallWindowProcA(previous, hwnd, message, wParam, lParam);
    }
    // A handler that throws leaves the message to the control's own window procedure.
    LRESULT result = 0;
    if (GuardedCall(hwnd, false, [&] {
            result = control->WindowProc(message, wParam, lParam);
            return true;
        }))
        return result;
    return control->CallDefault(message, wParam, lParam);
}
