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
    // Length of an entry's text without its terminating zero, or CB_ERR.
    int GetEntryTextLength(int index) const
    {
        return static_cast<int>(SendMessageA(hwnd_, CB_GETLBTEXTLEN, index, 0));
    }
    // Copies an entry's text; the buffer must hold GetEntryTextLength + 1 characters.
    int GetEntryText(int index, char* buffer) const
    {
        return static_cast<int>(SendMessageA(hwnd_, CB_GETLBTEXT, index, reinterpret_cast<LPARAM>(buffer)));
    }
    // An entry's whole text; "" for an index with no entry.
    std::string GetEntryText(int index) const
    {
        const int length = GetEntryTextLength(index);
        if (length <= 0)
            return {};
        std::string text(static_cast<size_t>(length) + 1, '\0');
        const int copied = GetEntryText(index, text.data());
        text.resize(copied > 0 ? static_cast<size_t>(copied) : 0);
        return text;
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
