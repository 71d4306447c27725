#include "toolkit/SortListCtrl.h"

#include <vector>

SortListCtrl::~SortListCtrl()
{
    // A list that outlives its wrapper must not keep records that nobody frees: it is emptied.
    if (SubclassedHandle())
        SendMessageA(SubclassedHandle(), LVM_DELETEALLITEMS, 0, 0);
}

bool SortListCtrl::Attach(HWND list)
{
    if (!Subclass(list))
        return false;
    ListView::Attach(list);
    return true;
}

int SortListCtrl::InsertRow(UINT mask, int row, const char* text, UINT state, UINT stateMask, int image,
                            LPARAM itemValue)
{
    auto record = std::make_unique<RowSortRecord>();
    if (mask & LVIF_PARAM)
        record->itemValue = itemValue;
    LVITEMA item {};
    item.mask = mask | LVIF_PARAM;
    item.iItem = row;
    item.pszText = const_cast<char*>(text);
    item.state = state;
    item.stateMask = stateMask;
    item.iImage = image;
    item.lParam = reinterpret_cast<LPARAM>(record.get());
    int index = InsertItem(item);
    if (index >= 0)
        record.release();  // the row owns it now
    return index;
}

bool SortListCtrl::DeleteRow(int row)
{
    return DeleteItem(row);
}

bool SortListCtrl::DeleteAllRows()
{
    return DeleteAllItems();
}

RowSortRecord* SortListCtrl::GetRecord(int row) const
{
    LVITEMA item {};
    item.mask = LVIF_PARAM;
    item.iItem = row;
    if (!GetItem(item))
        return nullptr;
    return reinterpret_cast<RowSortRecord*>(item.lParam);
}

LPARAM SortListCtrl::GetRowValue(int row) const
{
    const RowSortRecord* record = GetRecord(row);
    return record ? record->itemValue : 0;
}

void SortListCtrl::SortByColumn(int column, bool ascending)
{
    sortColumn_ = column;
    ascending_ = ascending;
    int count = GetItemCount();
    for (int row = 0; row < count; ++row) {
        if (RowSortRecord* record = GetRecord(row))
            record->sortKey = std::make_unique<std::wstring>(GetItemTextWide(row, column));
    }
    SortItems(Compare, reinterpret_cast<LPARAM>(this));
    for (int row = 0; row < count; ++row) {
        if (RowSortRecord* record = GetRecord(row))
            record->sortKey.reset();
    }
    ShowSortArrow(sortColumn_, ascending_);
    if (HWND parent = GetParent(hwnd_))
        PostMessageA(parent, QM_LIST_SORTED, reinterpret_cast<WPARAM>(hwnd_), column);
}

int CALLBACK SortListCtrl::Compare(LPARAM first, LPARAM second, LPARAM self)
{
    auto* a = reinterpret_cast<const RowSortRecord*>(first);
    auto* b = reinterpret_cast<const RowSortRecord*>(second);
    // Compared as UTF-16 text: the ANSI comparison reads bytes in the user locale's code page,
    // which is not the program's UTF-8, so names in other scripts would sort as mojibake.
    const wchar_t* textA = a && a->sortKey ? a->sortKey->c_str() : L"";
    const wchar_t* textB = b && b->sortKey ? b->sortKey->c_str() : L"";
    return reinterpret_cast<const SortListCtrl*>(self)->ascending_ ? lstrcmpW(textA, textB)
                                                                   : lstrcmpW(textB, textA);
}

bool SortListCtrl::OnReflected(UINT message, WPARAM, LPARAM lParam, LRESULT& result)
{
    if (message != WM_NOTIFY)
        return false;
    auto* header = reinterpret_cast<const NMLISTVIEW*>(lParam);
    if (header->hdr.code != LVN_COLUMNCLICK)
        return false;
    int column = header->iSubItem;
    SortByColumn(column, column != sortColumn_ ? true : !ascending_);
    result = 0;
    return true;
}

LRESULT SortListCtrl::WindowProc(UINT message, WPARAM wParam, LPARAM lParam)
{
    switch (message) {
    case LVM_DELETEITEM: {
        RowSortRecord* record = GetRecord(static_cast<int>(wParam));
        LRESULT deleted = CallDefault(message, wParam, lParam);
        if (deleted)
            delete record;
        return deleted;
    }
    case LVM_DELETEALLITEMS: {
        std::vector<RowSortRecord*> records;
        int count = GetItemCount();
        for (int row = 0; row < count; ++row)
            records.push_back(GetRecord(row));
        LRESULT deleted = CallDefault(message, wParam, lParam);
        if (deleted) {
            for (RowSortRecord* record : records)
                delete record;
        }
        return deleted;
    }
    case WM_DESTROY:
        SendMessageA(SubclassedHandle(), LVM_DELETEALLITEMS, 0, 0);
        return CallDefault(message, wParam, lParam);
    default: return CallDefault(message, wParam, lParam);
    }
}
