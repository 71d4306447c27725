#include "tests/ui/options/NewDialogHook.h"

#include <set>

namespace {

// One hook per thread at a time is all the tests need.
NewDialogHook* activeHook = nullptr;
std::function<void(HWND)>* activeHandler = nullptr;
std::set<HWND> createdDialogs;

bool IsDialogWindow(HWND hwnd)
{
    char name[16] = {};
    return GetClassNameA(hwnd, name, sizeof name) > 0 && lstrcmpA(name, "#32770") == 0;
}

std::string TextOf(HWND hwnd)
{
    char text[1024] = {};
    const int length = GetWindowTextA(hwnd, text, sizeof text);
    return std::string(text, length > 0 ? static_cast<size_t>(length) : 0);
}

BOOL CALLBACK FindIcon(HWND child, LPARAM data)
{
    auto* found = reinterpret_cast<UINT*>(data);
    const auto icon = reinterpret_cast<HICON>(SendMessageA(child, STM_GETICON, 0, 0));
    if (!icon)
        return TRUE;
    if (icon == LoadIconA(nullptr, IDI_EXCLAMATION))
        *found = MB_ICONEXCLAMATION;
    else if (icon == LoadIconA(nullptr, IDI_INFORMATION))
        *found = MB_ICONINFORMATION;
    else if (icon == LoadIconA(nullptr, IDI_HAND))
        *found = MB_ICONERROR;
    else if (icon == LoadIconA(nullptr, IDI_QUESTION))
        *found = MB_ICONQUESTION;
    return *found == 0;
}

// The icon's control ID differs between systems; its handle is the shared system icon.
UINT IconOf(HWND box)
{
    UINT icon = 0;
    EnumChildWindows(box, FindIcon, reinterpret_cast<LPARAM>(&icon));
    return icon;
}

}  // namespace

bool NewDialogHook::Start()
{
    if (activeHook)
        return false;
    hook_ = SetWindowsHookExA(WH_CBT, Procedure, nullptr, GetCurrentThreadId());
    if (!hook_)
        return false;
    activeHook = this;
    activeHandler = &onActivated_;
    createdDialogs.clear();
    return true;
}

NewDialogHook::~NewDialogHook()
{
    if (!hook_)
        return;
    UnhookWindowsHookEx(hook_);
    activeHook = nullptr;
    activeHandler = nullptr;
    createdDialogs.clear();
}

LRESULT CALLBACK NewDialogHook::Procedure(int code, WPARAM wParam, LPARAM lParam)
{
    const auto hwnd = reinterpret_cast<HWND>(wParam);
    if (code == HCBT_CREATEWND && IsDialogWindow(hwnd)) {
        createdDialogs.insert(hwnd);
    } else if (code == HCBT_ACTIVATE && createdDialogs.erase(hwnd) == 1 && activeHandler) {
        (*activeHandler)(hwnd);
    } else if (code == HCBT_DESTROYWND) {
        createdDialogs.erase(hwnd);
    }
    return CallNextHookEx(nullptr, code, wParam, lParam);
}

MessageBoxCatcher::MessageBoxCatcher()
    : hook_([this](HWND box) {
          CaughtMessage message;
          message.caption = TextOf(box);
          message.text = TextOf(GetDlgItem(box, 0xFFFF));
          message.icon = IconOf(box);
          message.owner = GetWindow(box, GW_OWNER);
          caught_.push_back(message);
          PostMessageA(box, WM_COMMAND, MAKEWPARAM(IDOK, BN_CLICKED), 0);
      })
{
}
