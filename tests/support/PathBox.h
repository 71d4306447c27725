// Test helper: the path box of the system's folder picker (the item dialog), found by its class:
// an edit box that is a child of the dialog, or of a combo box that is (the dialog's layout
// differs between Windows and Wine, and so do the box's control IDs).
#pragma once
#include <windows.h>

#include <string>

namespace qmtest {

// Shown by its style: the dialog itself may not be visible yet when it is caught.
inline bool Shown(HWND window)
{
    return (GetWindowLongA(window, GWL_STYLE) & WS_VISIBLE) != 0;
}

inline BOOL CALLBACK FindPathBox(HWND window, LPARAM found)
{
    char name[32] = "";
    GetClassNameA(window, name, sizeof name);
    if (lstrcmpiA(name, "Edit") != 0 || !Shown(window))
        return TRUE;
    *reinterpret_cast<HWND*>(found) = window;
    return FALSE;
}

inline HWND PathBox(HWND dialog)
{
    HWND found = nullptr;
    for (HWND child = GetWindow(dialog, GW_CHILD); child && !found; child = GetWindow(child, GW_HWNDNEXT)) {
        char name[32] = "";
        GetClassNameA(child, name, sizeof name);
        if (lstrcmpiA(name, "Edit") == 0 && Shown(child))
            found = child;
        else if (lstrcmpiA(name, "ComboBox") == 0 || lstrcmpiA(name, "ComboBoxEx32") == 0)
            EnumChildWindows(child, FindPathBox, reinterpret_cast<LPARAM>(&found));
    }
    return found;
}

inline std::string PathBoxText(HWND dialog)
{
    HWND box = PathBox(dialog);
    wchar_t wide[1024] = L"";
    if (!box || !GetWindowTextW(box, wide, 1024))
        return {};
    char text[3 * 1024] = "";
    WideCharToMultiByte(CP_UTF8, 0, wide, -1, text, sizeof text, nullptr, nullptr);
    return text;
}

// Types the folder into the path box and presses OK; false when the dialog has no path box.
inline bool ChooseInPathBox(HWND dialog, const std::string& folder)
{
    HWND box = PathBox(dialog);
    if (!box)
        return false;
    wchar_t wide[1024] = L"";
    if (!MultiByteToWideChar(CP_UTF8, 0, folder.c_str(), -1, wide, 1024))
        return false;
    SetWindowTextW(box, wide);
    PostMessageA(dialog, WM_COMMAND, IDOK, 0);
    return true;
}

}  // namespace qmtest
