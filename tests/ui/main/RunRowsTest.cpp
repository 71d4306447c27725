// What the rows say about a run: a preview says what the run would do ("Will copy", "Will skip
// (...)", "Will fail (...)", "Will move" once a move was chosen), a run that starts clears what
// the last one wrote, an undo lists the run's files where they are now, Ctrl+Z undoes the last
// run and a second undo says plainly that nothing is left.
#include <map>

#include "engine/RunsFolder.h"
#include "tests/ui/main/MainWindowFixture.h"

using namespace mainwindow;

namespace {

void SetKey(BYTE key, bool down)
{
    BYTE keys[256];
    GetKeyboardState(keys);
    keys[key] = down ? 0x80 : 0;
    SetKeyboardState(keys);
}

class RunRowsTest : public MainWindowTest {
protected:
    void SetUp() override
    {
        MainWindowTest::SetUp();
        SetEnvironmentVariableA(kRunsFolderVariable, runs.Root().c_str());
        ASSERT_TRUE(CreateDirectoryA(tree.Path("camera").c_str(), nullptr));
        ASSERT_TRUE(WriteData(tree.Path("camera\\IMG_1.JPG"), JpegTaken("2012:01:27 10:46:15")));
        ASSERT_TRUE(WriteData(tree.Path("camera\\IMG_2.JPG"), JpegTaken("2013:11:05 08:00:00")));
        // A photo without a capture date, which the program reads itself.
        ASSERT_TRUE(WriteData(tree.Path("camera\\nodate.jpg"), qmtest::MinimalJpeg(qmtest::Ifd())));
    }
    void TearDown() override
    {
        MainWindowTest::TearDown();
        SetEnvironmentVariableA(kRunsFolderVariable, nullptr);
    }

    HWND OpenOnCamera()
    {
        HWND w = Open();
        EXPECT_TRUE(SendDrop(w, {tree.Path("camera")}));
        EXPECT_EQ(Rows(), 3);
        Click(w, IDC_DAY_FOLDER);
        Click(w, IDC_ANOTHER_FOLDER);
        SetDlgItemTextA(w, IDC_OUTPUT_FOLDER, tree.Path("sorted").c_str());
        return w;
    }

    // The Result cell of the row whose source ends so.
    std::string ResultOf(const std::string& name)
    {
        for (int row = 0; row < Rows(); ++row) {
            const std::string source = Cell(row, 0);
            if (source.size() >= name.size() &&
                source.compare(source.size() - name.size(), name.size(), name) == 0)
                return Cell(row, 2);
        }
        return "(no row)";
    }

    TempTree tree;
    TempTree runs;
};

}  // namespace

TEST_F(RunRowsTest, PreviewSaysWhatTheRunWouldDo)
{
    // A target that is there already, with Skip chosen for such targets.
    for (const char* folder : {"sorted", "sorted\\2012", "sorted\\2012\\2012_01"})
        ASSERT_TRUE(CreateDirectoryA(tree.Path(folder).c_str(), nullptr));
    ASSERT_TRUE(WriteText(tree.Path("sorted\\2012\\2012_01\\IMG_1.JPG"), "older"));
    SetDword("TargetExistsOpt", 33);
    HWND w = OpenOnCamera();

    Click(w, IDC_PREVIEW);
    PumpFor(20);
    EXPECT_EQ(ResultOf("IMG_1.JPG"), "Will skip (Target file exists)");
    EXPECT_EQ(ResultOf("IMG_2.JPG"), "Will copy");
    EXPECT_EQ(ResultOf("nodate.jpg"),
              "Will fail (Failed to get date picture taken. Maybe no EXIF info in the file)");
    EXPECT_EQ(Summary(w), "3 files: 1 OK, 1 failed, 1 skipped (preview: nothing was changed)");

    // The real run writes what happened, and after a move a preview shows a move.
    MessageBoxCatcher catcher(IDOK);
    catcher.OnlyMessageBoxes();
    MessageBoxCatcher::Ignore(w);
    Click(w, IDC_MOVE_FILES);
    PumpFor(20);
    EXPECT_EQ(ResultOf("IMG_1.JPG"), "Target file exists; skipped");
    EXPECT_EQ(ResultOf("IMG_2.JPG"), "OK");
    ASSERT_TRUE(WriteData(tree.Path("camera\\IMG_3.JPG"), JpegTaken("2014:02:03 08:00:00")));
    ASSERT_TRUE(SendDrop(w, {tree.Path("camera\\IMG_3.JPG")}));
    Click(w, IDC_PREVIEW);
    PumpFor(20);
    EXPECT_EQ(ResultOf("IMG_3.JPG"), "Will move");
    // After a copy, a copy again.
    Click(w, IDC_COPY_FILES);
    PumpFor(20);
    ASSERT_TRUE(WriteData(tree.Path("camera\\IMG_4.JPG"), JpegTaken("2014:02:04 08:00:00")));
    ASSERT_TRUE(SendDrop(w, {tree.Path("camera\\IMG_4.JPG")}));
    Click(w, IDC_PREVIEW);
    PumpFor(20);
    EXPECT_EQ(ResultOf("IMG_4.JPG"), "Will copy");
}

TEST_F(RunRowsTest, ARunThatStartsClearsWhatTheLastOneWrote)
{
    HWND w = OpenOnCamera();
    Click(w, IDC_PREVIEW);
    PumpFor(20);
    ASSERT_EQ(ResultOf("IMG_1.JPG"), "Will copy");

    // When the progress window shows, no row keeps the preview's cells.
    std::vector<std::string> seen;
    MessageBoxCatcher catcher;
    MessageBoxCatcher::Ignore(w);
    catcher.SetAction([&](HWND dialog) {
        for (int row = 0; row < 3; ++row)
            seen.push_back(Cell(row, 1) + "|" + Cell(row, 2));
        PostMessageA(dialog, WM_NULL, 0, 0);
    });
    Click(w, IDC_COPY_FILES);
    PumpFor(20);
    EXPECT_EQ(seen, std::vector<std::string>(3, "|"));
    EXPECT_EQ(ResultOf("IMG_1.JPG"), "OK");

    // A run refused before it starts keeps the cells.
    Click(w, IDC_ANOTHER_FOLDER);
    SetDlgItemTextA(w, IDC_OUTPUT_FOLDER, "");
    catcher.SetAction(nullptr);
    Click(w, IDC_COPY_FILES);
    EXPECT_EQ(ResultOf("IMG_1.JPG"), "OK");
}

TEST_F(RunRowsTest, CtrlZUndoesTheRunAndTheListShowsTheFilesWhereTheyAreNow)
{
    HWND w = OpenOnCamera();
    MessageBoxCatcher catcher(IDYES);
    catcher.OnlyMessageBoxes();
    MessageBoxCatcher::Ignore(w);
    Click(w, IDC_MOVE_FILES);
    PumpFor(20);
    ASSERT_TRUE(Exists(tree.Path("sorted\\2012\\2012_01\\IMG_1.JPG")));
    ASSERT_FALSE(Exists(tree.Path("camera\\IMG_1.JPG")));

    // Ctrl+Z in the list, as the dialog's loop hands it on; Z alone does nothing.
    HWND list = GetDlgItem(w, IDC_FILE_LIST);
    SetFocus(list);
    MSG z {list, WM_KEYDOWN, 'Z', 0, 0, {}};
    IsDialogMessageA(w, &z);
    PumpFor(20);
    EXPECT_TRUE(catcher.Caught().empty());
    SetKey(VK_CONTROL, true);
    IsDialogMessageA(w, &z);
    SetKey(VK_CONTROL, false);
    PumpFor(20);
    ASSERT_EQ(catcher.Caught().size(), 1u);
    EXPECT_NE(catcher.Caught()[0].text.find("2 moved files go back"), std::string::npos)
            << catcher.Caught()[0].text;
    EXPECT_TRUE(Exists(tree.Path("camera\\IMG_1.JPG")));
    EXPECT_TRUE(Exists(tree.Path("camera\\IMG_2.JPG")));

    // The run's files, in the run's order, back at their sources; the file the run failed on
    // was never moved and is not part of the run.
    ASSERT_EQ(Rows(), 2);
    EXPECT_EQ(Cell(0, 0), tree.Path("camera\\IMG_1.JPG"));
    EXPECT_EQ(Cell(1, 0), tree.Path("camera\\IMG_2.JPG"));
    for (int row = 0; row < 2; ++row) {
        EXPECT_EQ(Cell(row, 1), "") << row;
        EXPECT_EQ(Cell(row, 2).rfind("Moved back", 0), 0u) << Cell(row, 2);
    }
    EXPECT_EQ(Total(w), "Total: 2");
    EXPECT_EQ(Summary(w), "2 files: 2 put back, 0 left where they are");

    // In an edit box Ctrl+Z is the box's own.
    HWND edit = GetWindow(GetDlgItem(w, IDC_OUTPUT_FOLDER), GW_CHILD);
    ASSERT_NE(edit, nullptr);
    SetFocus(edit);
    MSG editZ {edit, WM_KEYDOWN, 'Z', 0, 0, {}};
    SetKey(VK_CONTROL, true);
    IsDialogMessageA(w, &editZ);
    SetKey(VK_CONTROL, false);
    PumpFor(20);
    EXPECT_EQ(catcher.Caught().size(), 1u);

    // Once more: nothing is left to undo, and the message says so in plain words.
    SetFocus(list);
    SetKey(VK_CONTROL, true);
    IsDialogMessageA(w, &z);
    SetKey(VK_CONTROL, false);
    PumpFor(20);
    ASSERT_EQ(catcher.Caught().size(), 2u);
    EXPECT_EQ(catcher.Caught()[1].text, "There is nothing left to undo: the last run was undone already.");
    EXPECT_EQ(catcher.Caught()[1].icon, MessageIcon::Information);
}

TEST_F(RunRowsTest, AnUndoListsAFileItLeftWhereTheRunPutIt)
{
    HWND w = OpenOnCamera();
    MessageBoxCatcher catcher(IDYES);
    catcher.OnlyMessageBoxes();
    MessageBoxCatcher::Ignore(w);
    Click(w, IDC_MOVE_FILES);
    PumpFor(20);
    // A file changed since the run stays where it is.
    const std::string changed = tree.Path("sorted\\2013\\2013_11\\IMG_2.JPG");
    ASSERT_TRUE(WriteText(changed, "changed since"));
    SendMessageA(w, WM_COMMAND, ID_UNDO_LAST_RUN, 0);
    PumpFor(20);
    ASSERT_EQ(Rows(), 2);
    EXPECT_EQ(Cell(0, 0), tree.Path("camera\\IMG_1.JPG"));
    EXPECT_EQ(Cell(1, 0), changed);
    EXPECT_NE(Cell(1, 2), "");
    EXPECT_EQ(Cell(1, 2).rfind("Moved back", 0), std::string::npos) << Cell(1, 2);
    EXPECT_EQ(Summary(w), "2 files: 1 put back, 1 left where they are");
}

TEST_F(RunRowsTest, RowsSayWhenADateCameFromTheFileTimeOrTheFileIsGone)
{
    SetDword("MoveType", 600);  // the capture date, else the date modified
    HWND w = OpenOnCamera();
    ASSERT_TRUE(DeleteFileA(tree.Path("camera\\IMG_2.JPG").c_str()));
    Click(w, IDC_PREVIEW);
    PumpFor(20);
    EXPECT_EQ(ResultOf("IMG_1.JPG"), "Will copy");
    EXPECT_EQ(ResultOf("nodate.jpg"), "Will copy (date modified)");
    EXPECT_EQ(ResultOf("IMG_2.JPG"), "Will fail (The file is not there any more)");
    EXPECT_EQ(Summary(w),
              "3 files: 2 OK, 1 failed, 0 skipped (1 by file date) (preview: nothing was changed)");

    Click(w, IDC_COPY_FILES);
    PumpFor(20);
    EXPECT_EQ(ResultOf("nodate.jpg"), "OK (date modified)");
    EXPECT_EQ(Summary(w), "3 files: 2 copied, 1 failed, 0 skipped (1 by file date)");

    // By the date modified alone, that date is no stand-in.
    SelectMode(w, 200);
    Click(w, IDC_PREVIEW);
    PumpFor(20);
    EXPECT_EQ(ResultOf("nodate.jpg"), "Will copy");

    // The other file times name themselves, and the summary counts them alike.
    for (const auto& [mode, time] : {std::pair {700u, "created"}, std::pair {800u, "accessed"}}) {
        SelectMode(w, mode);
        Click(w, IDC_PREVIEW);
        PumpFor(20);
        EXPECT_EQ(ResultOf("nodate.jpg"), std::string("Will copy (date ") + time + ")");
        EXPECT_EQ(Summary(w),
                  "3 files: 2 OK, 1 failed, 0 skipped (1 by file date) (preview: nothing was changed)");
    }
}

TEST_F(RunRowsTest, ChangingASettingAfterAPreviewSaysThePreviewIsOld)
{
    HWND w = OpenOnCamera();
    Click(w, IDC_PREVIEW);
    PumpFor(20);
    const std::string summary = Summary(w);
    ASSERT_EQ(summary, "3 files: 2 OK, 1 failed, 0 skipped (preview: nothing was changed)");
    // A command that changes no setting leaves the preview as it is.
    Command(w, IDC_DAY_FORMAT, CBN_DROPDOWN);
    SetFocus(GetDlgItem(w, IDC_OUTPUT_FOLDER));
    EXPECT_EQ(Summary(w), summary);

    Click(w, IDC_DAY_FOLDER);
    EXPECT_EQ(Summary(w),
              "Settings changed since this Preview: press Preview again to see what a run would do.");
    Click(w, IDC_PREVIEW);
    PumpFor(20);
    EXPECT_EQ(Summary(w), summary);
    // The output folder typed anew counts too.
    SetDlgItemTextA(w, IDC_OUTPUT_FOLDER, tree.Path("elsewhere").c_str());
    Command(w, IDC_OUTPUT_FOLDER, CBN_EDITCHANGE);
    EXPECT_EQ(Summary(w),
              "Settings changed since this Preview: press Preview again to see what a run would do.");
}

TEST_F(RunRowsTest, EscapeAndAltCInTheProgressWindowCancelTheRun)
{
    std::vector<std::string> paths;
    for (int i = 0; i < 4; ++i) {
        paths.push_back(tree.Path("f" + std::to_string(i) + ".txt"));
        ASSERT_TRUE(WriteText(paths.back(), "x"));
    }
    SetDword("MoveType", 500);  // by extension: no metadata needed
    HWND w = Open();
    ASSERT_TRUE(SendDrop(w, paths));
    for (const bool escape : {true, false}) {
        SCOPED_TRACE(escape ? "Escape" : "Alt+C");
        // The key comes as soon as the progress window shows: the run finishes one file.
        MessageBoxCatcher catcher;
        ASSERT_TRUE(catcher.Installed());
        MessageBoxCatcher::Ignore(w);
        catcher.SetAction([escape](HWND dialog) {
            HWND cancel = GetDlgItem(dialog, IDC_PROGRESS_CANCEL);
            if (escape)
                PostMessageA(cancel, WM_KEYDOWN, VK_ESCAPE, 0);
            else
                PostMessageA(cancel, WM_SYSCHAR, 'c', 1 << 29);
        });
        Click(w, escape ? IDC_COPY_FILES : IDC_MOVE_FILES);
        PumpFor(50);
        EXPECT_EQ(Summary(w), std::string("4 files: 1 ") + (escape ? "copied" : "moved") +
                                      ", 0 failed, 0 skipped, cancelled after 1");
        EXPECT_TRUE(IsWindowEnabled(w));
    }
}

TEST_F(RunRowsTest, ADateInTheNameCountsInEveryModeThatLooksForTheCaptureDate)
{
    const std::string shot = tree.Path("IMG_20200101_123456.jpg");
    ASSERT_TRUE(WriteData(shot, qmtest::MinimalJpeg(qmtest::Ifd())));
    SetDword("MoveType", 100);  // by the date picture taken alone
    SetDword("NameDates", 1);
    HWND w = OpenOnCamera();
    ASSERT_TRUE(SendDrop(w, {shot}));
    Click(w, IDC_COPY_FILES);
    PumpFor(20);
    EXPECT_EQ(ResultOf("IMG_20200101_123456.jpg"), "OK (date from file name)");
    EXPECT_TRUE(Exists(tree.Path("sorted\\2020\\2020_01\\IMG_20200101_123456.jpg")));
    // A file with a capture date keeps it; one with neither still fails.
    EXPECT_EQ(ResultOf("IMG_1.JPG"), "OK");
    EXPECT_EQ(ResultOf("nodate.jpg"), "Failed to get date picture taken. Maybe no EXIF info in the file");
}

// Backups as a user sets them: the box ticked in Options and the folder typed beside it. The
// preview says where each backup would go and makes none; the copy makes each one below the
// backup folder at the place its file has below the output folder, the row says where, and a
// backup that cannot be made (a file stands where its folder must go) fails alone, counted under
// the list. A message box shown on the way would be answered as a user would, and fails the test.
TEST_F(RunRowsTest, BackupsSetInOptionsArePreviewedMadeAndTheFailedOneCounted)
{
    ASSERT_TRUE(CreateDirectoryA(tree.Path("backup").c_str(), nullptr));
    ASSERT_TRUE(WriteText(tree.Path("backup\\2013"), "not a folder"));
    const std::string backup = tree.Path("backup\\");
    MessageBoxCatcher catcher;
    ASSERT_TRUE(catcher.Installed());
    std::vector<std::string> messages;
    catcher.SetAction([&](HWND dialog) {
        if (HWND box = GetDlgItem(dialog, IDC_OPT_BACKUP)) {
            SendMessageA(box, BM_CLICK, 0, 0);
            SetDlgItemTextA(dialog, IDC_OPT_BACKUP_FOLDER, backup.c_str());
            PostMessageA(dialog, WM_COMMAND, IDOK, 0);
        } else if (GetDlgItem(dialog, 0xFFFF) != nullptr) {
            char text[1024] = "";
            GetDlgItemTextA(dialog, 0xFFFF, text, sizeof text);
            messages.push_back(text);
            const int button = GetDlgItem(dialog, IDYES) != nullptr ? IDYES : IDOK;
            PostMessageA(dialog, WM_COMMAND, MAKEWPARAM(button, BN_CLICKED),
                         reinterpret_cast<LPARAM>(GetDlgItem(dialog, button)));
        }
        // The progress window is left to the run.
    });
    HWND w = OpenOnCamera();
    MessageBoxCatcher::Ignore(w);
    Click(w, IDC_OPTIONS);
    PumpFor(20);
    ASSERT_EQ(dialog_->Options().MakeBackup, 1u);
    ASSERT_EQ(dialog_->Options().BackupFolder, backup);
    const std::string sorted = tree.Path("sorted\\");
    const auto BackupOf = [&](const std::string& target) {
        return target.rfind(sorted, 0) == 0 ? backup + target.substr(sorted.size())
                                            : "(not below the output)";
    };

    const auto before = FilesBelow(tree.Root());
    Click(w, IDC_PREVIEW);
    PumpFor(20);
    EXPECT_EQ(FilesBelow(tree.Root()), before);
    EXPECT_EQ(ResultOf("IMG_1.JPG"), "Will copy; backup to " + BackupOf(Cell(0, 1)));
    EXPECT_EQ(ResultOf("IMG_2.JPG").rfind("Will copy, backup failed: ", 0), 0u) << ResultOf("IMG_2.JPG");
    EXPECT_EQ(Summary(w),
              "3 files: 2 OK, 1 failed, 0 skipped, 1 backup failed (preview: nothing was changed)");

    Click(w, IDC_COPY_FILES);
    PumpFor(50);
    EXPECT_TRUE(IsWindowEnabled(w));
    std::map<std::string, std::string> targets;  // by source name
    for (int row = 0; row < Rows(); ++row)
        targets[Cell(row, 0).substr(Cell(row, 0).rfind('\\') + 1)] = Cell(row, 1);
    const std::string first = targets["IMG_1.JPG"], second = targets["IMG_2.JPG"];
    ASSERT_EQ(first.rfind(sorted + "2012\\", 0), 0u) << first;
    EXPECT_EQ(ResultOf("IMG_1.JPG"), "OK; backup to " + BackupOf(first));
    EXPECT_EQ(ReadText(BackupOf(first)), ReadText(tree.Path("camera\\IMG_1.JPG")));
    EXPECT_EQ(ReadText(first), ReadText(tree.Path("camera\\IMG_1.JPG")));
    EXPECT_EQ(ResultOf("IMG_2.JPG").rfind("OK, backup failed: ", 0), 0u) << ResultOf("IMG_2.JPG");
    EXPECT_EQ(ReadText(second), ReadText(tree.Path("camera\\IMG_2.JPG")));
    EXPECT_EQ(ReadText(tree.Path("backup\\2013")), "not a folder");
    EXPECT_EQ(Summary(w), "3 files: 2 copied, 1 failed, 0 skipped, 1 backup failed");
    // Nothing on the way asks the user: the output and backup folders are made without a word.
    EXPECT_EQ(messages, std::vector<std::string> {});
}
