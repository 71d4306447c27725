// Mix-in for a control whose messages we handle ourselves (window subclassing).
//
// Such a control also gets the notifications it sends to its parent back ("reflected"):
// the parent calls Reflect() for WM_NOTIFY, WM_COMMAND and WM_CTLCOLOR* messages, and a
// control that handles one there answers it in the parent's place. Dialog does this for
// every dialog, so a dialog needs no code for what its controls do themselves.
#pragma once
#include <windows.h>

class SubclassedControl {
public:
    SubclassedControl() = default;
    virtual ~SubclassedControl();
    SubclassedControl(const SubclassedControl&) = delete;
    SubclassedControl& operator=(const SubclassedControl&) = delete;

    // False if the window is null or cannot be subclassed.
    bool Subclass(HWND control);
    // Called by itself when the control is destroyed.
    void Unsubclass();
    HWND SubclassedHandle() const { return control_; }

    // The object that subclassed this window, or null.
    static SubclassedControl* FromHandle(HWND control);

    // For the parent's window procedure: offers a notification (WM_NOTIFY, WM_COMMAND from a
    // control, WM_CTLCOLOR*) to the control that sent it. True when the control answered it.
    static bool Reflect(UINT message, WPARAM wParam, LPARAM lParam, LRESULT& result);

protected:
    // A notification this control sent its parent; return true when handled, with its result.
    virtual bool OnReflected(UINT message, WPARAM wParam, LPARAM lParam, LRESULT& result);
    // Every message of the control; the default passes it on unchanged.
    virtual LRESULT WindowProc(UINT message, WPARAM wParam, LPARAM lParam);
    LRESULT CallDefault(UINT message, WPARAM wParam, LPARAM lParam);

private:
    static LRESULT CALLBACK SubclassProc(HWND hwnd, UINT message, WPARAM wParam, LPARAM lParam);
    HWND control_ = nullptr;
    WNDPROC previous_ = nullptr;
};
