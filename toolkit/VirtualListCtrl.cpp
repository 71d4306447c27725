#include "toolkit/VirtualListCtrl.h"

#include <algorithm>
#include <cstring>
#include <numeric>

#include "base/WidePath.h"

namespace {

const std::string kNoText;

// Copies as much of text as fits, always ending it: the control asks again with a larger buffer
// when the copy filled this one.
template <typename Char> void CopyCell(const std::basic_string<Char>& text, Char* buffer, int size)
{
    if (!buffer || size <= 0)
        return;
    const size_t count = std::min(text.size(), static_cast<size_t>(size) - 1);
    std::memcpy(buffer, text.data(), count * sizeof(Char));
    buffer[count] = 0;
}

}  // namespace

bool VirtualListCtrl::Attach(HWND list)
{
    if (!list || !(GetWindowLongPtrA(list, GWL_STYLE) & LVS_OWNERDATA) || !Subclass(list))
        return false;
    ListView::Attach(list);
    PublishCount();
    return true;
}

const std::string& VirtualListCtrl::Cell(int row, int column) const
{
    if (row < 0 || row >= RowCount() || column < 0 || column >= columns_)
        return kNoText;
    return rows_[static_cast<size_t>(row)][static_cast<size_t>(column)];
}

int VirtualListCtrl::AddRow(std::string first)
{
    Row row(static_cast<size_t>(columns_));
    row[0] = std::move(first);
    rows_.push_back(std::move(row));
    if (updateDepth_ == 0)
        PublishCount();
    return RowCount() - 1;
}

bool VirtualListCtrl::SetCell(int row, int column, std::string text)
{
    if (row < 0 || row >= RowCount() || column < 0 || column >= columns_)
        return false;
    rows_[static_cast<size_t>(row)][static_cast<size_t>(column)] = std::move(text);
    if (updateDepth_ == 0)
        SendMessageA(hwnd_, LVM_REDRAWITEMS, row, row);
    return true;
}

void VirtualListCtrl::ClearColumns(std::initializer_list<int> columns)
{
    for (Row& row : rows_) {
        for (int column : columns) {
            if (column >= 0 && column < columns_)
                row[static_cast<size_t>(column)].clear();
        }
    }
    InvalidateRect(hwnd_, nullptr, TRUE);
}

std::vector<std::string> VirtualListCtrl::RemoveSelectedRows()
{
    std::vector<bool> selected(rows_.size(), false);
    for (int row = -1; (row = GetNextItem(row, LVNI_SELECTED)) >= 0 && row < RowCount();)
        selected[static_cast<size_t>(row)] = true;
    std::vector<std::string> removed;
    std::vector<Row> kept;
    kept.reserve(rows_.size());
    for (size_t row = 0; row < rows_.size(); ++row) {
        if (selected[row])
            removed.push_back(std::move(rows_[row][0]));
        else
            kept.push_back(std::move(rows_[row]));
    }
    if (removed.empty())
        return removed;
    // The control keeps the selection by index: it would pass to the rows that move up.
    SetItemState(-1, 0, LVIS_SELECTED);
    rows_ = std::move(kept);
    PublishCount();
    InvalidateRect(hwnd_, nullptr, TRUE);
    return removed;
}

void VirtualListCtrl::RemoveAll()
{
    SetItemState(-1, 0, LVIS_SELECTED | LVIS_FOCUSED);
    rows_.clear();
    PublishCount();
    InvalidateRect(hwnd_, nullptr, TRUE);
}

void VirtualListCtrl::BeginUpdate()
{
    ++updateDepth_;
}

void VirtualListCtrl::EndUpdate()
{
    if (updateDepth_ == 0 || --updateDepth_ != 0)
        return;
    PublishCount();
    InvalidateRect(hwnd_, nullptr, TRUE);
}

void VirtualListCtrl::PublishCount() const
{
    SendMessageA(hwnd_, LVM_SETITEMCOUNT, rows_.size(), LVSICF_NOSCROLL);
    // The empty list's text comes or goes.
    if ((publishedCount_ == 0) != rows_.empty())
        InvalidateRect(hwnd_, nullptr, TRUE);
    publishedCount_ = rows_.size();
}

LRESULT VirtualListCtrl::WindowProc(UINT message, WPARAM wParam, LPARAM lParam)
{
    const LRESULT result = CallDefault(message, wParam, lParam);
    if (message == WM_PAINT && rows_.empty() && !emptyText_.empty())
        PaintEmptyText();
    return result;
}

void VirtualListCtrl::PaintEmptyText() const
{
    RECT area {};
    if (!GetClientRect(hwnd_, &area))
        return;
    RECT header {};
    if (HWND headerWindow = GetHeader(); headerWindow && GetWindowRect(headerWindow, &header))
        area.top += header.bottom - header.top;
    HDC dc = GetDC(hwnd_);
    if (!dc)
        return;
    const HGDIOBJ oldFont = SelectObject(dc, reinterpret_cast<HFONT>(SendMessageA(hwnd_, WM_GETFONT, 0, 0)));
    SetTextColor(dc, GetSysColor(COLOR_GRAYTEXT));
    SetBkMode(dc, TRANSPARENT);
    std::wstring text = WideText(emptyText_);
    // Centred in the area below the header: measured first, then placed.
    RECT box = area;
    InflateRect(&box, -8, 0);
    RECT measured = box;
    DrawTextW(dc, text.c_str(), -1, &measured, DT_CENTER | DT_WORDBREAK | DT_CALCRECT | DT_NOPREFIX);
    const int height = measured.bottom - measured.top;
    box.top = area.top + (area.bottom - area.top - height) / 2;
    box.bottom = box.top + height;
    DrawTextW(dc, text.c_str(), -1, &box, DT_CENTER | DT_WORDBREAK | DT_NOPREFIX);
    SelectObject(dc, oldFont);
    ReleaseDC(hwnd_, dc);
}

void VirtualListCtrl::SortByColumn(int column, bool ascending)
{
    if (column < 0 || column >= columns_)
        return;
    sortColumn_ = column;
    ascending_ = ascending;
    // Compared as UTF-16 text in the user's language, as the control itself would.
    std::vector<std::wstring> keys;
    keys.reserve(rows_.size());
    for (const Row& row : rows_)
        keys.push_back(WideText(row[static_cast<size_t>(column)]));
    std::vector<size_t> order(rows_.size());
    std::iota(order.begin(), order.end(), size_t {0});
    std::stable_sort(order.begin(), order.end(), [&](size_t a, size_t b) {
        return ascending ? lstrcmpW(keys[a].c_str(), keys[b].c_str()) < 0
                         : lstrcmpW(keys[b].c_str(), keys[a].c_str()) < 0;
    });
    // The selection and the focus stay with their rows.
    std::vector<bool> selected(rows_.size(), false);
    for (int row = -1; (row = GetNextItem(row, LVNI_SELECTED)) >= 0 && row < RowCount();)
        selected[static_cast<size_t>(row)] = true;
    const int focused = FocusedItem();
    std::vector<Row> sorted;
    sorted.reserve(rows_.size());
    for (size_t from : order)
        sorted.push_back(std::move(rows_[from]));
    rows_ = std::move(sorted);
    SetItemState(-1, 0, LVIS_SELECTED);
    for (size_t to = 0; to < order.size(); ++to) {
        const bool wasFocused = static_cast<int>(order[to]) == focused;
        if (selected[order[to]] || wasFocused) {
            const UINT state = (selected[order[to]] ? LVIS_SELECTED : 0) | (wasFocused ? LVIS_FOCUSED : 0);
            SetItemState(static_cast<int>(to), state, state);
        }
    }
    InvalidateRect(hwnd_, nullptr, TRUE);
    ShowSortArrow(sortColumn_, ascending_);
    if (HWND parent = GetParent(hwnd_))
        PostMessageA(parent, QM_LIST_SORTED, reinterpret_cast<WPARAM>(hwnd_), column);
}

bool VirtualListCtrl::OnReflected(UINT message, WPARAM, LPARAM lParam, LRESULT& result)
{
    if (message != WM_NOTIFY)
        return false;
    auto* header = reinterpret_cast<NMHDR*>(lParam);
    switch (header->code) {
    case LVN_GETDISPINFOA: {
        auto* info = reinterpret_cast<NMLVDISPINFOA*>(lParam);
        if (info->item.mask & LVIF_TEXT) {
            const std::string& text = Cell(info->item.iItem, info->item.iSubItem);
            CopyCell(text, info->item.pszText, info->item.cchTextMax);
        }
        result = 0;
        return true;
    }
    case LVN_GETDISPINFOW: {
        auto* info = reinterpret_cast<NMLVDISPINFOW*>(lParam);
        if (info->item.mask & LVIF_TEXT) {
            wideCell_ = WideText(Cell(info->item.iItem, info->item.iSubItem));
            CopyCell(wideCell_, info->item.pszText, info->item.cchTextMax);
        }
        result = 0;
        return true;
    }
    case LVN_GETINFOTIPA: {
        auto* tip = reinterpret_cast<NMLVGETINFOTIPA*>(lParam);
        const std::string& text = Cell(tip->iItem, tipColumn_);
        if (!text.empty())
            CopyCell(text, tip->pszText, tip->cchTextMax);
        result = 0;
        return true;
    }
    case LVN_GETINFOTIPW: {
        auto* tip = reinterpret_cast<NMLVGETINFOTIPW*>(lParam);
        const std::string& text = Cell(tip->iItem, tipColumn_);
        if (!text.empty()) {
            wideCell_ = WideText(text);
            CopyCell(wideCell_, tip->pszText, tip->cchTextMax);
        }
        result = 0;
        return true;
    }
    case LVN_COLUMNCLICK: {
        const int column = reinterpret_cast<NMLISTVIEW*>(lParam)->iSubItem;
        SortByColumn(column, column != sortColumn_ ? true : !ascending_);
        result = 0;
        return true;
    }
    default: return false;
    }
}
