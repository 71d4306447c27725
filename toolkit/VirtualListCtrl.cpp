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

// The text's sort key in the thread's language, as lstrcmpW compares (without the key's final
// zero); false when the system makes none.
bool SortKey(const std::string& text, std::string& key)
{
    const std::wstring wide = WideText(text);
    const LCID locale = GetThreadLocale();
    const int size = LCMapStringW(locale, LCMAP_SORTKEY, wide.c_str(), -1, nullptr, 0);
    if (size <= 0)
        return false;
    key.resize(static_cast<size_t>(size));
    const int made =
            LCMapStringW(locale, LCMAP_SORTKEY, wide.c_str(), -1, reinterpret_cast<LPWSTR>(key.data()), size);
    if (made <= 0 || made > size)
        return false;
    key.resize(static_cast<size_t>(made - 1));
    return true;
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
    const Row& cells = rows_[static_cast<size_t>(row)];
    if (column == 0)
        return cells.first;
    return cells.others ? cells.others[static_cast<size_t>(column - 1)] : kNoText;
}

int VirtualListCtrl::ShownCount() const
{
    return shownKinds_ == 0 ? RowCount() : static_cast<int>(shown_.size());
}

int VirtualListCtrl::RowAt(int shown) const
{
    if (shown < 0 || shown >= ShownCount())
        return -1;
    return shownKinds_ == 0 ? shown : shown_[static_cast<size_t>(shown)];
}

int VirtualListCtrl::ShownIndexOf(int row) const
{
    if (row < 0 || row >= RowCount())
        return -1;
    if (shownKinds_ == 0)
        return row;
    const auto found = std::lower_bound(shown_.begin(), shown_.end(), row);
    return found != shown_.end() && *found == row ? static_cast<int>(found - shown_.begin()) : -1;
}

void VirtualListCtrl::ShowRow(int row) const
{
    if (const int shown = ShownIndexOf(row); shown >= 0)
        EnsureVisible(shown);
}

void VirtualListCtrl::SetRowKind(int row, unsigned kind)
{
    if (row >= 0 && row < RowCount())
        rows_[static_cast<size_t>(row)].kind = kind;
}

unsigned VirtualListCtrl::RowKind(int row) const
{
    return row >= 0 && row < RowCount() ? rows_[static_cast<size_t>(row)].kind : 0;
}

void VirtualListCtrl::ShowKinds(unsigned kinds)
{
    SetItemState(-1, 0, LVIS_SELECTED | LVIS_FOCUSED);
    shownKinds_ = kinds;
    Refilter();
}

void VirtualListCtrl::Refilter()
{
    shown_.clear();
    if (shownKinds_ != 0) {
        for (size_t row = 0; row < rows_.size(); ++row)
            if (rows_[row].kind & shownKinds_)
                shown_.push_back(static_cast<int>(row));
    }
    PublishCount();
    InvalidateRect(hwnd_, nullptr, TRUE);
}

std::vector<bool> VirtualListCtrl::SelectedRows() const
{
    std::vector<bool> selected(rows_.size(), false);
    for (int shown = -1; (shown = GetNextItem(shown, LVNI_SELECTED)) >= 0;) {
        const int row = RowAt(shown);
        if (row < 0)
            break;
        selected[static_cast<size_t>(row)] = true;
    }
    return selected;
}

int VirtualListCtrl::AddRow(std::string first)
{
    rows_.push_back(Row {std::move(first), nullptr, 0});
    if (updateDepth_ == 0)
        PublishCount();
    return RowCount() - 1;
}

bool VirtualListCtrl::SetCell(int row, int column, std::string text)
{
    if (row < 0 || row >= RowCount() || column < 0 || column >= columns_)
        return false;
    Row& cells = rows_[static_cast<size_t>(row)];
    if (column == 0) {
        cells.first = std::move(text);
    } else {
        if (!cells.others) {
            if (text.empty())
                return true;
            cells.others = std::make_unique<std::string[]>(static_cast<size_t>(columns_ - 1));
        }
        cells.others[static_cast<size_t>(column - 1)] = std::move(text);
    }
    if (const int shown = ShownIndexOf(row); updateDepth_ == 0 && InView(shown))
        SendMessageA(hwnd_, LVM_REDRAWITEMS, shown, shown);
    return true;
}

bool VirtualListCtrl::InView(int shown) const
{
    if (shown < 0)
        return false;
    const auto top = static_cast<int>(SendMessageA(hwnd_, LVM_GETTOPINDEX, 0, 0));
    // The row just below the last whole one shows in part.
    return shown >= top && shown <= top + static_cast<int>(SendMessageA(hwnd_, LVM_GETCOUNTPERPAGE, 0, 0));
}

void VirtualListCtrl::ClearColumns(std::initializer_list<int> columns)
{
    for (Row& row : rows_) {
        for (int column : columns) {
            if (column == 0)
                row.first.clear();
            else if (row.others && column > 0 && column < columns_)
                row.others[static_cast<size_t>(column - 1)].clear();
        }
    }
    InvalidateRect(hwnd_, nullptr, TRUE);
}

std::vector<std::string> VirtualListCtrl::RemoveSelectedRows()
{
    const std::vector<bool> selected = SelectedRows();
    std::vector<std::string> removed;
    std::vector<Row> kept;
    kept.reserve(rows_.size());
    for (size_t row = 0; row < rows_.size(); ++row) {
        if (selected[row])
            removed.push_back(std::move(rows_[row].first));
        else
            kept.push_back(std::move(rows_[row]));
    }
    if (removed.empty())
        return removed;
    // The control keeps the selection by index: it would pass to the rows that move up.
    SetItemState(-1, 0, LVIS_SELECTED);
    rows_ = std::move(kept);
    Refilter();
    return removed;
}

void VirtualListCtrl::RemoveAll()
{
    SetItemState(-1, 0, LVIS_SELECTED | LVIS_FOCUSED);
    rows_.clear();
    Refilter();
}

void VirtualListCtrl::BeginUpdate()
{
    ++updateDepth_;
}

void VirtualListCtrl::EndUpdate()
{
    if (updateDepth_ == 0 || --updateDepth_ != 0)
        return;
    Refilter();
}

void VirtualListCtrl::PublishCount() const
{
    const auto count = static_cast<size_t>(ShownCount());
    SendMessageA(hwnd_, LVM_SETITEMCOUNT, count, LVSICF_NOSCROLL);
    // The empty list's text comes or goes.
    if ((publishedCount_ == 0) != (count == 0))
        InvalidateRect(hwnd_, nullptr, TRUE);
    publishedCount_ = count;
}

LRESULT VirtualListCtrl::WindowProc(UINT message, WPARAM wParam, LPARAM lParam)
{
    if (message == LVM_SETITEMSTATE && static_cast<int>(wParam) == -1) {
        // A state for every row (Select All, dropping the selection): the control may change the
        // rows one by one and redraw each, seconds for a hundred thousand; with drawing off,
        // those in view are drawn once afterwards.
        CallDefault(WM_SETREDRAW, FALSE, 0);
        const LRESULT result = CallDefault(message, wParam, lParam);
        CallDefault(WM_SETREDRAW, TRUE, 0);
        InvalidateRect(hwnd_, nullptr, TRUE);
        return result;
    }
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
    // Ordered as UTF-16 text in the user's language, as the control itself would compare it
    // (lstrcmpW). Each text's sort key is made once: keys compared byte by byte order the texts
    // as comparing the texts does, and a comparison of texts costs many times one of keys.
    std::vector<std::string> keys;
    keys.reserve(rows_.size());
    bool keyed = true;
    for (int row = 0; row < RowCount() && keyed; ++row)
        keyed = SortKey(Cell(row, column), keys.emplace_back());
    std::vector<std::wstring> texts;
    if (!keyed) {
        // The system made no key: the texts are compared themselves.
        keys.clear();
        texts.reserve(rows_.size());
        for (int row = 0; row < RowCount(); ++row)
            texts.push_back(WideText(Cell(row, column)));
    }
    const auto before = [&](size_t a, size_t b) {
        return keyed ? keys[a] < keys[b] : lstrcmpW(texts[a].c_str(), texts[b].c_str()) < 0;
    };
    std::vector<size_t> order(rows_.size());
    std::iota(order.begin(), order.end(), size_t {0});
    std::stable_sort(order.begin(), order.end(),
                     [&](size_t a, size_t b) { return ascending ? before(a, b) : before(b, a); });
    // The selection and the focus stay with their rows.
    const std::vector<bool> selected = SelectedRows();
    const int focused = RowAt(FocusedItem());
    std::vector<Row> sorted;
    sorted.reserve(rows_.size());
    for (size_t from : order)
        sorted.push_back(std::move(rows_[from]));
    rows_ = std::move(sorted);
    SetItemState(-1, 0, LVIS_SELECTED);
    // The rows are drawn again once, not once for each row whose selection is put back.
    SendMessageA(hwnd_, WM_SETREDRAW, FALSE, 0);
    Refilter();
    // Every row shown was selected: selected again at once, not row by row.
    const auto selectedCount = std::count(selected.begin(), selected.end(), true);
    const bool all = selectedCount > 0 && selectedCount == ShownCount();
    if (all)
        SetItemState(-1, LVIS_SELECTED, LVIS_SELECTED);
    for (size_t to = 0; to < order.size(); ++to) {
        const bool wasFocused = static_cast<int>(order[to]) == focused;
        const int shown = ShownIndexOf(static_cast<int>(to));
        if (((selected[order[to]] && !all) || wasFocused) && shown >= 0) {
            const UINT state = (selected[order[to]] ? LVIS_SELECTED : 0) | (wasFocused ? LVIS_FOCUSED : 0);
            SetItemState(shown, state, state);
        }
    }
    SendMessageA(hwnd_, WM_SETREDRAW, TRUE, 0);
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
            const std::string& text = Cell(RowAt(info->item.iItem), info->item.iSubItem);
            CopyCell(text, info->item.pszText, info->item.cchTextMax);
        }
        result = 0;
        return true;
    }
    case LVN_GETDISPINFOW: {
        auto* info = reinterpret_cast<NMLVDISPINFOW*>(lParam);
        if (info->item.mask & LVIF_TEXT) {
            wideCell_ = WideText(Cell(RowAt(info->item.iItem), info->item.iSubItem));
            CopyCell(wideCell_, info->item.pszText, info->item.cchTextMax);
        }
        result = 0;
        return true;
    }
    case LVN_GETINFOTIPA: {
        auto* tip = reinterpret_cast<NMLVGETINFOTIPA*>(lParam);
        const std::string& text = Cell(RowAt(tip->iItem), tipColumn_);
        if (!text.empty())
            CopyCell(text, tip->pszText, tip->cchTextMax);
        result = 0;
        return true;
    }
    case LVN_GETINFOTIPW: {
        auto* tip = reinterpret_cast<NMLVGETINFOTIPW*>(lParam);
        const std::string& text = Cell(RowAt(tip->iItem), tipColumn_);
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
