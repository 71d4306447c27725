// The registered class name of a window, for decisions that depend on the kind of control.
#pragma once
#include <windows.h>

inline bool HasClass(HWND hwnd, const char* className)
{
    char name[261];
    return GetClassNameA(hwnd, name, sizeof name) > 0 && lstrcmpiA(name, className) == 0;
}
