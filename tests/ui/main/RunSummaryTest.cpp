// Preview and the run summary in the main window: a preview changes no file, no setting and no
// log, and fills the same cells the real run then fills; every run ends with a summary line
// under the list that stays until the list changes; a cancelled run marks the rows it did not
// reach; the default column widths leave the Result column in view.
#include <utility>

#include "tests/ui/main/MainWindowFixture.h"

using namespace mainwindow;

namespace {

using Cells = std::vector<std::pair<std::string, std::string>>;

class RunSummaryTest : public MainWindowTest {
protected:
    Cells TargetsAndResults()
    {
        Cells cells;
        for (int row = 0; row < Rows(); ++row)
            cells.emplace_back(Cell(row, 1), Cell(row, 2));
        return cells;
    }
};

}  // namespace

TEST_F(RunSummaryTest, PreviewChangesNothingAndShowsWhatCopyThenDoes)
{
    TempTree tree;
    CreateDirectoryA(tree.Path("camera").c_str(), nullptr);
    ASSERT_TRUE(WriteData(tree.Path("camera\\IMG_1.JPG"), JpegTaken("2012:01:27 10:46:15")));
    ASSERT_TRUE(WriteData(tree.Path("camera\\IMG_2.JPG"), JpegTaken("2013:11:05 08:00:00")));
    ASSERT_TRUE(WriteText(tree.Path("camera\\notes.txt"), "no date"));
    // A target that exists already: the run numbers the new one, the preview must too.
    CreateDirectoryA(tree.Path("sorted").c_str(), nullptr);
    CreateDirectoryA(tree.Path("sorted\\2012").c_str(), nullptr);
    CreateDirectoryA(tree.Path("sorted\\2012\\2012_01").c_str(), nullptr);
    ASSERT_TRUE(WriteText(tree.Path("sorted\\2012\\2012_01\\IMG_1.JPG"), "older"));
    SetDword("SaveToLog", 1);
    SetString("LogFile", tree.Path("log.txt"));

    HWND w = Open();
    ASSERT_TRUE(SendDrop(w, {tree.Path("camera")}));
    ASSERT_EQ(Rows(), 3);
    Click(w, IDC_DAY_FOLDER);
    Click(w, IDC_ANOTHER_FOLDER);
    SetDlgItemTextA(w, IDC_OUTPUT_FOLDER, tree.Path("sorted").c_str());
    const auto before = FilesBelow(tree.Root());

    Click(w, IDC_PREVIEW);
    PumpFor(50);
    EXPECT_TRUE(IsWindowEnabled(w));
    EXPECT_EQ(FilesBelow(tree.Root()), before);
    EXPECT_FALSE(Exists(tree.Path("sorted\\2013")));
    EXPECT_FALSE(Exists(tree.Path("log.txt")));
    EXPECT_FALSE(HasValue("CustomTargetFolder"));
    EXPECT_EQ(Summary(w), "3 files: 2 OK, 1 failed, 0 skipped (preview: nothing was changed)");
    const Cells preview = TargetsAndResults();
    bool numbered = false;
    for (const auto& [target, result] : preview)
        numbered = numbered || target == tree.Path("sorted\\2012\\2012_01\\IMG_1_1.JPG");
    EXPECT_TRUE(numbered);

    Click(w, IDC_COPY_FILES);
    PumpFor(50);
    // The preview said what the copy then did, row by row.
    const Cells copied = TargetsAndResults();
    ASSERT_EQ(copied.size(), preview.size());
    for (size_t row = 0; row < copied.size(); ++row) {
        EXPECT_EQ(preview[row].first, copied[row].first) << row;
        EXPECT_EQ(preview[row].second, copied[row].second == "OK" ? std::string("Will copy")
                                                                  : "Will fail (" + copied[row].second + ")")
                << row;
    }
    EXPECT_EQ(Summary(w), "3 files: 2 copied, 1 failed, 0 skipped");
    EXPECT_EQ(ReadText(tree.Path("sorted\\2012\\2012_01\\IMG_1.JPG")), "older");
    EXPECT_TRUE(Exists(tree.Path("sorted\\2012\\2012_01\\IMG_1_1.JPG")));
    EXPECT_TRUE(Exists(tree.Path("sorted\\2013\\2013_11\\IMG_2.JPG")));
    EXPECT_TRUE(Exists(tree.Path("log.txt")));
    EXPECT_TRUE(HasValue("CustomTargetFolder"));
}

TEST_F(RunSummaryTest, ACancelledRunMarksTheRowsItDidNotReach)
{
    TempTree tree;
    std::vector<std::string> paths;
    for (int i = 0; i < 4; ++i) {
        paths.push_back(tree.Path("f" + std::to_string(i) + ".txt"));
        ASSERT_TRUE(WriteText(paths.back(), "x"));
    }
    SetDword("MoveType", 500);  // by extension: no metadata needed
    HWND w = Open();
    ASSERT_TRUE(SendDrop(w, paths));
    Click(w, IDC_PREVIEW);
    PumpFor(20);
    for (int row = 0; row < 4; ++row)
        ASSERT_EQ(Cell(row, 2), "Will copy");

    // Cancel is clicked as soon as the progress window shows: the run finishes one file.
    MessageBoxCatcher catcher;
    ASSERT_TRUE(catcher.Installed());
    MessageBoxCatcher::Ignore(w);
    catcher.SetAction([](HWND dialog) {
        HWND cancel = GetDlgItem(dialog, IDC_PROGRESS_CANCEL);
        PostMessageA(cancel ? cancel : dialog, cancel ? BM_CLICK : WM_COMMAND, cancel ? 0 : IDOK, 0);
    });
    Click(w, IDC_COPY_FILES);
    PumpFor(50);
    EXPECT_EQ(Summary(w), "4 files: 1 copied, 0 failed, 0 skipped, cancelled after 1");
    EXPECT_EQ(Cell(0, 2), "OK");
    EXPECT_EQ(Cell(0, 1), tree.Path("TXT\\f0.txt"));
    for (int row = 1; row < 4; ++row) {
        EXPECT_EQ(Cell(row, 1), "") << row;
        EXPECT_EQ(Cell(row, 2), "Not processed: the run was cancelled") << row;
    }
    EXPECT_FALSE(Exists(tree.Path("TXT\\f1.txt")));

    // The summary stays while the list stays as it is, and goes when it changes.
    ASSERT_TRUE(SendDrop(w, {paths[2]}));
    EXPECT_EQ(Summary(w), "4 files: 1 copied, 0 failed, 0 skipped, cancelled after 1");
    ASSERT_TRUE(WriteText(tree.Path("f4.txt"), "x"));
    ASSERT_TRUE(SendDrop(w, {tree.Path("f4.txt")}));
    EXPECT_EQ(Summary(w), "");
    // A run that is refused before it starts says nothing and keeps the cells.
    Click(w, IDC_ANOTHER_FOLDER);
    SetDlgItemTextA(w, IDC_OUTPUT_FOLDER, "");
    catcher.SetAction(nullptr);
    Click(w, IDC_MOVE_FILES);
    EXPECT_EQ(Summary(w), "");
    EXPECT_EQ(Cell(0, 2), "OK");
}

TEST_F(RunSummaryTest, DefaultColumnsFitTheListAtTheDesignedSize)
{
    SetDword("WndMaximized", 0);
    HWND w = Open();
    ASSERT_FALSE(IsZoomed(w));
    HWND list = GetDlgItem(w, IDC_FILE_LIST);
    RECT client;
    ASSERT_TRUE(GetClientRect(list, &client));
    int total = 0;
    for (int column = 0; column < 3; ++column)
        total += ListView_GetColumnWidth(list, column);
    EXPECT_LE(total, client.right - GetSystemMetrics(SM_CXVSCROLL));
    // Date from too: where each date came from is in sight without scrolling.
    total += ListView_GetColumnWidth(list, kDateFromColumn);
    EXPECT_LE(total, client.right - GetSystemMetrics(SM_CXVSCROLL));
}
