// The sortable list inside a real dialog, sorted by header clicks sent as the header sends them.
#include <gtest/gtest.h>

#include <atomic>
#include <cstdlib>
#include <new>
#include <string>
#include <vector>

#include "resource.h"
#include "tests/support/PumpUntil.h"
#include "toolkit/Dialog.h"
#include "toolkit/SortListCtrl.h"

// Counts the blocks this program holds from operator new, so that a leaked or doubly freed
// row record shows up as a difference.
namespace {
std::atomic<long> liveBlocks {0};
}
void* operator new(std::size_t size)
{
    void* block = std::malloc(size ? size : 1);
    if (!block)
        throw std::bad_alloc();
    ++liveBlocks;
    return block;
}
void operator delete(void* block) noexcept
{
    if (block) {
        --liveBlocks;
        std::free(block);
    }
}
void operator delete(void* block, std::size_t) noexcept
{
    operator delete(block);
}

namespace {

struct SortedNote {
    WPARAM wParam;
    LPARAM lParam;
};

class ListDialog : public Dialog {
public:
    ListDialog() : Dialog(IDD_EXIFINFO) { }
    SortListCtrl list;
    std::vector<SortedNote> notes;
    int columnClicksSeen = 0;

protected:
    bool OnInitDialog() override
    {
        list.Attach(Item(IDC_EXIF_LIST));
        list.InsertColumn(0, "Name", 200);
        list.InsertColumn(1, "Value", 340);
        return Dialog::OnInitDialog();
    }
    LRESULT OnNotify(NMHDR* header) override
    {
        if (header->code == LVN_COLUMNCLICK)
            ++columnClicksSeen;
        return 0;
    }
    bool OnMessage(UINT message, WPARAM wParam, LPARAM lParam, LRESULT& result) override
    {
        if (message != QM_LIST_SORTED)
            return false;
        notes.push_back({wParam, lParam});
        result = 0;
        return true;
    }
};

class SortList : public ::testing::Test {
protected:
    void SetUp() override { ASSERT_TRUE(dialog.Create(nullptr)); }

    void AddRow(const char* name, const char* value)
    {
        int row = dialog.list.InsertRow(LVIF_TEXT, dialog.list.GetItemCount(), name);
        ASSERT_GE(row, 0);
        ASSERT_TRUE(dialog.list.SetItemText(row, 1, value));
    }

    // What the header does when a column is clicked: LVN_COLUMNCLICK to the list's parent.
    LRESULT ClickHeader(int column)
    {
        NMLISTVIEW click {};
        click.hdr.hwndFrom = dialog.list;
        click.hdr.idFrom = IDC_EXIF_LIST;
        click.hdr.code = LVN_COLUMNCLICK;
        click.iItem = -1;
        click.iSubItem = column;
        return SendMessageA(dialog, WM_NOTIFY, IDC_EXIF_LIST, reinterpret_cast<LPARAM>(&click));
    }

    std::vector<std::string> Column(int column)
    {
        std::vector<std::string> texts;
        for (int row = 0; row < dialog.list.GetItemCount(); ++row)
            texts.push_back(dialog.list.GetItemText(row, column));
        return texts;
    }

    using Texts = std::vector<std::string>;
    ListDialog dialog;
};

TEST_F(SortList, SameHeaderAlternatesStartingAscending)
{
    AddRow("b", "2");
    AddRow("c", "1");
    AddRow("a", "3");
    EXPECT_EQ(ClickHeader(0), 0);
    EXPECT_EQ(Column(0), (Texts {"a", "b", "c"}));
    EXPECT_EQ(Column(1), (Texts {"3", "2", "1"}));  // whole rows move
    ClickHeader(0);
    EXPECT_EQ(Column(0), (Texts {"c", "b", "a"}));
    EXPECT_FALSE(dialog.list.SortAscending());
    ClickHeader(0);
    EXPECT_EQ(Column(0), (Texts {"a", "b", "c"}));
    EXPECT_EQ(dialog.columnClicksSeen, 0);  // the list took every click itself
}

TEST_F(SortList, MouseClickOnTheHeaderSorts)
{
    AddRow("b", "1");
    AddRow("a", "2");
    HWND header = dialog.list.GetHeader();
    ASSERT_NE(header, nullptr);
    RECT column {};
    ASSERT_TRUE(SendMessageA(header, HDM_GETITEMRECT, 1, reinterpret_cast<LPARAM>(&column)));
    LPARAM point = MAKELPARAM((column.left + column.right) / 2, (column.top + column.bottom) / 2);
    SendMessageA(header, WM_LBUTTONDOWN, MK_LBUTTON, point);
    SendMessageA(header, WM_LBUTTONUP, 0, point);
    PumpFor(50);
    EXPECT_EQ(dialog.list.SortColumn(), 1);
    EXPECT_EQ(Column(1), (Texts {"1", "2"}));
    ASSERT_EQ(dialog.notes.size(), 1u);
    EXPECT_EQ(dialog.notes[0].lParam, 1);
}

TEST_F(SortList, AnotherColumnStartsAscendingAgain)
{
    AddRow("b", "2");
    AddRow("a", "3");
    AddRow("c", "1");
    ClickHeader(0);
    ClickHeader(0);  // column 0 descending
    ClickHeader(1);
    EXPECT_EQ(dialog.list.SortColumn(), 1);
    EXPECT_TRUE(dialog.list.SortAscending());
    EXPECT_EQ(Column(1), (Texts {"1", "2", "3"}));
    ClickHeader(0);
    EXPECT_TRUE(dialog.list.SortAscending());
    EXPECT_EQ(Column(0), (Texts {"a", "b", "c"}));
}

TEST_F(SortList, TheSortedColumnAloneShowsItsArrow)
{
    AddRow("b", "2");
    AddRow("a", "1");
    HWND header = dialog.list.GetHeader();
    ASSERT_NE(header, nullptr);
    auto arrow = [header](int column) {
        HDITEMA item {};
        item.mask = HDI_FORMAT;
        SendMessageA(header, HDM_GETITEMA, column, reinterpret_cast<LPARAM>(&item));
        return item.fmt & (HDF_SORTUP | HDF_SORTDOWN);
    };
    EXPECT_EQ(arrow(0), 0);
    ClickHeader(0);
    EXPECT_EQ(arrow(0), HDF_SORTUP);
    ClickHeader(0);
    EXPECT_EQ(arrow(0), HDF_SORTDOWN);
    EXPECT_EQ(arrow(1), 0);
    ClickHeader(1);
    EXPECT_EQ(arrow(0), 0);
    EXPECT_EQ(arrow(1), HDF_SORTUP);
}

TEST_F(SortList, ComparesTextNotNumbersAndKeepsCase)
{
    AddRow("9", "x");
    AddRow("10", "X");
    AddRow("100", "y");
    ClickHeader(0);
    EXPECT_EQ(Column(0), (Texts {"10", "100", "9"}));
    ClickHeader(1);
    Texts values = Column(1);
    ASSERT_EQ(values.size(), 3u);
    EXPECT_NE(lstrcmpA("x", "X"), 0);
    EXPECT_LT(lstrcmpA(values[0].c_str(), values[1].c_str()), 0);  // strictly ordered: never equal
    EXPECT_EQ(values[2], "y");
}

// The program runs with UTF-8 as its code page: names in other scripts sort by their letters in the
// user's language, not by their bytes read in another code page ("Öl" read as "Ã–l" would sort
// among the A's, "Яблоко" as "Ð¯Ð±Ð»Ð¾ÐºÐ¾" among the D's).
TEST_F(SortList, NamesInAnyScriptSortByTheirLetters)
{
    ASSERT_EQ(GetACP(), static_cast<UINT>(CP_UTF8)) << "the program's manifest sets UTF-8";
    const std::string apple = "Apfel";
    const std::string anger = "\xC3\x84rger";  // Ärger
    const std::string oil = "\xC3\x96l";  // Öl
    const std::string zebra = "Zebra";
    const std::string yabloko = "\xD0\xAF\xD0\xB1\xD0\xBB\xD0\xBE\xD0\xBA\xD0\xBE";  // Яблоко
    for (const std::string& name : {zebra, yabloko, oil, apple, anger})
        AddRow(name.c_str(), "");
    ClickHeader(0);
    EXPECT_EQ(Column(0), (Texts {apple, anger, oil, zebra, yabloko}));
    ClickHeader(0);
    EXPECT_EQ(Column(0), (Texts {yabloko, zebra, oil, anger, apple}));
}

TEST_F(SortList, LongTextsSortWhole)
{
    std::string common(3000, 'q');
    AddRow((common + "b").c_str(), "");
    AddRow((common + "a").c_str(), "");
    ClickHeader(0);
    EXPECT_EQ(Column(0), (Texts {common + "a", common + "b"}));
}

TEST_F(SortList, NoSortKeyIsLeftBehind)
{
    AddRow("b", "1");
    AddRow("a", "2");
    ClickHeader(1);
    for (int row = 0; row < dialog.list.GetItemCount(); ++row) {
        RowSortRecord* record = dialog.list.GetRecord(row);
        ASSERT_NE(record, nullptr);
        EXPECT_EQ(record->sortKey, nullptr);
    }
}

TEST_F(SortList, ParentIsToldAfterEverySortEvenOfAnEmptyList)
{
    ClickHeader(1);
    ASSERT_TRUE(PumpUntil([&] { return dialog.notes.size() == 1; }, 2000));
    EXPECT_EQ(dialog.notes[0].wParam, reinterpret_cast<WPARAM>(dialog.list.Handle()));
    EXPECT_EQ(dialog.notes[0].lParam, 1);
    AddRow("a", "1");
    dialog.list.SortByColumn(0, false);
    ASSERT_TRUE(PumpUntil([&] { return dialog.notes.size() == 2; }, 2000));
    EXPECT_EQ(dialog.notes[1].lParam, 0);
    PumpFor(50);
    EXPECT_EQ(dialog.notes.size(), 2u);  // exactly one per sort
}

TEST_F(SortList, ItemValuesTravelWithTheirRows)
{
    ASSERT_EQ(dialog.list.InsertRow(LVIF_TEXT | LVIF_PARAM, 0, "z", 0, 0, 0, 26), 0);
    ASSERT_EQ(dialog.list.InsertRow(LVIF_TEXT | LVIF_PARAM, 1, "a", 0, 0, 0, 1), 1);
    ASSERT_EQ(dialog.list.InsertRow(LVIF_TEXT, 2, "m", 0, 0, 0, 13), 2);  // no LVIF_PARAM: value 0
    ClickHeader(0);
    EXPECT_EQ(dialog.list.GetRowValue(0), 1);
    EXPECT_EQ(dialog.list.GetRowValue(1), 0);
    EXPECT_EQ(dialog.list.GetRowValue(2), 26);
    EXPECT_EQ(dialog.list.GetRowValue(7), 0);
}

TEST_F(SortList, RecordsAreFreedOnceWhicheverWayRowsGo)
{
    long before = liveBlocks;
    for (int i = 0; i < 20; ++i)
        dialog.list.InsertRow(LVIF_TEXT, i, "row");
    long withRows = liveBlocks;
    dialog.list.DeleteRow(3);
    dialog.list.DeleteItem(0);  // the plain list-view call frees the record as well
    bool failedDelete = dialog.list.DeleteRow(500);
    long afterDeletes = liveBlocks;
    dialog.list.SortByColumn(0, true);
    long afterSort = liveBlocks;
    dialog.list.DeleteAllRows();
    long afterClear = liveBlocks;
    for (int i = 0; i < 5; ++i)
        dialog.list.InsertRow(LVIF_TEXT, i, "again");
    long refilled = liveBlocks;
    DestroyWindow(dialog);
    long afterDestroy = liveBlocks;

    EXPECT_EQ(withRows - before, 20);
    EXPECT_FALSE(failedDelete);
    EXPECT_EQ(afterDeletes - before, 18);
    EXPECT_EQ(afterSort, afterDeletes);
    EXPECT_EQ(afterClear, before);
    EXPECT_EQ(refilled - before, 5);
    // Destroying the window also ends the subclassing, which frees the control's entry in the
    // registry of subclassed controls (made when the list was attached, before `before`).
    EXPECT_EQ(afterDestroy, before - 1);
}

}  // namespace
