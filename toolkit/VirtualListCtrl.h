// Report-view list whose rows live in the program, not in the control: the control (created
// with LVS_OWNERDATA) asks for the cells it draws, so that adding, changing and sorting a
// hundred thousand rows costs what a vector costs, and only the visible rows are ever drawn.
//
// The control's own messages keep working: LVM_GETITEMTEXT reads a cell (the control asks
// through LVN_GETDISPINFO, which the dialog reflects here), and selection, focus and scrolling
// are the control's. A header click sorts the rows by that column's text (again: the other way
// round), keeps the selected rows selected, and posts QM_LIST_SORTED to the parent.
//
// Each row carries a kind (a bit the owner chooses); ShowKinds hides the rows of other kinds
// without removing them. Row numbers in this class's own calls (Cell, SetCell, AddRow, ShowRow)
// count every row; the control's (selection, focus, LVM_GETITEMTEXT) count the rows shown, and
// RowAt turns those into the others.
#pragma once
#include "toolkit/ListView.h"
#include "toolkit/SortListCtrl.h"
#include "toolkit/SubclassedControl.h"

#include <initializer_list>
#include <memory>
#include <string>
#include <vector>

class VirtualListCtrl : public ListView, public SubclassedControl {
public:
    explicit VirtualListCtrl(int columns) : columns_(columns) { }

    // Takes over an existing list-view control; false unless it has LVS_OWNERDATA and can be
    // subclassed.
    bool Attach(HWND list);

    // The column whose cell a row's tooltip shows (with LVS_EX_INFOTIP); -1 for none.
    void SetTipColumn(int column) { tipColumn_ = column; }
    // What the list says while it has no rows, in the middle of its empty area.
    void SetEmptyText(std::string text) { emptyText_ = std::move(text); }

    int RowCount() const { return static_cast<int>(rows_.size()); }
    // How many rows the control shows, and which row it shows at a place (-1 for none).
    int ShownCount() const;
    int RowAt(int shown) const;
    // Scrolls a row into view when it is shown.
    void ShowRow(int row) const;
    // A row's kind (0 for a new row); the kinds a filter shows (0: every row).
    void SetRowKind(int row, unsigned kind);
    unsigned RowKind(int row) const;
    // Shows only the rows of those kinds (0: all), dropping the selection; the rows shown are
    // chosen again by Refilter (a row whose kind changes stays until then, so that rows do not
    // jump away under the pointer while a run changes them).
    void ShowKinds(unsigned kinds);
    unsigned ShownKinds() const { return shownKinds_; }
    void Refilter();
    // A cell's text; empty for a row or column out of range.
    const std::string& Cell(int row, int column) const;
    // Appends a row with its first cell; returns its index.
    int AddRow(std::string first);
    // Changes one cell and redraws its row (if it is in view); false when out of range.
    bool SetCell(int row, int column, std::string text);
    // Empties those columns in every row.
    void ClearColumns(std::initializer_list<int> columns);
    // Removes the selected rows (and their selection); returns the first cells of those removed.
    std::vector<std::string> RemoveSelectedRows();
    void RemoveAll();

    // Between these (nested) the control is not told of new rows: it learns the count once at
    // the end and redraws once.
    void BeginUpdate();
    void EndUpdate();

    void SortByColumn(int column, bool ascending);
    int SortColumn() const { return sortColumn_; }
    bool SortAscending() const { return ascending_; }

protected:
    bool OnReflected(UINT message, WPARAM wParam, LPARAM lParam, LRESULT& result) override;
    LRESULT WindowProc(UINT message, WPARAM wParam, LPARAM lParam) override;

private:
    // A listed row has only its first cell: the others take memory once a run fills them.
    struct Row {
        std::string first;
        std::unique_ptr<std::string[]> others;  // columns 1 and up, or none while all are empty
        unsigned kind = 0;
    };
    // The place a row is shown at, or -1 when a filter hides it.
    int ShownIndexOf(int row) const;
    // Whether the control shows that place on the screen now: a run changes every row, and
    // redrawing one out of view still costs the system a round trip.
    bool InView(int shown) const;
    // The selected rows, every row counted.
    std::vector<bool> SelectedRows() const;
    // Tells the control how many rows there are, keeping its scroll position.
    void PublishCount() const;
    void PaintEmptyText() const;

    int columns_;
    std::vector<Row> rows_;
    int updateDepth_ = 0;
    int sortColumn_ = -1;
    bool ascending_ = true;
    std::wstring wideCell_;  // the last cell handed out in UTF-16
    std::string emptyText_;
    int tipColumn_ = -1;
    unsigned shownKinds_ = 0;
    std::vector<int> shown_;  // with a filter: the rows shown, in order
    mutable size_t publishedCount_ = 0;  // the count the control was last told
};
