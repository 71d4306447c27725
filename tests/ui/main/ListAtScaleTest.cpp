// The main window's list at the sizes real card dumps bring: the list keeps its rows itself and
// the control draws only those in view, a hundred thousand rows are listed, read back, sorted
// (the selection staying with its rows) and removed, and Preview and Copy Files of a few
// thousand generated photos fill every row.
#include <algorithm>
#include <cstdio>
#include <cstdlib>

#include "base/WidePath.h"
#include "tests/ui/main/ClientPixels.h"
#include "tests/ui/main/MainWindowFixture.h"

using namespace mainwindow;

namespace {

class ListAtScaleTest : public MainWindowTest {
protected:
    HWND List() { return GetDlgItem(dialog_->Handle(), IDC_FILE_LIST); }

    // What the header does when a column is clicked: LVN_COLUMNCLICK to the list's parent.
    void ClickHeader(int column)
    {
        NMLISTVIEW click {};
        click.hdr.hwndFrom = List();
        click.hdr.idFrom = IDC_FILE_LIST;
        click.hdr.code = LVN_COLUMNCLICK;
        click.iItem = -1;
        click.iSubItem = column;
        SendMessageA(dialog_->Handle(), WM_NOTIFY, IDC_FILE_LIST, reinterpret_cast<LPARAM>(&click));
    }

    std::vector<int> SelectedRows()
    {
        std::vector<int> rows;
        for (int row = -1; (row = ListView_GetNextItem(List(), row, LVNI_SELECTED)) >= 0;)
            rows.push_back(row);
        return rows;
    }
};

std::string Numbered(const std::string& folder, int i)
{
    char name[32];
    std::snprintf(name, sizeof name, "IMG_%06d.JPG", i);
    return folder + name;
}

double Seconds(LARGE_INTEGER from)
{
    LARGE_INTEGER now {}, frequency {};
    QueryPerformanceCounter(&now);
    QueryPerformanceFrequency(&frequency);
    return static_cast<double>(now.QuadPart - from.QuadPart) / static_cast<double>(frequency.QuadPart);
}

// Runs the command line program with the arguments, its output thrown away, and gives the
// seconds it took; a negative number when it could not start or failed.
double TimedCommandLine(const std::string& arguments)
{
    const std::string program = std::string(QM_DIST_DIR) + "/quillmere-cli.exe";
    std::string command = "\"" + program + "\" " + arguments;
    SECURITY_ATTRIBUTES inherit {sizeof inherit, nullptr, TRUE};
    HANDLE nowhere = CreateFileA("NUL", GENERIC_WRITE, FILE_SHARE_READ | FILE_SHARE_WRITE, &inherit,
                                 OPEN_EXISTING, 0, nullptr);
    if (nowhere == INVALID_HANDLE_VALUE)
        return -1;
    STARTUPINFOA start {};
    start.cb = sizeof start;
    start.dwFlags = STARTF_USESTDHANDLES;
    start.hStdOutput = nowhere;
    start.hStdError = nowhere;
    PROCESS_INFORMATION info {};
    LARGE_INTEGER began {};
    QueryPerformanceCounter(&began);
    const bool started = CreateProcessA(nullptr, command.data(), nullptr, nullptr, TRUE, CREATE_NO_WINDOW,
                                        nullptr, nullptr, &start, &info) != 0;
    CloseHandle(nowhere);
    if (!started)
        return -1;
    DWORD code = 1;
    const bool ended = WaitForSingleObject(info.hProcess, 300000) == WAIT_OBJECT_0 &&
                       GetExitCodeProcess(info.hProcess, &code);
    const double taken = Seconds(began);
    if (!ended)
        TerminateProcess(info.hProcess, 1);
    CloseHandle(info.hThread);
    CloseHandle(info.hProcess);
    return ended && code == 0 ? taken : -1;
}

}  // namespace

TEST_F(ListAtScaleTest, AHundredThousandRowsAreListedSortedAndRemoved)
{
    constexpr int kRows = 100000;
    HWND w = Open();
    ASSERT_TRUE(GetWindowLongPtrA(List(), GWL_STYLE) & LVS_OWNERDATA);
    // Paths that name no file: a drop lists files without opening them.
    std::vector<std::string> paths;
    for (int i = 0; i < kRows; ++i)
        paths.push_back(Numbered("C:\\nowhere\\", i));
    ASSERT_TRUE(SendDrop(w, paths));
    ASSERT_EQ(Rows(), kRows);
    EXPECT_EQ(Total(w), "Total: 100000");
    EXPECT_EQ(Cell(0, 0), paths[0]);
    EXPECT_EQ(Cell(54321, 0), paths[54321]);
    EXPECT_EQ(Cell(kRows - 1, 0), paths[kRows - 1]);
    EXPECT_EQ(Cell(kRows - 1, 2), "");
    // The last row added is in view.
    EXPECT_GE(ListView_GetTopIndex(List()) + ListView_GetCountPerPage(List()), kRows);

    // A second click on the same header turns the order round; the selection stays with its row.
    ListView_SetItemState(List(), 10, LVIS_SELECTED | LVIS_FOCUSED, LVIS_SELECTED | LVIS_FOCUSED);
    ClickHeader(0);
    EXPECT_EQ(Cell(0, 0), paths[0]);
    ClickHeader(0);
    EXPECT_EQ(Cell(0, 0), paths[kRows - 1]);
    EXPECT_EQ(Cell(kRows - 1, 0), paths[0]);
    ASSERT_EQ(SelectedRows(), std::vector<int>({kRows - 1 - 10}));
    EXPECT_EQ(ListView_GetNextItem(List(), -1, LVNI_FOCUSED), kRows - 1 - 10);
    EXPECT_EQ(dialog_->List().SortColumn(), 0);
    EXPECT_FALSE(dialog_->List().SortAscending());

    // Delete removes exactly the selected rows, and they can be listed again.
    ListView_SetItemState(List(), 0, LVIS_SELECTED, LVIS_SELECTED);
    SetFocus(List());
    SendMessageA(List(), WM_KEYDOWN, VK_DELETE, 0);
    ASSERT_EQ(Rows(), kRows - 2);
    EXPECT_EQ(Total(w), "Total: 99998");
    EXPECT_TRUE(SelectedRows().empty());
    EXPECT_EQ(Cell(0, 0), paths[kRows - 2]);
    EXPECT_EQ(Cell(kRows - 1 - 11, 0), paths[9]);
    ASSERT_TRUE(SendDrop(w, {paths[10], paths[kRows - 1], paths[5]}));
    EXPECT_EQ(Rows(), kRows);
    EXPECT_EQ(Cell(kRows - 2, 0), paths[10]);

    Command(w, IDC_REMOVE_ALL);
    EXPECT_EQ(Rows(), 0);
    EXPECT_EQ(Total(w), "Total: 0");
}

TEST_F(ListAtScaleTest, AFilterOverTenThousandRowsShowsSortsAndRemovesOnlyItsRows)
{
    constexpr int kRows = 10000;
    constexpr int kEvery = 100;  // every hundredth file is a photo; the others are missing
    TempTree tree;
    ASSERT_TRUE(CreateDirectoryA(tree.Path("camera").c_str(), nullptr));
    const std::string camera = tree.Path("camera\\");
    std::vector<std::string> paths;
    for (int i = 0; i < kRows; ++i) {
        paths.push_back(Numbered(camera, i));
        if (i % kEvery == 0) {
            ASSERT_TRUE(WriteData(paths.back(), JpegTaken("2015:06:15 10:00:00")));
        }
    }
    HWND w = Open();
    Click(w, IDC_ANOTHER_FOLDER);
    SetDlgItemTextA(w, IDC_OUTPUT_FOLDER, tree.Path("sorted").c_str());
    ASSERT_TRUE(SendDrop(w, paths));
    ASSERT_EQ(Rows(), kRows);
    Click(w, IDC_PREVIEW);
    PumpFor(20);
    ASSERT_EQ(Summary(w), "10000 files: 100 OK, 9900 failed, 0 skipped (preview: nothing was changed)");
    EXPECT_EQ(Cell(0, 2), "Will copy");
    EXPECT_NE(Cell(1, 2), "Will copy");

    Command(w, IDM_VIEW_FAILED, 0);
    ASSERT_EQ(Rows(), kRows - kRows / kEvery);
    EXPECT_EQ(Cell(0, 0), paths[1]);
    EXPECT_EQ(Cell(98, 0), paths[99]);
    EXPECT_EQ(Cell(99, 0), paths[101]);
    EXPECT_EQ(Cell(Rows() - 1, 0), paths[kRows - 1]);
    EXPECT_EQ(StatusText(w, 2), "9900 failed, 0 skipped, 9900 shown");

    // Sorted the other way round, the filter still shows only its rows.
    ClickHeader(0);
    ClickHeader(0);
    ASSERT_EQ(Rows(), kRows - kRows / kEvery);
    EXPECT_EQ(Cell(0, 0), paths[kRows - 1]);
    EXPECT_EQ(Cell(Rows() - 1, 0), paths[1]);
    EXPECT_EQ(Cell(Rows() - 100, 0), paths[101]);

    // Remove takes exactly the rows selected in the filtered view: the first two shown and the
    // last one; the photos the filter hides stay.
    ListView_SetItemState(List(), 0, LVIS_SELECTED, LVIS_SELECTED);
    ListView_SetItemState(List(), 1, LVIS_SELECTED, LVIS_SELECTED);
    ListView_SetItemState(List(), Rows() - 1, LVIS_SELECTED, LVIS_SELECTED);
    Click(w, IDC_REMOVE);
    ASSERT_EQ(Rows(), kRows - kRows / kEvery - 3);
    EXPECT_EQ(Total(w), "Total: 9997");
    EXPECT_TRUE(SelectedRows().empty());
    EXPECT_EQ(Cell(0, 0), paths[kRows - 3]);
    EXPECT_EQ(Cell(Rows() - 1, 0), paths[2]);

    // Every row shown selected stays selected through a sort.
    Command(w, IDM_SELECT_ALL, 0);
    ASSERT_EQ(ListView_GetSelectedCount(List()), static_cast<UINT>(Rows()));
    ClickHeader(0);
    EXPECT_EQ(ListView_GetSelectedCount(List()), static_cast<UINT>(Rows()));
    EXPECT_EQ(Cell(0, 0), paths[2]);
    EXPECT_EQ(Cell(Rows() - 1, 0), paths[kRows - 3]);

    Command(w, IDM_VIEW_ALL, 0);
    ASSERT_EQ(Rows(), kRows - 3);
    EXPECT_EQ(Cell(0, 0), paths[0]);
    EXPECT_EQ(Cell(0, 2), "Will copy");
    EXPECT_EQ(Cell(Rows() - 1, 0), paths[kRows - 3]);
    int photos = 0;
    for (int row = 0; row < Rows(); ++row)
        photos += Cell(row, 2) == "Will copy" ? 1 : 0;
    EXPECT_EQ(photos, kRows / kEvery);
}

TEST_F(ListAtScaleTest, AColumnSortsAsTheSystemComparesItsTextsEitherWay)
{
    HWND w = Open();
    const std::vector<std::string> names = {"b.jpg",
                                            "B2.jpg",
                                            "a.jpg",
                                            "\xC3\x84.jpg",
                                            "z10.jpg",
                                            "z9.jpg",
                                            "_x.jpg",
                                            "-y.jpg",
                                            "co-op.jpg",
                                            "coop.jpg",
                                            "\xC3\xA9t\xC3\xA9.jpg",
                                            "ete.jpg",
                                            "Eten.jpg",
                                            "IMG 2.jpg",
                                            "IMG_2.jpg",
                                            "img2.jpg",
                                            "\xD0\x96\xD1\x83\xD0\xBA.jpg",
                                            "\xD0\xB6\xD1\x83\xD0\xBA\xD0\xB8.jpg",
                                            "\xC5\xBE.jpg",
                                            "\xE6\x97\xA5\xE6\x9C\xAC.jpg",
                                            "1.jpg",
                                            "01.jpg"};
    std::vector<std::string> paths;
    for (const std::string& name : names)
        paths.push_back("C:\\nowhere\\" + name);
    ASSERT_TRUE(SendWideDrop(w, paths));
    ASSERT_EQ(Rows(), static_cast<int>(names.size()));
    for (const bool ascending : {true, false}) {
        ClickHeader(0);
        ASSERT_EQ(dialog_->List().SortAscending(), ascending);
        for (int row = 1; row < Rows(); ++row) {
            const int order = lstrcmpW(WideText(Cell(row - 1, 0)).c_str(), WideText(Cell(row, 0)).c_str());
            EXPECT_TRUE(ascending ? order <= 0 : order >= 0) << Cell(row - 1, 0) << " / " << Cell(row, 0);
        }
    }
}

TEST_F(ListAtScaleTest, AChangedRowIsRedrawnExactlyWhenPartOfItIsOnTheScreen)
{
    constexpr int kRows = 1000;
    HWND w = Open();
    ShowWindow(w, SW_SHOWNORMAL);
    std::vector<std::string> paths;
    for (int i = 0; i < kRows; ++i)
        paths.push_back(Numbered("C:\\nowhere\\", i));
    ASSERT_TRUE(SendDrop(w, paths));
    ListView_EnsureVisible(List(), kRows / 2, FALSE);
    const int top = ListView_GetTopIndex(List());
    const int perPage = ListView_GetCountPerPage(List());
    ASSERT_GT(top, 0);
    ASSERT_GT(perPage, 0);
    // Rows show between the header and the bottom of the list's client area.
    // Select All draws the rows in view again, and leaves the list drawing.
    UpdateWindow(List());
    Command(w, IDM_SELECT_ALL, 0);
    EXPECT_EQ(ListView_GetSelectedCount(List()), static_cast<UINT>(kRows));
    EXPECT_TRUE(GetUpdateRect(List(), nullptr, FALSE));
    RECT client {}, header {};
    ASSERT_TRUE(GetClientRect(List(), &client));
    ASSERT_TRUE(GetWindowRect(ListView_GetHeader(List()), &header));
    client.top += header.bottom - header.top;
    for (const int row :
         {top - 1, top, top + perPage / 2, top + perPage - 1, top + perPage, top + perPage + 1}) {
        UpdateWindow(List());
        ASSERT_FALSE(GetUpdateRect(List(), nullptr, FALSE)) << row;
        RECT cell {};
        ASSERT_TRUE(ListView_GetItemRect(List(), row, &cell, LVIR_BOUNDS));
        const bool onScreen = cell.bottom > client.top && cell.top < client.bottom;
        ASSERT_TRUE(dialog_->List().SetCell(row, 2, "changed " + std::to_string(row)));
        EXPECT_EQ(GetUpdateRect(List(), nullptr, FALSE) != FALSE, onScreen) << row;
        EXPECT_EQ(Cell(row, 2), "changed " + std::to_string(row));
    }
}

TEST_F(ListAtScaleTest, PreviewAndCopyOfThousandsOfPhotosFillEveryRow)
{
    constexpr int kPhotos = 2000;
    TempTree tree;
    ASSERT_TRUE(CreateDirectoryA(tree.Path("camera").c_str(), nullptr));
    for (int i = 0; i < kPhotos; ++i) {
        char date[32];
        std::snprintf(date, sizeof date, "%04d:%02d:15 10:00:00", 2010 + i % 3, i % 12 + 1);
        ASSERT_TRUE(WriteData(Numbered(tree.Path("camera\\"), i), JpegTaken(date)));
    }
    HWND w = Open();
    Click(w, IDC_DAY_FOLDER);
    Click(w, IDC_ANOTHER_FOLDER);
    SetDlgItemTextA(w, IDC_OUTPUT_FOLDER, tree.Path("sorted").c_str());
    ASSERT_TRUE(SendDrop(w, {tree.Path("camera")}));
    ASSERT_EQ(Rows(), kPhotos);
    ListView_EnsureVisible(List(), 0, FALSE);

    LARGE_INTEGER began {};
    QueryPerformanceCounter(&began);
    Click(w, IDC_PREVIEW);
    const double preview = Seconds(began);
    PumpFor(20);
    EXPECT_EQ(Summary(w), "2000 files: 2000 OK, 0 failed, 0 skipped (preview: nothing was changed)");
    EXPECT_FALSE(Exists(tree.Path("sorted")));
    QueryPerformanceCounter(&began);
    Click(w, IDC_COPY_FILES);
    const double copy = Seconds(began);
    PumpFor(20);
    EXPECT_EQ(Summary(w), "2000 files: 2000 copied, 0 failed, 0 skipped");
    for (int row = 0; row < kPhotos; ++row) {
        const std::string source = Cell(row, 0);
        const int i = std::atoi(source.c_str() + source.rfind('_') + 1);
        char month[32];
        std::snprintf(month, sizeof month, "%04d\\%04d_%02d\\", 2010 + i % 3, 2010 + i % 3, i % 12 + 1);
        const std::string target = tree.Path("sorted\\") + month + source.substr(source.rfind('\\') + 1);
        ASSERT_EQ(Cell(row, 1), target) << row;
        ASSERT_EQ(Cell(row, 2), "OK") << row;
        ASSERT_TRUE(Exists(target)) << row;
    }
    // The list followed the run to its last row.
    EXPECT_GE(ListView_GetTopIndex(List()) + ListView_GetCountPerPage(List()), kPhotos);

    // The same files through the command line, side by side: the figures are printed for the
    // reader (bench/window_run_bench.sh measures them at scale), never judged here.
    const std::string camera = "\"" + tree.Path("camera") + "\"";
    const double cliPreview =
            TimedCommandLine("organize --dry-run --no-day --out \"" + tree.Path("cli") + "\" " + camera);
    const double cliCopy =
            TimedCommandLine("organize --copy --no-day --out \"" + tree.Path("cli") + "\" " + camera);
    ASSERT_GT(cliPreview, 0) << "quillmere-cli's dry run failed";
    ASSERT_GT(cliCopy, 0) << "quillmere-cli's copy failed";
    std::printf("[ figures  ] %d photos: Preview %.2f s in the window, %.2f s dry run on the command line "
                "(%.1fx); Copy %.2f s in the window, %.2f s on the command line (%.1fx)\n",
                kPhotos, preview, cliPreview, preview / cliPreview, copy, cliCopy, copy / cliCopy);
    RecordProperty("preview_ratio", std::to_string(preview / cliPreview));
    RecordProperty("copy_ratio", std::to_string(copy / cliCopy));
}

namespace {

// Pixels in the middle band of the list's client area that are not its background, as drawn on
// the screen.
int DrawnPixelsInTheMiddle(HWND list)
{
    ClientPixels shot;
    if (!CaptureClient(list, true, shot))
        return -1;
    const COLORREF back = ListView_GetBkColor(list);
    int count = 0;
    for (int y = shot.height * 2 / 5; y < shot.height * 3 / 5; ++y)
        for (int x = 0; x < shot.width; ++x)
            count += shot.Differs(x, y, back) ? 1 : 0;
    return count;
}

// The box around the pixels of the list's client area below its header that are not its
// background, as drawn on the screen; empty when there are none.
RECT DrawnBox(HWND list)
{
    RECT box {};
    RECT header {};
    ClientPixels shot;
    if (!CaptureClient(list, true, shot) || !GetWindowRect(ListView_GetHeader(list), &header))
        return box;
    const COLORREF back = ListView_GetBkColor(list);
    box = {shot.width, shot.height, 0, 0};
    for (int y = header.bottom - header.top; y < shot.height; ++y)
        for (int x = 0; x < shot.width; ++x)
            if (shot.Differs(x, y, back)) {
                box.left = std::min<LONG>(box.left, x);
                box.top = std::min<LONG>(box.top, y);
                box.right = std::max<LONG>(box.right, x + 1);
                box.bottom = std::max<LONG>(box.bottom, y + 1);
            }
    if (box.right == 0)
        box = {};
    return box;
}

// The width a text takes in the list's font, wrapped as the empty list wraps it.
LONG TextWidthInList(HWND list, const wchar_t* text)
{
    RECT client {};
    GetClientRect(list, &client);
    HDC dc = GetDC(list);
    const HGDIOBJ old = SelectObject(dc, reinterpret_cast<HFONT>(SendMessageW(list, WM_GETFONT, 0, 0)));
    RECT measured {0, 0, client.right - 16, 0};
    DrawTextW(dc, text, -1, &measured, DT_CENTER | DT_WORDBREAK | DT_CALCRECT | DT_NOPREFIX);
    SelectObject(dc, old);
    ReleaseDC(list, dc);
    return measured.right - measured.left;
}

}  // namespace

TEST_F(ListAtScaleTest, TheEmptyListSaysWhatToDo)
{
    HWND w = Open();
    ShowWindow(w, SW_SHOWNORMAL);
    SetForegroundWindow(w);
    EXPECT_GT(DrawnPixelsInTheMiddle(List()), 20);
    // The words are the ones that say what to do: the drawn text is as wide as they are, and in
    // the middle. Read from the screen, with no window left by an earlier test in front.
    SetWindowPos(w, HWND_TOPMOST, 0, 0, 0, 0, SWP_NOMOVE | SWP_NOSIZE);
    PumpFor(50);
    const RECT drawn = DrawnBox(List());
    SetWindowPos(w, HWND_NOTOPMOST, 0, 0, 0, 0, SWP_NOMOVE | SWP_NOSIZE);
    RECT client {};
    GetClientRect(List(), &client);
    const LONG expected =
            TextWidthInList(List(), L"Drop photos or folders here, or use Add Files and Add Folder");
    EXPECT_NEAR(drawn.right - drawn.left, expected, 4);
    EXPECT_NEAR(drawn.left + drawn.right, client.right, 4);
    ASSERT_TRUE(SendDrop(w, {"C:\\nowhere\\IMG_1.JPG"}));
    EXPECT_EQ(DrawnPixelsInTheMiddle(List()), 0);
    Command(w, IDC_REMOVE_ALL);
    EXPECT_GT(DrawnPixelsInTheMiddle(List()), 20);
}

TEST_F(ListAtScaleTest, ARowsTooltipTellsItsWholeResult)
{
    HWND w = Open();
    EXPECT_TRUE(ListView_GetExtendedListViewStyle(List()) & LVS_EX_INFOTIP);
    ASSERT_TRUE(SendDrop(w, {"C:\\nowhere\\a.jpg", "C:\\nowhere\\b.jpg"}));
    Click(w, IDC_PREVIEW);
    PumpFor(20);
    const std::string result = Cell(1, 2);
    ASSERT_NE(result, "");
    // What the control asks when the pointer rests on a row.
    for (const int size : {1024, 8}) {
        std::string buffer(static_cast<size_t>(size), 'x');
        NMLVGETINFOTIPA tip {};
        tip.hdr.hwndFrom = List();
        tip.hdr.idFrom = IDC_FILE_LIST;
        tip.hdr.code = LVN_GETINFOTIPA;
        tip.pszText = buffer.data();
        tip.cchTextMax = size;
        tip.iItem = 1;
        SendMessageA(w, WM_NOTIFY, IDC_FILE_LIST, reinterpret_cast<LPARAM>(&tip));
        EXPECT_EQ(std::string(buffer.c_str()), result.substr(0, static_cast<size_t>(size) - 1));
    }
}
