// The main window's menu bar, status bar and view: menu commands do what the buttons do, the
// View filters show only failed or skipped rows and Remove takes only what they show, Save Rows as
// Report writes the rows shown, the Date from column says where each date came from, the columns
// share the room a wider window gives, and Past Runs lists the kept runs and undoes the one chosen.
#include <algorithm>
#include <map>
#include <set>

#include "base/WidePath.h"
#include "engine/RunsFolder.h"
#include "toolkit/ScreenFit.h"
#include "tests/ui/main/MainWindowFixture.h"

using namespace mainwindow;

namespace {

// The file-name box of the Save As dialog (the Explorer-style one and the old one).
constexpr int kFileNameCombo = 0x47C;
constexpr int kFileNameEdit = 0x480;

class MenuAndViewTest : public MainWindowTest {
protected:
    void SetUp() override
    {
        MainWindowTest::SetUp();
        SetEnvironmentVariableA(kRunsFolderVariable, runs.Root().c_str());
        ASSERT_TRUE(CreateDirectoryA(tree.Path("camera").c_str(), nullptr));
        ASSERT_TRUE(WriteData(tree.Path("camera\\IMG_1.JPG"), JpegTaken("2012:01:27 10:46:15")));
        ASSERT_TRUE(WriteData(tree.Path("camera\\IMG_2.JPG"), JpegTaken("2013:11:05 08:00:00")));
        ASSERT_TRUE(WriteData(tree.Path("camera\\nodate.jpg"), qmtest::MinimalJpeg(qmtest::Ifd())));
    }
    void TearDown() override
    {
        MainWindowTest::TearDown();
        SetEnvironmentVariableA(kRunsFolderVariable, nullptr);
    }

    // The camera folder listed; IMG_1's target is there already and Skip is the policy: a preview
    // gives one row of each outcome.
    HWND OpenOnCamera()
    {
        for (const char* folder : {"sorted", "sorted\\2012", "sorted\\2012\\2012_01"})
            EXPECT_TRUE(CreateDirectoryA(tree.Path(folder).c_str(), nullptr));
        EXPECT_TRUE(WriteText(tree.Path("sorted\\2012\\2012_01\\IMG_1.JPG"), "older"));
        SetDword("TargetExistsOpt", 33);
        HWND w = Open();
        EXPECT_TRUE(SendDrop(w, {tree.Path("camera")}));
        EXPECT_EQ(Rows(), 3);
        Click(w, IDC_DAY_FOLDER);
        Click(w, IDC_ANOTHER_FOLDER);
        SetDlgItemTextA(w, IDC_OUTPUT_FOLDER, tree.Path("sorted").c_str());
        return w;
    }

    std::set<std::string> Shown(int column)
    {
        std::set<std::string> cells;
        for (int row = 0; row < Rows(); ++row)
            cells.insert(Cell(row, column));
        return cells;
    }

    // A shown row's cell read in UTF-16, with the control asking the window for it in UTF-16 too
    // (as it does for a window that takes Unicode notifications).
    std::string WideCell(int row, int column)
    {
        HWND list = GetDlgItem(dialog_->Handle(), IDC_FILE_LIST);
        const LRESULT wasUnicode = SendMessageW(list, CCM_GETUNICODEFORMAT, 0, 0);
        SendMessageW(list, CCM_SETUNICODEFORMAT, TRUE, 0);
        wchar_t text[512] = L"";
        LVITEMW item {};
        item.iSubItem = column;
        item.pszText = text;
        item.cchTextMax = 512;
        const LRESULT copied = SendMessageW(list, LVM_GETITEMTEXTW, static_cast<WPARAM>(row),
                                            reinterpret_cast<LPARAM>(&item));
        SendMessageW(list, CCM_SETUNICODEFORMAT, static_cast<WPARAM>(wasUnicode), 0);
        return NarrowText(std::wstring(text, static_cast<size_t>(copied)));
    }

    // The tooltip a shown row gets in UTF-16, as the control asks the window for it.
    std::string WideTip(int row)
    {
        wchar_t text[512] = L"";
        NMLVGETINFOTIPW tip {};
        tip.hdr.hwndFrom = GetDlgItem(dialog_->Handle(), IDC_FILE_LIST);
        tip.hdr.idFrom = IDC_FILE_LIST;
        tip.hdr.code = LVN_GETINFOTIPW;
        tip.pszText = text;
        tip.cchTextMax = 512;
        tip.iItem = row;
        SendMessageW(dialog_->Handle(), WM_NOTIFY, IDC_FILE_LIST, reinterpret_cast<LPARAM>(&tip));
        return NarrowText(text);
    }

    // A menu command, as the menu bar sends it.
    void Menu(HWND w, int id) { SendMessageA(w, WM_COMMAND, MAKEWPARAM(id, 0), 0); }

    // Save Rows as Report, answered with the path (and Yes to replacing a file there).
    void SaveReportAs(HWND w, const std::string& path)
    {
        MessageBoxCatcher dialogs;
        MessageBoxCatcher::Ignore(w);
        dialogs.SetAction([&](HWND box) {
            if (GetDlgItem(box, kFileNameCombo) || GetDlgItem(box, kFileNameEdit)) {
                SetDlgItemTextA(box, kFileNameCombo, path.c_str());
                SetDlgItemTextA(box, kFileNameEdit, path.c_str());
                PostMessageA(box, WM_COMMAND, MAKEWPARAM(IDOK, BN_CLICKED), 0);
            } else {
                PostMessageA(box, WM_COMMAND, IDYES, 0);
            }
        });
        Menu(w, IDM_SAVE_REPORT);
        EXPECT_FALSE(dialogs.Caught().empty());
    }

    TempTree tree;
    TempTree runs;
};

int MenuState(HWND w, int id)
{
    return static_cast<int>(GetMenuState(GetMenu(w), static_cast<UINT>(id), MF_BYCOMMAND));
}

}  // namespace

TEST_F(MenuAndViewTest, TheMenuBarHoldsTheWindowsCommands)
{
    HWND w = Open();
    HMENU bar = GetMenu(w);
    ASSERT_NE(bar, nullptr);
    std::vector<std::string> titles;
    for (int i = 0; i < GetMenuItemCount(bar); ++i) {
        char title[64] = "";
        GetMenuStringA(bar, static_cast<UINT>(i), title, sizeof title, MF_BYPOSITION);
        titles.push_back(title);
    }
    EXPECT_EQ(titles, (std::vector<std::string> {"&File", "&Edit", "&View", "&Tools", "&Help"}));
    for (int id : {IDC_ADD_FILES, IDC_ADD_FOLDER, IDM_SAVE_REPORT, IDC_CLOSE, ID_UNDO_LAST_RUN, IDC_REMOVE,
                   IDC_REMOVE_ALL, IDM_SELECT_ALL, IDM_VIEW_ALL, IDM_VIEW_FAILED, IDM_VIEW_SKIPPED,
                   IDM_VIEW_PREVIEW, IDC_OPTIONS, IDM_PAST_RUNS, ID_HELP_CONTENTS, ID_ABOUT})
        EXPECT_NE(MenuState(w, id), -1) << id;
    // The photo preview's item is ticked while its pane is shown.
    SendMessageA(w, WM_INITMENUPOPUP, reinterpret_cast<WPARAM>(GetSubMenu(bar, 2)), MAKELPARAM(2, FALSE));
    EXPECT_EQ(MenuState(w, IDM_VIEW_PREVIEW) & (MF_GRAYED | MF_CHECKED), 0);
    EXPECT_NE(MenuState(w, IDM_VIEW_ALL) & MF_CHECKED, 0);
    SendMessageA(w, WM_COMMAND, IDM_VIEW_PREVIEW, 0);
    SendMessageA(w, WM_INITMENUPOPUP, reinterpret_cast<WPARAM>(GetSubMenu(bar, 2)), MAKELPARAM(2, FALSE));
    EXPECT_NE(MenuState(w, IDM_VIEW_PREVIEW) & MF_CHECKED, 0);
    SendMessageA(w, WM_COMMAND, IDM_VIEW_PREVIEW, 0);
    // With no row there is nothing to report; a row makes Save Rows as Report available.
    SendMessageA(w, WM_INITMENUPOPUP, reinterpret_cast<WPARAM>(GetSubMenu(bar, 0)), MAKELPARAM(0, FALSE));
    EXPECT_NE(MenuState(w, IDM_SAVE_REPORT) & MF_GRAYED, 0);
    ASSERT_TRUE(SendDrop(w, {tree.Path("camera\\IMG_1.JPG")}));
    SendMessageA(w, WM_INITMENUPOPUP, reinterpret_cast<WPARAM>(GetSubMenu(bar, 0)), MAKELPARAM(0, FALSE));
    EXPECT_EQ(MenuState(w, IDM_SAVE_REPORT) & MF_GRAYED, 0);
    EXPECT_EQ(FrameFault(w), "");
    // At its smallest the window still has room for every control above the status bar.
    ShowWindow(w, SW_SHOWNORMAL);
    SetWindowPos(w, nullptr, 0, 0, 100, 100, SWP_NOMOVE | SWP_NOZORDER | SWP_NOACTIVATE);
    PumpFor(20);
    EXPECT_EQ(FrameFault(w), "");
}

TEST_F(MenuAndViewTest, MenuCommandsDoWhatTheButtonsDo)
{
    HWND w = OpenOnCamera();
    // Edit > Select All, then Edit > Remove: every row goes.
    Menu(w, IDM_SELECT_ALL);
    EXPECT_EQ(dialog_->List().GetSelectedCount(), 3);
    EXPECT_TRUE(Enabled(w, IDC_REMOVE));
    Menu(w, IDC_REMOVE);
    EXPECT_EQ(Rows(), 0);
    EXPECT_EQ(Total(w), "Total: 0");
    // Ctrl+A is the menu's key for Select All, wherever the focus is but in a text box.
    ASSERT_TRUE(SendDrop(w, {tree.Path("camera")}));
    MSG key {GetDlgItem(w, IDC_ADD_FILES), WM_KEYDOWN, 'A', 0, 0, {}};
    BYTE keys[256];
    GetKeyboardState(keys);
    keys[VK_CONTROL] = 0x80;
    SetKeyboardState(keys);
    IsDialogMessageA(w, &key);
    keys[VK_CONTROL] = 0;
    SetKeyboardState(keys);
    EXPECT_EQ(dialog_->List().GetSelectedCount(), 3);
    // File > Exit closes the window as Close does.
    Menu(w, IDC_CLOSE);
    PumpFor(20);
    EXPECT_FALSE(IsWindow(w));
}

TEST_F(MenuAndViewTest, FiltersShowOnlyFailedOrSkippedRowsAndRemoveTakesOnlyThose)
{
    HWND w = OpenOnCamera();
    Click(w, IDC_PREVIEW);
    PumpFor(20);
    EXPECT_EQ(Summary(w), "3 files: 1 OK, 1 failed, 1 skipped (preview: nothing was changed)");
    EXPECT_EQ(Total(w), "Total: 3");
    EXPECT_EQ(StatusText(w, 2), "1 failed, 1 skipped");

    Menu(w, IDM_VIEW_FAILED);
    ASSERT_EQ(Rows(), 1);
    EXPECT_EQ(Cell(0, 0), tree.Path("camera\\nodate.jpg"));
    EXPECT_NE(MenuState(w, IDM_VIEW_FAILED) & MF_CHECKED, 0);
    EXPECT_EQ(MenuState(w, IDM_VIEW_ALL) & MF_CHECKED, 0);
    EXPECT_EQ(StatusText(w, 2), "1 failed, 1 skipped, 1 shown");

    // The control's rows are the rows shown, in UTF-16 as in the program's code page.
    EXPECT_EQ(WideCell(0, 0), tree.Path("camera\\nodate.jpg"));
    EXPECT_EQ(WideTip(0), Cell(0, 2));

    Menu(w, IDM_VIEW_SKIPPED);
    ASSERT_EQ(Rows(), 1);
    EXPECT_EQ(Cell(0, 0), tree.Path("camera\\IMG_1.JPG"));
    EXPECT_EQ(Cell(0, 2), "Will skip (Target file exists)");
    EXPECT_EQ(WideCell(0, 0), tree.Path("camera\\IMG_1.JPG"));
    EXPECT_EQ(WideCell(0, 2), "Will skip (Target file exists)");
    EXPECT_EQ(WideTip(0), "Will skip (Target file exists)");

    // Select All and Remove act on the row shown; the others stay.
    Menu(w, IDM_VIEW_FAILED);
    Menu(w, IDM_SELECT_ALL);
    Menu(w, IDC_REMOVE);
    EXPECT_EQ(Rows(), 0);
    EXPECT_EQ(Total(w), "Total: 2");
    Menu(w, IDM_VIEW_ALL);
    EXPECT_EQ(Shown(0),
              (std::set<std::string> {tree.Path("camera\\IMG_1.JPG"), tree.Path("camera\\IMG_2.JPG")}));
    EXPECT_EQ(StatusText(w, 2), "0 failed, 1 skipped");

    // A row added while a filter hides the others brings every row back into view.
    Menu(w, IDM_VIEW_SKIPPED);
    ASSERT_EQ(Rows(), 1);
    ASSERT_TRUE(SendDrop(w, {tree.Path("camera\\nodate.jpg")}));
    EXPECT_EQ(Rows(), 3);
    EXPECT_NE(MenuState(w, IDM_VIEW_ALL) & MF_CHECKED, 0);

    // The filter follows the next run: the rows that fail now show.
    Menu(w, IDM_VIEW_FAILED);
    EXPECT_EQ(Rows(), 0);
    ASSERT_TRUE(DeleteFileA(tree.Path("camera\\IMG_2.JPG").c_str()));
    Click(w, IDC_PREVIEW);
    PumpFor(20);
    EXPECT_EQ(Shown(0),
              (std::set<std::string> {tree.Path("camera\\IMG_2.JPG"), tree.Path("camera\\nodate.jpg")}));
    EXPECT_EQ(StatusText(w, 2), "2 failed, 1 skipped, 2 shown");
}

TEST_F(MenuAndViewTest, SaveRowsAsReportWritesTheRowsShown)
{
    HWND w = OpenOnCamera();
    ASSERT_TRUE(WriteData(tree.Path("camera\\IMG_3, copy.JPG"), JpegTaken("2014:02:03 08:00:00")));
    ASSERT_TRUE(SendDrop(w, {tree.Path("camera\\IMG_3, copy.JPG")}));
    Click(w, IDC_PREVIEW);
    PumpFor(20);
    const std::string report = tree.Path("report.csv");
    SaveReportAs(w, report);
    bool read = false;
    std::string text = ReadText(report, &read);
    ASSERT_TRUE(read);
    EXPECT_EQ(text.rfind("\xEF\xBB\xBFsource,target,result,date,date source,place\r\n", 0), 0u) << text;
    EXPECT_NE(text.find(tree.Path("camera\\IMG_2.JPG") + "," + tree.Path("sorted\\2013\\2013_11\\IMG_2.JPG") +
                        ",Will copy,2013-11-05 08:00:00,Date/Time Original,\r\n"),
              std::string::npos)
            << text;
    // A comma in a cell is quoted as the run's report quotes it.
    EXPECT_NE(text.find("\r\n\"" + tree.Path("camera\\IMG_3, copy.JPG") + "\","), std::string::npos) << text;

    // Only failed rows: the report replaced by one of that row alone, and no temporary file left.
    Menu(w, IDM_VIEW_FAILED);
    SaveReportAs(w, report);
    text = ReadText(report, &read);
    ASSERT_TRUE(read);
    EXPECT_EQ(std::count(text.begin(), text.end(), '\n'), 2) << text;
    EXPECT_NE(text.find(tree.Path("camera\\nodate.jpg")), std::string::npos) << text;
    WIN32_FIND_DATAA found;
    HANDLE search = FindFirstFileA(tree.Path("*.qmpart").c_str(), &found);
    EXPECT_EQ(search, INVALID_HANDLE_VALUE);
    if (search != INVALID_HANDLE_VALUE)
        FindClose(search);
}

TEST_F(MenuAndViewTest, AReportThatCannotBeWrittenLeavesTheOldOneWhole)
{
    HWND w = OpenOnCamera();
    Click(w, IDC_PREVIEW);
    PumpFor(20);
    // A report another program holds open cannot be replaced: it stays as it was, with nothing
    // beside it.
    const std::string report = tree.Path("old.csv");
    ASSERT_TRUE(WriteText(report, "old report"));
    HANDLE held = CreateFileA(report.c_str(), GENERIC_READ, 0, nullptr, OPEN_EXISTING, 0, nullptr);
    ASSERT_NE(held, INVALID_HANDLE_VALUE);
    std::string error;
    EXPECT_FALSE(dialog_->SaveRowsReport(report, error));
    CloseHandle(held);
    EXPECT_FALSE(error.empty());
    EXPECT_EQ(ReadText(report), "old report");
    WIN32_FIND_DATAA found;
    HANDLE search = FindFirstFileA(tree.Path("*.qmpart").c_str(), &found);
    EXPECT_EQ(search, INVALID_HANDLE_VALUE) << found.cFileName;
    if (search != INVALID_HANDLE_VALUE)
        FindClose(search);
    // A folder that is not there: no report, and the reason.
    error.clear();
    EXPECT_FALSE(dialog_->SaveRowsReport(tree.Path("gone\\report.csv"), error));
    EXPECT_FALSE(error.empty());
    EXPECT_FALSE(Exists(tree.Path("gone\\report.csv")));
}

TEST_F(MenuAndViewTest, DateFromSaysWhereEachDateCameFrom)
{
    const std::string shot = tree.Path("camera\\IMG_20200101_123456.jpg");
    ASSERT_TRUE(WriteData(shot, qmtest::MinimalJpeg(qmtest::Ifd())));
    SetDword("MoveType", 600);  // the capture date, else the date modified
    SetDword("NameDates", 1);
    HWND w = Open();
    ASSERT_TRUE(SendDrop(w, {tree.Path("camera")}));
    ASSERT_EQ(Rows(), 4);
    Click(w, IDC_PREVIEW);
    PumpFor(20);
    std::map<std::string, std::string> from;
    for (int row = 0; row < Rows(); ++row)
        from[Cell(row, 0)] = Cell(row, 3);
    EXPECT_EQ(from[tree.Path("camera\\IMG_1.JPG")], "Date/Time Original");
    EXPECT_EQ(from[shot], "file name");
    EXPECT_EQ(from[tree.Path("camera\\nodate.jpg")], "file modified");
    char title[64] = "";
    LVCOLUMNA column {};
    column.mask = LVCF_TEXT;
    column.pszText = title;
    column.cchTextMax = sizeof title;
    ASSERT_TRUE(ListView_GetColumn(GetDlgItem(w, IDC_FILE_LIST), 3, &column));
    EXPECT_STREQ(title, "Date from");
}

TEST_F(MenuAndViewTest, SourceTargetAndResultShareTheExtraWidth)
{
    SetDword("WndMaximized", 0);
    HWND w = Open();
    ShowWindow(w, SW_SHOWNORMAL);
    HWND list = GetDlgItem(w, IDC_FILE_LIST);
    int before[4];
    for (int column = 0; column < 4; ++column)
        before[column] = ListView_GetColumnWidth(list, column);
    RECT window {};
    GetWindowRect(w, &window);
    // As much wider as the screen allows, up to 300 pixels, in thirds.
    const RECT work = NearestWorkArea(window);
    const LONG grow = std::min<LONG>(300, work.right - work.left - (window.right - window.left)) / 3 * 3;
    ASSERT_GE(grow, 60);
    SetWindowPos(w, nullptr, work.left, window.top, window.right - window.left + grow,
                 window.bottom - window.top, SWP_NOZORDER | SWP_NOACTIVATE);
    PumpFor(20);
    for (int column = 0; column < 3; ++column)
        EXPECT_EQ(ListView_GetColumnWidth(list, column), before[column] + grow / 3) << column;
    EXPECT_EQ(ListView_GetColumnWidth(list, 3), before[3]);
    EXPECT_EQ(FrameFault(w), "");
    // Back to the old width: the columns give the room back.
    SetWindowPos(w, nullptr, 0, 0, window.right - window.left, window.bottom - window.top,
                 SWP_NOMOVE | SWP_NOZORDER | SWP_NOACTIVATE);
    PumpFor(20);
    for (int column = 0; column < 4; ++column)
        EXPECT_EQ(ListView_GetColumnWidth(list, column), before[column]) << column;
    // A column the user made narrow shrinks no further than a readable width.
    SetWindowPos(w, nullptr, 0, 0, window.right - window.left + grow, window.bottom - window.top,
                 SWP_NOMOVE | SWP_NOZORDER | SWP_NOACTIVATE);
    PumpFor(20);
    ListView_SetColumnWidth(list, 0, 50);
    const int others = ListView_GetColumnWidth(list, 1) + ListView_GetColumnWidth(list, 2);
    SetWindowPos(w, nullptr, 0, 0, window.right - window.left, window.bottom - window.top,
                 SWP_NOMOVE | SWP_NOZORDER | SWP_NOACTIVATE);
    PumpFor(20);
    EXPECT_EQ(ListView_GetColumnWidth(list, 0), 40);
    // What it could not give up, the other two did: all of it left the columns.
    EXPECT_EQ(ListView_GetColumnWidth(list, 1) + ListView_GetColumnWidth(list, 2), others - (grow - 10));
}

TEST_F(MenuAndViewTest, PastRunsListsTheKeptRunsAndUndoesTheOneChosen)
{
    HWND w = Open();
    Click(w, IDC_DAY_FOLDER);
    Click(w, IDC_ANOTHER_FOLDER);
    SetDlgItemTextA(w, IDC_OUTPUT_FOLDER, tree.Path("sorted").c_str());
    const std::string first = tree.Path("sorted\\2012\\2012_01\\IMG_1.JPG");
    const std::string second = tree.Path("sorted\\2013\\2013_11\\IMG_2.JPG");
    {
        // The first run copies IMG_1, the second IMG_2.
        MessageBoxCatcher catcher(IDOK);
        catcher.OnlyMessageBoxes();
        MessageBoxCatcher::Ignore(w);
        ASSERT_TRUE(SendDrop(w, {tree.Path("camera\\IMG_1.JPG")}));
        Click(w, IDC_COPY_FILES);
        PumpFor(20);
        ASSERT_TRUE(Exists(first));
        Menu(w, IDC_REMOVE_ALL);
        ASSERT_TRUE(SendDrop(w, {tree.Path("camera\\IMG_2.JPG")}));
        // The second run in another mode: each run names its own.
        SelectMode(w, 600);
        Click(w, IDC_COPY_FILES);
        PumpFor(20);
        ASSERT_TRUE(Exists(second));
    }

    std::vector<std::vector<std::string>> listed;
    std::vector<std::string> questions;  // the message boxes' texts
    std::string status;
    bool undoEnabled = false;
    auto answer = [&](int pick) {
        return [&, pick](HWND box) {
            char caption[64] = "";
            GetWindowTextA(box, caption, sizeof caption);
            if (std::string(caption) != "Past Runs") {
                // The progress window is the undo's own; message boxes are answered Yes.
                if (!GetDlgItem(box, 0xFFFF))
                    return;
                questions.push_back(Text(box, 0xFFFF));
                PostMessageA(box, WM_COMMAND, IDYES, 0);
                return;
            }
            HWND list = GetDlgItem(box, IDC_PAST_RUNS_LIST);
            listed.clear();
            for (int row = 0; row < ListView_GetItemCount(list); ++row) {
                std::vector<std::string> cells;
                for (int column = 0; column < 5; ++column) {
                    char cell[256] = "";
                    ListView_GetItemText(list, row, column, cell, sizeof cell);
                    cells.push_back(cell);
                }
                listed.push_back(cells);
            }
            ListView_SetItemState(list, -1, 0, LVIS_SELECTED);
            ListView_SetItemState(list, pick, LVIS_SELECTED | LVIS_FOCUSED, LVIS_SELECTED | LVIS_FOCUSED);
            undoEnabled = IsWindowEnabled(GetDlgItem(box, IDC_PAST_RUNS_UNDO)) != 0;
            status = Text(box, IDC_PAST_RUNS_STATUS);
            // Enter chooses a run only when it can be undone; Escape then closes the list.
            PostMessageA(box, WM_COMMAND, undoEnabled ? IDC_PAST_RUNS_UNDO : IDOK, 0);
            PostMessageA(box, WM_COMMAND, IDCANCEL, 0);
        };
    };
    {
        // The older run is the second row: the newest comes first.
        MessageBoxCatcher catcher;
        MessageBoxCatcher::Ignore(w);
        catcher.SetAction(answer(1));
        Menu(w, IDM_PAST_RUNS);
        PumpFor(20);
    }
    ASSERT_EQ(listed.size(), 2u);
    EXPECT_EQ(listed[0][1], "By Date Picture Taken, if not available, By Date Modified");
    EXPECT_EQ(listed[1][1], "By Date Picture Taken");
    EXPECT_EQ(listed[0][2], "Copy: 1 copied");
    EXPECT_EQ(listed[1][2], "Copy: 1 copied");
    EXPECT_EQ(listed[1][3], "no");
    EXPECT_TRUE(undoEnabled);
    ASSERT_EQ(questions.size(), 1u) << questions.back();
    EXPECT_EQ(questions[0].rfind("Undo the run of ", 0), 0u) << questions[0];
    EXPECT_FALSE(Exists(first)) << "the older run's copy is taken back";
    EXPECT_TRUE(Exists(second)) << "the newer run's copy stays";
    EXPECT_EQ(Summary(w), "1 file: 1 put back, 0 left where they are");

    // The older run now says when it was undone, and refuses a second undo in words.
    questions.clear();
    {
        MessageBoxCatcher catcher;
        MessageBoxCatcher::Ignore(w);
        catcher.SetAction(answer(1));
        Menu(w, IDM_PAST_RUNS);
        PumpFor(20);
    }
    EXPECT_EQ(questions, std::vector<std::string> {});
    ASSERT_EQ(listed.size(), 2u);
    EXPECT_NE(listed[1][3], "no");
    EXPECT_EQ(listed[0][3], "no");
    EXPECT_FALSE(undoEnabled);
    EXPECT_NE(status.find("cannot be undone"), std::string::npos) << status;
    EXPECT_TRUE(Exists(second));
}
