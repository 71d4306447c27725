// The main window from the keyboard: Tab goes through the controls in screen order, and the
// file list takes Delete, Enter and Ctrl+A.
#include "tests/ui/main/MainWindowFixture.h"

using namespace mainwindow;

namespace {

// The control IDs Tab reaches, starting after the given control, until it comes back to it.
std::vector<int> TabCycle(HWND dialog, int first)
{
    std::vector<int> ids;
    HWND start = GetDlgItem(dialog, first);
    HWND control = start;
    for (int guard = 0; guard < 100; ++guard) {
        control = GetNextDlgTabItem(dialog, control, FALSE);
        if (!control || control == start)
            break;
        ids.push_back(GetDlgCtrlID(control));
    }
    return ids;
}

void SetKey(BYTE key, bool down)
{
    BYTE keys[256];
    GetKeyboardState(keys);
    keys[key] = down ? 0x80 : 0;
    SetKeyboardState(keys);
}

}  // namespace

TEST_F(MainWindowTest, TabFollowsTheScreen)
{
    HWND w = Open();
    Click(w, IDC_RENAME_TARGET);
    Click(w, IDC_ANOTHER_FOLDER);
    const std::vector<int> expected {
            IDC_ADD_FILES,      IDC_ADD_FOLDER,    IDC_REMOVE_ALL,    IDC_OPTIONS,         IDC_HELP_MORE,
            IDC_CLOSE,          IDC_ORGANIZE_MODE, IDC_PREVIEW,       IDC_MOVE_FILES,      IDC_COPY_FILES,
            IDC_YEAR_FOLDER,    IDC_MONTH_FOLDER,  IDC_MONTH_FORMAT,  IDC_MONTH_TAGS,      IDC_DAY_FOLDER,
            IDC_DAY_FORMAT,     IDC_DAY_TAGS,      IDC_RENAME_TARGET, IDC_FILENAME_FORMAT, IDC_FILENAME_TAGS,
            IDC_ANOTHER_FOLDER, IDC_OUTPUT_FOLDER, IDC_BROWSE_OUTPUT, IDC_OPEN_OUTPUT};
    EXPECT_EQ(TabCycle(w, IDC_FILE_LIST), expected);
}

TEST_F(MainWindowTest, ListKeysDeleteSelectAllAndOpenTheMetaWindow)
{
    TempTree tree;
    std::vector<std::string> paths;
    for (int i = 0; i < 4; ++i) {
        paths.push_back(tree.Path("k" + std::to_string(i) + ".jpg"));
        ASSERT_TRUE(WriteText(paths.back(), "x"));
    }
    HWND w = Open();
    ASSERT_TRUE(SendDrop(w, paths));
    HWND list = GetDlgItem(w, IDC_FILE_LIST);
    SetFocus(list);

    ListView_SetItemState(list, 1, LVIS_SELECTED, LVIS_SELECTED);
    SendMessageA(list, WM_KEYDOWN, VK_DELETE, 0);
    EXPECT_EQ(Rows(), 3);
    EXPECT_EQ(Total(w), "Total: 3");
    EXPECT_EQ(Cell(1, 0), paths[2]);

    // 'A' alone selects nothing more; with Ctrl down every row.
    ListView_SetItemState(list, -1, 0, LVIS_SELECTED);
    SendMessageA(list, WM_KEYDOWN, 'A', 0);
    EXPECT_EQ(ListView_GetSelectedCount(list), 0u);
    SetKey(VK_CONTROL, true);
    SendMessageA(list, WM_KEYDOWN, 'A', 0);
    SetKey(VK_CONTROL, false);
    EXPECT_EQ(ListView_GetSelectedCount(list), 3u);

    // Enter in the list, as the dialog manager hands it on, opens the Meta/EXIF window for the
    // selected row (here the file is gone, so the window says so); Enter elsewhere does nothing.
    ASSERT_TRUE(DeleteFileA(paths[0].c_str()));
    ListView_SetItemState(list, -1, 0, LVIS_SELECTED);
    ListView_SetItemState(list, 0, LVIS_SELECTED | LVIS_FOCUSED, LVIS_SELECTED | LVIS_FOCUSED);
    MessageBoxCatcher catcher;
    ASSERT_TRUE(catcher.Installed());
    MessageBoxCatcher::Ignore(w);
    SetFocus(GetDlgItem(w, IDC_OPTIONS));
    SendMessageA(w, WM_COMMAND, IDOK, 0);
    EXPECT_TRUE(catcher.Caught().empty());
    SetFocus(list);
    MSG enter {list, WM_KEYDOWN, VK_RETURN, 0, 0, {}};
    IsDialogMessageA(w, &enter);
    PumpFor(50);
    ASSERT_EQ(catcher.Caught().size(), 1u);
    EXPECT_EQ(catcher.Caught()[0].text, "File \"" + paths[0] + "\" isn't available.");
}
