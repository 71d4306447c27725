#include "toolkit/CallbackGuard.h"

#include <cstdio>

void ReportEscapedException(HWND window, const char* what) noexcept
{
    HWND owner = window != nullptr && IsWindow(window) ? GetAncestor(window, GA_ROOT) : nullptr;
    char caption[256] = "";
    if (owner != nullptr && GetWindowTextA(owner, caption, sizeof caption) <= 0)
        caption[0] = '\0';
    char text[1024];
    std::snprintf(text, sizeof text, "An internal error stopped this action:\n\n%s",
                  what != nullptr ? what : "");
    OutputDebugStringA(text);
    MessageBoxA(owner, text, caption, MB_OK | MB_ICONERROR);
}
