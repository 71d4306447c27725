#include "tests/ui/options/ModalScript.h"

namespace {

struct Run {
    Dialog* dialog;
    const std::function<void(HWND)>* script;
};
Run* current = nullptr;

void CALLBACK Start(HWND, UINT, UINT_PTR id, DWORD)
{
    if (!current) {
        KillTimer(nullptr, id);
        return;
    }
    // The dialog manager shows the window once its queue has run empty; until then, wait.
    HWND hwnd = current->dialog->Handle();
    if (!hwnd || !IsWindowVisible(hwnd))
        return;
    KillTimer(nullptr, id);
    (*current->script)(hwnd);
    // A dialog that was ended already ignores this; one left open is closed by it.
    if (IsWindow(hwnd))
        PostMessageA(hwnd, WM_COMMAND, MAKEWPARAM(IDCANCEL, BN_CLICKED), 0);
}

}  // namespace

FrontDialogs::FrontDialogs(const Dialog& underTest) : underTest_(underTest)
{
    catcher_.SetAction([this](HWND window) {
        if (window == underTest_.Handle())
            return;
        const CaughtDialog& caught = catcher_.Caught().back();
        caught_.push_back({caught.caption, caught.text, caught.icon, GetWindow(window, GW_OWNER)});
        if (action_)
            action_(window);
        else
            PostMessageA(window, WM_COMMAND, MAKEWPARAM(IDOK, BN_CLICKED),
                         reinterpret_cast<LPARAM>(GetDlgItem(window, IDOK)));
    });
}

INT_PTR RunModalScript(Dialog& dialog, const std::function<void(HWND)>& script)
{
    Run run {&dialog, &script};
    current = &run;
    const UINT_PTR timer = SetTimer(nullptr, 0, 20, Start);
    if (timer == 0) {
        current = nullptr;
        return -1;
    }
    const INT_PTR result = dialog.DoModal(nullptr);
    KillTimer(nullptr, timer);
    current = nullptr;
    return result;
}

void ClickButton(HWND dialog, int id)
{
    SendMessageA(GetDlgItem(dialog, id), BM_CLICK, 0, 0);
}

void SetControlText(HWND dialog, int id, const char* text)
{
    SendMessageA(GetDlgItem(dialog, id), WM_SETTEXT, 0, reinterpret_cast<LPARAM>(text));
}

void SelectEntry(HWND dialog, int id, int index)
{
    HWND control = GetDlgItem(dialog, id);
    SendMessageA(control, CB_SETCURSEL, static_cast<WPARAM>(index), 0);
    SendMessageA(dialog, WM_COMMAND, MAKEWPARAM(id, CBN_SELCHANGE), reinterpret_cast<LPARAM>(control));
}

bool HasFocus(HWND dialog, int id)
{
    HWND control = GetDlgItem(dialog, id);
    HWND focus = GetFocus();
    return control && focus && (focus == control || IsChild(control, focus));
}

bool IsEnabled(HWND dialog, int id)
{
    return IsWindowEnabled(GetDlgItem(dialog, id)) != FALSE;
}

std::string ControlText(HWND dialog, int id)
{
    char text[1024] = {};
    const int length = GetDlgItemTextA(dialog, id, text, sizeof text);
    return std::string(text, length > 0 ? static_cast<size_t>(length) : 0);
}
