#include "tests/support/MessageBoxCatcher.h"

namespace {

thread_local MessageBoxCatcher* activeCatcher = nullptr;
const char kCaughtMark[] = "Quillmere.TestCaught";

std::string TextOf(HWND window)
{
    if (!window)
        return {};
    int length = GetWindowTextLengthA(window);
    std::string text(static_cast<size_t>(length > 0 ? length : 0) + 1, '\0');
    int copied = GetWindowTextA(window, text.data(), static_cast<int>(text.size()));
    text.resize(copied > 0 ? static_cast<size_t>(copied) : 0);
    return text;
}

bool IsDialogClass(HWND window)
{
    char name[16];
    return GetClassNameA(window, name, sizeof name) > 0 && lstrcmpA(name, "#32770") == 0;
}

struct IconSearch {
    MessageIcon found = MessageIcon::None;
};

BOOL CALLBACK InspectChild(HWND child, LPARAM search)
{
    char name[16];
    if (GetClassNameA(child, name, sizeof name) <= 0 || lstrcmpiA(name, "Static") != 0)
        return TRUE;
    auto icon = reinterpret_cast<HICON>(SendMessageA(child, STM_GETICON, 0, 0));
    if (!icon)
        return TRUE;
    MessageIcon& found = reinterpret_cast<IconSearch*>(search)->found;
    if (icon == LoadIcon(nullptr, IDI_EXCLAMATION))
        found = MessageIcon::Exclamation;
    else if (icon == LoadIcon(nullptr, IDI_INFORMATION))
        found = MessageIcon::Information;
    else if (icon == LoadIcon(nullptr, IDI_ERROR))
        found = MessageIcon::Error;
    else if (icon == LoadIcon(nullptr, IDI_QUESTION))
        found = MessageIcon::Question;
    else
        found = MessageIcon::Other;
    return FALSE;
}

}  // namespace

MessageIcon IconOf(HWND dialog)
{
    IconSearch search;
    EnumChildWindows(dialog, InspectChild, reinterpret_cast<LPARAM>(&search));
    return search.found;
}

MessageBoxCatcher::MessageBoxCatcher(int answer) : answer_(answer)
{
    if (activeCatcher)
        return;  // one per thread: this one stays inactive
    hook_ = SetWindowsHookExA(WH_CBT, Hook, nullptr, GetCurrentThreadId());
    if (hook_)
        activeCatcher = this;
}

MessageBoxCatcher::~MessageBoxCatcher()
{
    if (!hook_)
        return;
    UnhookWindowsHookEx(hook_);
    activeCatcher = nullptr;
}

void MessageBoxCatcher::Ignore(HWND dialog)
{
    SetPropA(dialog, kCaughtMark, reinterpret_cast<HANDLE>(1));
}

void MessageBoxCatcher::Catch(HWND dialog)
{
    if (GetPropA(dialog, kCaughtMark))
        return;  // activated again: already answered
    if (onlyMessageBoxes_ && GetDlgItem(dialog, 0xFFFF) == nullptr)
        return;
    SetPropA(dialog, kCaughtMark, reinterpret_cast<HANDLE>(1));
    caught_.push_back({dialog, TextOf(dialog), TextOf(GetDlgItem(dialog, 0xFFFF)), IconOf(dialog)});
    if (action_) {
        action_(dialog);
        return;
    }
    PostMessageA(dialog, WM_COMMAND, MAKEWPARAM(answer_, BN_CLICKED),
                 reinterpret_cast<LPARAM>(GetDlgItem(dialog, answer_)));
}

LRESULT CALLBACK MessageBoxCatcher::Hook(int code, WPARAM wParam, LPARAM lParam)
{
    MessageBoxCatcher* self = activeCatcher;
    if (code == HCBT_ACTIVATE && self) {
        auto window = reinterpret_cast<HWND>(wParam);
        if (IsDialogClass(window))
            self->Catch(window);
    }
    return CallNextHookEx(self ? self->hook_ : nullptr, code, wParam, lParam);
}
