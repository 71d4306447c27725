// Report-view list that sorts its rows by a column's text when the column header is clicked
// (again: the other way round) and owns a small record per row.
//
// The header click reaches the control through its dialog's reflection (Dialog does this),
// so dialogs need no sorting code. After every sort the parent gets QM_LIST_SORTED posted
// (wParam: the list's window, lParam: the column). Rows are deleted only through the
// control, whichever way is used (DeleteRow, ListView::DeleteItem, destroying the window),
// and each row's record is freed with its row.
#pragma once
#include "toolkit/ListView.h"
#include "toolkit/SubclassedControl.h"

#include <memory>
#include <string>

// Posted to the list's parent after every sort (wParam: the list's window, lParam: the column).
inline constexpr UINT QM_LIST_SORTED = WM_APP + 110;

// Stored as the item parameter of every row.
struct RowSortRecord {
    std::unique_ptr<std::wstring> sortKey;  // the row's text in the sort column while a sort runs
    LPARAM itemValue = 0;  // the caller's own item parameter
};

class SortListCtrl : public ListView, public SubclassedControl {
public:
    SortListCtrl() = default;
    ~SortListCtrl() override;

    // Takes over an existing list-view control; false if it cannot be subclassed.
    bool Attach(HWND list);

    // Inserts a row like LVM_INSERTITEM with those members of sub-item 0; the item value is
    // kept when the mask has LVIF_PARAM. Returns the new row's index or -1.
    int InsertRow(UINT mask, int row, const char* text, UINT state = 0, UINT stateMask = 0, int image = 0,
                  LPARAM itemValue = 0);
    bool DeleteRow(int row);
    bool DeleteAllRows();
    // The caller's item value of a row (0 if none was given or the row does not exist).
    LPARAM GetRowValue(int row) const;
    // The record of a row, or null.
    RowSortRecord* GetRecord(int row) const;

    void SortByColumn(int column, bool ascending);
    int SortColumn() const { return sortColumn_; }
    bool SortAscending() const { return ascending_; }

protected:
    bool OnReflected(UINT message, WPARAM wParam, LPARAM lParam, LRESULT& result) override;
    LRESULT WindowProc(UINT message, WPARAM wParam, LPARAM lParam) override;

private:
    static int CALLBACK Compare(LPARAM first, LPARAM second, LPARAM self);

    int sortColumn_ = -1;
    bool ascending_ = true;
};
