// List-view control in report view.
#pragma once
#include "toolkit/Window.h"

#include <commctrl.h>

#include <string>

class ListView : public Window {
public:
    using Window::Window;

    // Index of the new column, or -1.
    int InsertColumn(int index, const char* title, int width, int format = LVCFMT_LEFT) const
    {
        LVCOLUMNA column {};
        column.mask = LVCF_FMT | LVCF_TEXT | LVCF_WIDTH | LVCF_SUBITEM;
        column.fmt = format;
        column.cx = width;
        column.pszText = const_cast<char*>(title);
        column.iSubItem = index;
        return static_cast<int>(
                SendMessageA(hwnd_, LVM_INSERTCOLUMNA, index, reinterpret_cast<LPARAM>(&column)));
    }
    int GetColumnWidth(int column) const
    {
        return static_cast<int>(SendMessageA(hwnd_, LVM_GETCOLUMNWIDTH, column, 0));
    }
    bool SetColumnWidth(int column, int width) const
    {
        return SendMessageA(hwnd_, LVM_SETCOLUMNWIDTH, column, MAKELPARAM(width, 0)) != 0;
    }
    HWND GetHeader() const { return reinterpret_cast<HWND>(SendMessageA(hwnd_, LVM_GETHEADER, 0, 0)); }
    // The header's sort arrow on column (up when ascending), on no other column.
    void ShowSortArrow(int sortColumn, bool ascending) const
    {
        HWND header = GetHeader();
        if (!header)
            return;
        const int columns = static_cast<int>(SendMessageA(header, HDM_GETITEMCOUNT, 0, 0));
        for (int column = 0; column < columns; ++column) {
            HDITEMA item {};
            item.mask = HDI_FORMAT;
            if (!SendMessageA(header, HDM_GETITEMA, column, reinterpret_cast<LPARAM>(&item)))
                continue;
            item.fmt &= ~(HDF_SORTUP | HDF_SORTDOWN);
            if (column == sortColumn)
                item.fmt |= ascending ? HDF_SORTUP : HDF_SORTDOWN;
            SendMessageA(header, HDM_SETITEMA, column, reinterpret_cast<LPARAM>(&item));
        }
    }

    // Index of the new row, or -1.
    int InsertItem(const LVITEMA& item) const
    {
        return static_cast<int>(SendMessageA(hwnd_, LVM_INSERTITEMA, 0, reinterpret_cast<LPARAM>(&item)));
    }
    bool GetItem(LVITEMA& item) const
    {
        return SendMessageA(hwnd_, LVM_GETITEMA, 0, reinterpret_cast<LPARAM>(&item)) != 0;
    }
    bool SetItemText(int row, int column, const char* text) const
    {
        LVITEMA item {};
        item.iSubItem = column;
        item.pszText = const_cast<char*>(text);
        return SendMessageA(hwnd_, LVM_SETITEMTEXTA, row, reinterpret_cast<LPARAM>(&item)) != 0;
    }
    // Copies at most size - 1 characters of a cell; returns the number copied.
    int GetItemText(int row, int column, char* buffer, int size) const
    {
        LVITEMA item {};
        item.iSubItem = column;
        item.pszText = buffer;
        item.cchTextMax = size;
        return static_cast<int>(SendMessageA(hwnd_, LVM_GETITEMTEXTA, row, reinterpret_cast<LPARAM>(&item)));
    }
    // A cell's whole text, however long (reads again with a larger buffer until it fits).
    std::string GetItemText(int row, int column) const
    {
        std::string text(256, '\0');
        for (;;) {
            int copied = GetItemText(row, column, text.data(), static_cast<int>(text.size()));
            if (copied < static_cast<int>(text.size()) - 1) {
                text.resize(copied > 0 ? static_cast<size_t>(copied) : 0);
                return text;
            }
            text.resize(text.size() * 2);
        }
    }
    // A cell's whole text as the control holds it, in UTF-16: for comparisons in the user's
    // language, whatever the program's code page.
    std::wstring GetItemTextWide(int row, int column) const
    {
        std::wstring text(256, L'\0');
        for (;;) {
            LVITEMW item {};
            item.iSubItem = column;
            item.pszText = text.data();
            item.cchTextMax = static_cast<int>(text.size());
            const int copied = static_cast<int>(
                    SendMessageW(hwnd_, LVM_GETITEMTEXTW, row, reinterpret_cast<LPARAM>(&item)));
            if (copied < static_cast<int>(text.size()) - 1) {
                text.resize(copied > 0 ? static_cast<size_t>(copied) : 0);
                return text;
            }
            text.resize(text.size() * 2);
        }
    }
    int GetItemCount() const { return static_cast<int>(SendMessageA(hwnd_, LVM_GETITEMCOUNT, 0, 0)); }
    bool DeleteItem(int row) const { return SendMessageA(hwnd_, LVM_DELETEITEM, row, 0) != 0; }
    bool DeleteAllItems() const { return SendMessageA(hwnd_, LVM_DELETEALLITEMS, 0, 0) != 0; }
    bool EnsureVisible(int row) const { return SendMessageA(hwnd_, LVM_ENSUREVISIBLE, row, FALSE) != 0; }

    // Next row after start (-1: from the beginning) with the given LVNI_* flags, or -1.
    int GetNextItem(int start, UINT flags) const
    {
        return static_cast<int>(SendMessageA(hwnd_, LVM_GETNEXTITEM, start, MAKELPARAM(flags, 0)));
    }
    // The first selected row, or -1.
    int SelectedItem() const { return GetNextItem(-1, LVNI_SELECTED); }
    // The row with the focus, or -1.
    int FocusedItem() const { return GetNextItem(-1, LVNI_FOCUSED); }
    // Makes row the only selected row, gives it the focus and scrolls it into view.
    void SelectAndFocus(int row) const
    {
        for (int selected; (selected = SelectedItem()) >= 0;)
            SetItemState(selected, 0, LVIS_SELECTED | LVIS_FOCUSED);
        SetItemState(row, LVIS_SELECTED | LVIS_FOCUSED, LVIS_SELECTED | LVIS_FOCUSED);
        EnsureVisible(row);
    }
    int GetSelectedCount() const { return static_cast<int>(SendMessageA(hwnd_, LVM_GETSELECTEDCOUNT, 0, 0)); }
    UINT GetItemState(int row, UINT mask) const
    {
        return static_cast<UINT>(SendMessageA(hwnd_, LVM_GETITEMSTATE, row, mask));
    }
    // Row -1 changes every row.
    bool SetItemState(int row, UINT state, UINT mask) const
    {
        LVITEMA item {};
        item.stateMask = mask;
        item.state = state;
        return SendMessageA(hwnd_, LVM_SETITEMSTATE, row, reinterpret_cast<LPARAM>(&item)) != 0;
    }
    DWORD GetExtendedStyle() const
    {
        return static_cast<DWORD>(SendMessageA(hwnd_, LVM_GETEXTENDEDLISTVIEWSTYLE, 0, 0));
    }
    // Changes only the bits in mask.
    void SetExtendedStyle(DWORD mask, DWORD style) const
    {
        SendMessageA(hwnd_, LVM_SETEXTENDEDLISTVIEWSTYLE, mask, style);
    }
    bool SortItems(PFNLVCOMPARE compare, LPARAM context) const
    {
        return SendMessageA(hwnd_, LVM_SORTITEMS, context, reinterpret_cast<LPARAM>(compare)) != 0;
    }
};
