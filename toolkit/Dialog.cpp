#include "toolkit/Dialog.h"

#include "toolkit/CallbackGuard.h"
#include "toolkit/SubclassedControl.h"

namespace {

// The WM_CTLCOLOR* messages: a control asks its parent for its colours.
bool IsControlColorMessage(UINT message)
{
    switch (message) {
    case WM_CTLCOLORMSGBOX:
    case WM_CTLCOLOREDIT:
    case WM_CTLCOLORLISTBOX:
    case WM_CTLCOLORBTN:
    case WM_CTLCOLORDLG:
    case WM_CTLCOLORSCROLLBAR:
    case WM_CTLCOLORSTATIC: return true;
    default: return false;
    }
}

// Messages whose result a dialog procedure returns directly instead of through DWLP_MSGRESULT.
bool ReturnsResultDirectly(UINT message)
{
    if (IsControlColorMessage(message))
        return true;
    switch (message) {
    case WM_COMPAREITEM:
    case WM_VKEYTOITEM:
    case WM_CHARTOITEM:
    case WM_QUERYDRAGICON:
    case WM_INITDIALOG: return true;
    default: return false;
    }
}

}  // namespace

Dialog::Dialog(int templateId, HINSTANCE module)
    : templateId_(templateId), module_(module ? module : GetModuleHandleA(nullptr))
{ }

Dialog::~Dialog()
{
    if (!hwnd_)
        return;
    HWND hwnd = hwnd_;
    SetWindowLongPtrA(hwnd, DWLP_USER, 0);
    hwnd_ = nullptr;
    if (!modal_)
        DestroyWindow(hwnd);
}

INT_PTR Dialog::DoModal(HWND owner)
{
    modal_ = true;
    return DialogBoxParamA(module_, MAKEINTRESOURCEA(templateId_), owner, DialogProc,
                           reinterpret_cast<LPARAM>(this));
}

bool Dialog::Create(HWND owner)
{
    modal_ = false;
    return CreateDialogParamA(module_, MAKEINTRESOURCEA(templateId_), owner, DialogProc,
                              reinterpret_cast<LPARAM>(this)) != nullptr;
}

void Dialog::End(INT_PTR result)
{
    if (!hwnd_)
        return;
    if (modal_)
        EndDialog(hwnd_, result);
    else
        DestroyWindow(hwnd_);
}

bool Dialog::OnInitDialog()
{
    return true;
}

bool Dialog::OnCommand(int, int, HWND)
{
    return false;
}

LRESULT Dialog::OnNotify(NMHDR*)
{
    return 0;
}

void Dialog::OnOK()
{
    End(IDOK);
}

void Dialog::OnCancel()
{
    End(IDCANCEL);
}

void Dialog::OnDestroy()
{ }

bool Dialog::OnMessage(UINT, WPARAM, LPARAM, LRESULT&)
{
    return false;
}

INT_PTR CALLBACK Dialog::DialogProc(HWND hwnd, UINT message, WPARAM wParam, LPARAM lParam)
{
    Dialog* self = nullptr;
    if (message == WM_INITDIALOG) {
        self = reinterpret_cast<Dialog*>(lParam);
        SetWindowLongPtrA(hwnd, DWLP_USER, lParam);
        self->hwnd_ = hwnd;
    } else {
        self = reinterpret_cast<Dialog*>(GetWindowLongPtrA(hwnd, DWLP_USER));
    }
    if (!self)
        return FALSE;

    // The handler may end a self-deleting dialog: from here on only the local hwnd is used. A
    // handler that throws leaves the message to the dialog manager's default.
    LRESULT result = 0;
    if (!GuardedCall(hwnd, false, [&] { return self->Dispatch(message, wParam, lParam, result); }))
        return FALSE;
    if (ReturnsResultDirectly(message))
        return static_cast<INT_PTR>(result);
    SetWindowLongPtrA(hwnd, DWLP_MSGRESULT, result);
    return TRUE;
}

bool Dialog::Dispatch(UINT message, WPARAM wParam, LPARAM lParam, LRESULT& result)
{
    if (IsControlColorMessage(message)) {
        if (SubclassedControl::Reflect(message, wParam, lParam, result))
            return true;
        return OnMessage(message, wParam, lParam, result);
    }
    switch (message) {
    case WM_INITDIALOG: result = OnInitDialog() ? TRUE : FALSE; return true;
    case WM_COMMAND: {
        if (SubclassedControl::Reflect(message, wParam, lParam, result))
            return true;
        int id = LOWORD(wParam);
        if (id == IDOK) {
            OnOK();
            return true;
        }
        if (id == IDCANCEL) {
            OnCancel();
            return true;
        }
        return OnCommand(id, HIWORD(wParam), reinterpret_cast<HWND>(lParam));
    }
    case WM_NOTIFY:
        if (!SubclassedControl::Reflect(message, wParam, lParam, result))
            result = OnNotify(reinterpret_cast<NMHDR*>(lParam));
        return true;
    case WM_DESTROY: OnDestroy(); return false;  // the dialog manager still has its own cleanup to do
    case WM_NCDESTROY: {
        SetWindowLongPtrA(hwnd_, DWLP_USER, 0);
        hwnd_ = nullptr;
        if (deleteWhenDestroyed_)
            delete this;
        return false;
    }
    default: return OnMessage(message, wParam, lParam, result);
    }
}
