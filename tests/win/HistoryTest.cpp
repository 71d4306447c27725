#include <algorithm>
#include <string>
#include <vector>

#include "tests/win/RegistryFixture.h"
#include "ui/ComboHistory.h"

namespace {

const std::string kHistory = "OutputFolder";
const std::string kHistoryKey = std::string(kProgramKey) + "\\" + kHistory;

class HistoryTest : public RegistryFixture {
protected:
    void SetUp() override
    {
        RegistryFixture::SetUp();
        parent_ = CreateWindowExA(0, "STATIC", "", WS_OVERLAPPEDWINDOW, 0, 0, 300, 200, nullptr, nullptr,
                                  GetModuleHandleA(nullptr), nullptr);
        ASSERT_NE(parent_, nullptr);
        combo_ = CreateWindowExA(0, "COMBOBOX", "", WS_CHILD | WS_VISIBLE | CBS_DROPDOWN | WS_VSCROLL, 0, 0,
                                 200, 150, parent_, reinterpret_cast<HMENU>(1044), GetModuleHandleA(nullptr),
                                 nullptr);
        ASSERT_NE(combo_, nullptr);
    }

    void TearDown() override
    {
        if (parent_ != nullptr)
            DestroyWindow(parent_);
        RegistryFixture::TearDown();
    }

    void SetItems(const std::vector<std::string>& items)
    {
        SendMessageA(combo_, CB_RESETCONTENT, 0, 0);
        for (const std::string& item : items)
            ASSERT_GE(SendMessageA(combo_, CB_ADDSTRING, 0, reinterpret_cast<LPARAM>(item.c_str())), 0);
    }

    std::vector<std::string> Items() const
    {
        std::vector<std::string> items;
        const LRESULT count = SendMessageA(combo_, CB_GETCOUNT, 0, 0);
        for (LRESULT i = 0; i < count; ++i) {
            char text[1024] = {};
            SendMessageA(combo_, CB_GETLBTEXT, static_cast<WPARAM>(i), reinterpret_cast<LPARAM>(text));
            items.emplace_back(text);
        }
        return items;
    }

    std::string EditText() const
    {
        char text[1024] = {};
        GetWindowTextA(combo_, text, sizeof text);
        return text;
    }

    void SetEditText(const std::string& text) { ASSERT_TRUE(SetWindowTextA(combo_, text.c_str())); }

    // The stored entries "0", "1", ... up to the first missing one.
    static std::vector<std::string> Stored()
    {
        std::vector<std::string> entries;
        for (int n = 0;; ++n) {
            const RawValue value = GetRaw(kHistoryKey, std::to_string(n));
            if (!value.found)
                break;
            EXPECT_EQ(value.type, static_cast<DWORD>(REG_SZ));
            entries.emplace_back(reinterpret_cast<const char*>(value.data.data()));
        }
        return entries;
    }

    HWND parent_ = nullptr;
    HWND combo_ = nullptr;
};

using List = std::vector<std::string>;

}  // namespace

TEST_F(HistoryTest, LoadWithoutKeyEmptiesTheListAndReportsIt)
{
    SetItems({"old"});
    EXPECT_FALSE(LoadHistory(combo_, kHistory));
    EXPECT_TRUE(Items().empty());
    EXPECT_FALSE(KeyExists(kHistoryKey));
}

TEST_F(HistoryTest, AnExistingEmptyKeyLoadsNothingButSucceeds)
{
    CreateKey(kHistoryKey);
    SetItems({"old"});
    EXPECT_TRUE(LoadHistory(combo_, kHistory));
    EXPECT_TRUE(Items().empty());
}

TEST_F(HistoryTest, LoadsInOrderWithoutSorting)
{
    SetText(kHistoryKey, "0", "D:\\Zeta");
    SetText(kHistoryKey, "1", "D:\\Alpha");
    SetText(kHistoryKey, "2", "C:\\Mid");
    EXPECT_TRUE(LoadHistory(combo_, kHistory));
    EXPECT_EQ(Items(), (List {"D:\\Zeta", "D:\\Alpha", "C:\\Mid"}));
}

TEST_F(HistoryTest, LoadStopsAtTheFirstMissingNumber)
{
    for (const char* name : {"0", "1", "2", "4", "5", "6"})
        SetText(kHistoryKey, name, std::string("entry") + name);
    EXPECT_TRUE(LoadHistory(combo_, kHistory));
    EXPECT_EQ(Items(), (List {"entry0", "entry1", "entry2"}));
}

TEST_F(HistoryTest, LoadStopsAtTheFirstEmptyValue)
{
    SetText(kHistoryKey, "0", "first");
    SetText(kHistoryKey, "1", "");
    SetText(kHistoryKey, "2", "third");
    EXPECT_TRUE(LoadHistory(combo_, kHistory));
    EXPECT_EQ(Items(), List {"first"});
}

TEST_F(HistoryTest, LoadStopsAtAValueShorterThanTwoBytes)
{
    SetText(kHistoryKey, "0", "first");
    const char one = 'x';
    SetRaw(kHistoryKey, "1", REG_BINARY, &one, 1);
    SetText(kHistoryKey, "2", "third");
    EXPECT_TRUE(LoadHistory(combo_, kHistory));
    EXPECT_EQ(Items(), List {"first"});
}

TEST_F(HistoryTest, LoadTakesAtMost30Entries)
{
    for (int n = 0; n < 35; ++n)
        SetText(kHistoryKey, std::to_string(n), "entry" + std::to_string(n));
    EXPECT_TRUE(LoadHistory(combo_, kHistory));
    const List items = Items();
    ASSERT_EQ(items.size(), 30u);
    EXPECT_EQ(items.front(), "entry0");
    EXPECT_EQ(items.back(), "entry29");
}

TEST_F(HistoryTest, SaveReplacesTheWholeKey)
{
    SetText(kHistoryKey, "0", "stale0");
    SetText(kHistoryKey, "7", "stale7");
    SetText(kHistoryKey, "extra", "x");
    CreateKey(kHistoryKey + "\\child");
    SetItems({"b", "a", "c"});
    EXPECT_TRUE(SaveHistory(combo_, kHistory));
    EXPECT_EQ(Stored(), (List {"b", "a", "c"}));
    EXPECT_EQ(ValueNames(kHistoryKey).size(), 3u);
    EXPECT_FALSE(KeyExists(kHistoryKey + "\\child"));
}

TEST_F(HistoryTest, SaveOfAnEmptyListLeavesAnEmptyKey)
{
    SetText(kHistoryKey, "0", "stale");
    EXPECT_TRUE(SaveHistory(combo_, kHistory));
    EXPECT_TRUE(KeyExists(kHistoryKey));
    EXPECT_TRUE(ValueNames(kHistoryKey).empty());
    EXPECT_TRUE(LoadHistory(combo_, kHistory));
    EXPECT_TRUE(Items().empty());
}

TEST_F(HistoryTest, SaveSkipsEmptyEntriesWithoutLosingTheOnesAfterThem)
{
    SetItems({"a", "", "b"});
    EXPECT_TRUE(SaveHistory(combo_, kHistory));
    EXPECT_EQ(Stored(), (List {"a", "b"}));
    EXPECT_TRUE(LoadHistory(combo_, kHistory));
    EXPECT_EQ(Items(), (List {"a", "b"}));
}

TEST_F(HistoryTest, SaveStoresEntriesPastTheThirtiethButLoadStopsThere)
{
    List many;
    for (int n = 0; n < 32; ++n)
        many.push_back("entry" + std::to_string(n));
    SetItems(many);
    EXPECT_TRUE(SaveHistory(combo_, kHistory));
    EXPECT_EQ(Stored(), many);
    EXPECT_TRUE(LoadHistory(combo_, kHistory));
    EXPECT_EQ(Items().size(), 30u);
}

TEST_F(HistoryTest, PushOfAnEmptyTextChangesNothing)
{
    SetItems({"a"});
    SetEditText("");
    EXPECT_FALSE(PushHistory(combo_, kHistory));
    EXPECT_EQ(Items(), List {"a"});
    EXPECT_FALSE(KeyExists(kHistoryKey));
}

TEST_F(HistoryTest, PushOfTheFirstEntryRewritesNothing)
{
    SetText(kHistoryKey, "0", "D:\\Photos");
    SetText(kHistoryKey, "1", "E:\\Out");
    SetText(kHistoryKey, "extra", "kept");
    ASSERT_TRUE(LoadHistory(combo_, kHistory));
    SetEditText("D:\\Photos");
    EXPECT_TRUE(PushHistory(combo_, kHistory));
    EXPECT_EQ(Items(), (List {"D:\\Photos", "E:\\Out"}));
    EXPECT_TRUE(GetRaw(kHistoryKey, "extra").found);
}

TEST_F(HistoryTest, PushOfTheThirdEntryMovesItToTheTopAndRewrites)
{
    SetText(kHistoryKey, "0", "one");
    SetText(kHistoryKey, "1", "two");
    SetText(kHistoryKey, "2", "three");
    SetText(kHistoryKey, "3", "four");
    SetText(kHistoryKey, "extra", "dropped by a rewrite");
    ASSERT_TRUE(LoadHistory(combo_, kHistory));
    SetEditText("three");
    EXPECT_TRUE(PushHistory(combo_, kHistory));
    EXPECT_EQ(Items(), (List {"three", "one", "two", "four"}));
    EXPECT_EQ(SendMessageA(combo_, CB_GETCURSEL, 0, 0), 0);
    EXPECT_EQ(EditText(), "three");
    EXPECT_EQ(Stored(), (List {"three", "one", "two", "four"}));
    EXPECT_FALSE(GetRaw(kHistoryKey, "extra").found);
}

TEST_F(HistoryTest, PushOfANewTextCreatesTheHistory)
{
    SetItems({"old"});
    SetEditText("new");
    EXPECT_TRUE(PushHistory(combo_, kHistory));
    EXPECT_EQ(Items(), (List {"new", "old"}));
    EXPECT_EQ(Stored(), (List {"new", "old"}));
}

TEST_F(HistoryTest, EntriesDifferingInLetterCaseAreTwoEntries)
{
    SetItems({"D:\\Photos"});
    SetEditText("d:\\photos");
    EXPECT_TRUE(PushHistory(combo_, kHistory));
    EXPECT_EQ(Items(), (List {"d:\\photos", "D:\\Photos"}));
    EXPECT_EQ(Stored(), (List {"d:\\photos", "D:\\Photos"}));
}

TEST_F(HistoryTest, PushRemovesOnlyTheFirstEqualEntry)
{
    SetItems({"a", "b", "x", "c", "x"});
    SetEditText("x");
    EXPECT_TRUE(PushHistory(combo_, kHistory));
    EXPECT_EQ(Items(), (List {"x", "a", "b", "c", "x"}));
}

TEST_F(HistoryTest, HistoriesAreSeparateSubKeys)
{
    SetItems({"%Y"});
    SetEditText("%L");
    EXPECT_TRUE(PushHistory(combo_, kMonthFolderFormatHistory));
    EXPECT_FALSE(KeyExists(kHistoryKey));
    EXPECT_TRUE(KeyExists(std::string(kProgramKey) + "\\MonthFolderFormat"));
    EXPECT_FALSE(LoadHistory(combo_, kHistory));
    EXPECT_TRUE(LoadHistory(combo_, kMonthFolderFormatHistory));
    EXPECT_EQ(Items(), (List {"%L", "%Y"}));
}
