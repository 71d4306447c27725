// Combo box: drop-down list or editable drop-down.
#pragma once
#include "toolkit/Window.h"

#include <string>

class ComboBox : public Window {
public:
    using Window::Window;

    // Index of the new entry, or CB_ERR / CB_ERRSPACE.
    int AddString(const char* text) const
    {
        return static_cast<int>(SendMessageA(hwnd_, CB_ADDSTRING, 0, reinterpret_cast<LPARAM>(text)));
    }
    int InsertString(int index, const char* text) const
    {
        return static_cast<int>(SendMessageA(hwnd_, CB_INSERTSTRING, index, reinterpret_cast<LPARAM>(text)));
    }
    int DeleteString(int index) const
    {
        return static_cast<int>(SendMessageA(hwnd_, CB_DELETESTRING, index, 0));
    }
    void ResetContent() const { SendMessageA(hwnd_, CB_RESETCONTENT, 0, 0); }
    int GetCount() const { return static_cast<int>(SendMessageA(hwnd_, CB_GETCOUNT, 0, 0)); }
    int GetCurSel() const { return static_cast<int>(SendMessageA(hwnd_, CB_GETCURSEL, 0, 0)); }
    int SetCurSel(int index) const { return static_cast<int>(SendMessageA(hwnd_, CB_SETCURSEL, index, 0)); }
    LRESULT GetItemData(int index) const { return SendMessageA(hwnd_, CB_GETITEMDATA, index, 0); }
    int SetItemData(int index, LPARAM data) const
    {
        return static_cast<int>(SendMessageA(hwnd_, CB_SETITEMDATA, index, data));
    }
    // An entry's whole text; "" for an index with no entry. Read in UTF-16, as the ANSI length
    // can be less than the text takes under the UTF-8 code page (see Window::GetText).
    std::string GetEntryText(int index) const
    {
        const LRESULT length = SendMessageW(hwnd_, CB_GETLBTEXTLEN, index, 0);
        if (length <= 0)
            return {};
        std::wstring text(static_cast<size_t>(length) + 1, L'\0');
        const LRESULT copied =
                SendMessageW(hwnd_, CB_GETLBTEXT, index, reinterpret_cast<LPARAM>(text.data()));
        text.resize(copied > 0 && copied <= length ? static_cast<size_t>(copied) : 0);
        return Narrow(text);
    }
    // The selected entry's text; "" when none is selected.
    std::string GetSelectedText() const { return GetEntryText(GetCurSel()); }
    int FindStringExact(int start, const char* text) const
    {
        return static_cast<int>(
                SendMessageA(hwnd_, CB_FINDSTRINGEXACT, start, reinterpret_cast<LPARAM>(text)));
    }
    void LimitText(int characters) const { SendMessageA(hwnd_, CB_LIMITTEXT, characters, 0); }
};
