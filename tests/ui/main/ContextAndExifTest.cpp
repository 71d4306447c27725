// The file list's context menu, its per-row commands, and the Meta/EXIF window with the real
// metadata tool: rows, Copy, stepping, failures and placement.
#include <gtest/gtest.h>

#include <windows.h>
#include <commctrl.h>

#include <map>

#include "engine/SettingsStore.h"
#include "metadata/MetaToolRunner.h"
#include "resource.h"
#include "tests/support/DropBuilder.h"
#include "tests/support/JpegBuilder.h"
#include "tests/support/MessageBoxCatcher.h"
#include "tests/support/PumpUntil.h"
#include "tests/support/TempTree.h"
#include "ui/ExifInfoDialog.h"
#include "ui/MainDialog.h"

namespace {

const std::string kTool = QM_DIST_DIR "/metaprobe.exe";

bool HaveTool()
{
    return GetFileAttributesA(kTool.c_str()) != INVALID_FILE_ATTRIBUTES;
}

MetaToolConfig ToolConfig()
{
    MetaToolConfig config;
    config.toolPath = kTool;
    return config;
}

std::vector<unsigned char> SampleJpeg(const std::string& maker)
{
    qmtest::Ifd exif;
    exif.Ascii(0x9003, "2012:01:27 10:46:15");
    qmtest::Ifd ifd0;
    ifd0.Ascii(0x010F, maker).Short(0x0112, 6).Sub(0x8769, exif);
    return qmtest::MinimalJpeg(ifd0);
}

std::string ClipboardText(HWND owner)
{
    std::string text;
    if (!OpenClipboard(owner))
        return text;
    if (HANDLE data = GetClipboardData(CF_TEXT)) {
        if (const char* p = static_cast<const char*>(GlobalLock(data))) {
            text = p;
            GlobalUnlock(data);
        }
    }
    CloseClipboard();
    return text;
}

class ContextTest : public ::testing::Test {
protected:
    TempTree tree;
    std::unique_ptr<MainDialog> main;
    HWND w = nullptr;
    HWND list = nullptr;
    HMENU menus = nullptr;

    void SetUp() override
    {
        RegDeleteTreeA(HKEY_CURRENT_USER, kProgramKey);
        HKEY key;
        ASSERT_EQ(RegCreateKeyExA(HKEY_CURRENT_USER, kOptionsKey, 0, nullptr, 0, KEY_SET_VALUE, nullptr, &key,
                                  nullptr),
                  ERROR_SUCCESS);
        const DWORD zero = 0;
        RegSetValueExA(key, "FirstRun", 0, REG_DWORD, reinterpret_cast<const BYTE*>(&zero), sizeof zero);
        RegCloseKey(key);
        main = std::make_unique<MainDialog>();
        main->ToolConfig() = ToolConfig();
        ASSERT_TRUE(main->Create(nullptr));
        w = main->Handle();
        list = GetDlgItem(w, IDC_FILE_LIST);
        menus = LoadMenuA(GetModuleHandleA(nullptr), MAKEINTRESOURCEA(IDR_POPUPS));
        ASSERT_NE(menus, nullptr);
    }

    void TearDown() override
    {
        DestroyMenu(menus);
        SendMessageA(w, WM_COMMAND, IDC_CLOSE, 0);
        PumpFor(20);
        main.reset();
        RegDeleteTreeA(HKEY_CURRENT_USER, kProgramKey);
    }

    // The enabled state of every command of the list's popup after the window prepared it.
    std::map<UINT, bool> MenuStates()
    {
        HMENU popup = GetSubMenu(menus, 0);
        SendMessageA(w, WM_INITMENUPOPUP, reinterpret_cast<WPARAM>(popup), MAKELPARAM(0, FALSE));
        std::map<UINT, bool> states;
        for (int i = 0; i < GetMenuItemCount(popup); ++i) {
            const UINT id = GetMenuItemID(popup, i);
            if (id != 0 && id != static_cast<UINT>(-1))
                states[id] = !(GetMenuState(popup, i, MF_BYPOSITION) & (MF_GRAYED | MF_DISABLED));
        }
        return states;
    }

    void Select(std::initializer_list<int> rows)
    {
        ListView_SetItemState(list, -1, 0, LVIS_SELECTED);
        for (int row : rows)
            ListView_SetItemState(list, row, LVIS_SELECTED, LVIS_SELECTED);
    }
};

}  // namespace

TEST_F(ContextTest, PopupItemsFollowTheSelectionAndTargets)
{
    auto states = MenuStates();
    for (UINT id :
         {ID_META_INFO, ID_OPEN_SOURCE, ID_OPEN_TARGET, ID_BROWSE_SOURCE, ID_BROWSE_TARGET, IDC_REMOVE})
        EXPECT_FALSE(states[id]) << id;
    for (UINT id : {IDC_ADD_FILES, IDC_ADD_FOLDER, IDC_REMOVE_ALL, IDC_CLOSE})
        EXPECT_TRUE(states[id]) << id;

    std::vector<std::string> paths;
    for (int i = 0; i < 6; ++i)
        paths.push_back(tree.Path("f" + std::to_string(i) + ".jpg"));
    ASSERT_TRUE(SendDrop(w, paths));
    Select({2, 5});
    states = MenuStates();
    EXPECT_TRUE(states[ID_META_INFO]);
    EXPECT_TRUE(states[ID_OPEN_SOURCE]);
    EXPECT_TRUE(states[IDC_REMOVE]);
    EXPECT_FALSE(states[ID_OPEN_TARGET]);
    EXPECT_FALSE(states[ID_BROWSE_TARGET]);
    // A target on row 5 only: the first selected row (2) decides.
    main->List().SetItemText(5, 1, tree.Path("t5.jpg").c_str());
    EXPECT_FALSE(MenuStates()[ID_OPEN_TARGET]);
    main->List().SetItemText(2, 1, tree.Path("t2.jpg").c_str());
    states = MenuStates();
    EXPECT_TRUE(states[ID_OPEN_TARGET]);
    EXPECT_TRUE(states[ID_BROWSE_TARGET]);

    // Every action uses row 2; its missing source and target are reported by path.
    MessageBoxCatcher catcher;
    MessageBoxCatcher::Ignore(w);
    for (int id : {ID_OPEN_SOURCE, ID_BROWSE_SOURCE, ID_OPEN_TARGET, ID_BROWSE_TARGET, ID_META_INFO})
        SendMessageA(w, WM_COMMAND, id, 0);
    ASSERT_EQ(catcher.Caught().size(), 5u);
    EXPECT_EQ(catcher.Caught()[0].text, "File \"" + paths[2] + "\" isn't available.");
    EXPECT_EQ(catcher.Caught()[0].caption, "Quillmere");
    EXPECT_EQ(catcher.Caught()[0].icon, MessageIcon::Exclamation);
    EXPECT_EQ(catcher.Caught()[1].text, "File \"" + paths[2] + "\" isn't available.");
    EXPECT_EQ(catcher.Caught()[2].text, "File \"" + tree.Path("t2.jpg") + "\" isn't available.");
    EXPECT_EQ(catcher.Caught()[3].text, "File \"" + tree.Path("t2.jpg") + "\" isn't available.");
    EXPECT_EQ(catcher.Caught()[4].text, "File \"" + paths[2] + "\" isn't available.");
}

TEST_F(ContextTest, SteppingStaysAtTheEnds)
{
    std::vector<std::string> paths = {tree.Path("a.jpg"), tree.Path("b.jpg"), tree.Path("c.jpg")};
    ASSERT_TRUE(SendDrop(w, paths));
    Select({0, 2});
    EXPECT_EQ(main->SelectPreviousRow(), paths[0]);
    EXPECT_EQ(ListView_GetSelectedCount(list), 1u);
    EXPECT_EQ(main->SelectNextRow(), paths[1]);
    EXPECT_EQ(main->SelectNextRow(), paths[2]);
    EXPECT_EQ(main->SelectNextRow(), paths[2]);
    EXPECT_EQ(ListView_GetNextItem(list, -1, LVNI_SELECTED | LVNI_FOCUSED), 2);
}

TEST_F(ContextTest, ExifWindowListsTheToolsFieldsAndCopiesThem)
{
    if (!HaveTool())
        GTEST_SKIP() << "metaprobe.exe is not built in " << QM_DIST_DIR;
    const std::string jpeg = tree.Path("one.jpg");
    ASSERT_TRUE(WriteData(jpeg, SampleJpeg("Maker One")));
    MetaToolRunner runner(ToolConfig());
    ASSERT_TRUE(runner.RunTool(jpeg));

    ExifInfoDialog dialog({jpeg, nullptr, ToolConfig()});
    ASSERT_TRUE(dialog.Create(w));
    HWND fields = GetDlgItem(dialog.Handle(), IDC_EXIF_LIST);
    ASSERT_EQ(ListView_GetItemCount(fields), static_cast<int>(runner.Fields().size()));
    std::string expected = jpeg + "\r\n";
    int row = 0;
    for (const MetaField& field : runner) {
        char name[256], value[1024];
        ListView_GetItemText(fields, row, 0, name, sizeof name);
        ListView_GetItemText(fields, row, 1, value, sizeof value);
        EXPECT_EQ(field.name, name);
        EXPECT_EQ(field.value, value);
        EXPECT_NE(field.name, "File Size");  // dropped lines never reach the window
        expected += field.name + " : " + field.value + "\r\n";
        ++row;
    }
    char caption[MAX_PATH];
    GetWindowTextA(dialog.Handle(), caption, sizeof caption);
    EXPECT_EQ(std::string(caption), jpeg);
    SendMessageA(dialog.Handle(), WM_COMMAND, IDC_EXIF_COPY, 0);
    EXPECT_EQ(ClipboardText(dialog.Handle()), expected);
    EXPECT_NE(expected.find("Orientation : Rotate 90 CW\r\n"), std::string::npos);
    dialog.End(IDCANCEL);
}

TEST_F(ContextTest, ExifWindowStepsThroughTheListAndSurvivesVanishedFiles)
{
    if (!HaveTool())
        GTEST_SKIP() << "metaprobe.exe is not built in " << QM_DIST_DIR;
    const std::vector<std::string> paths = {tree.Path("a.jpg"), tree.Path("b.jpg"), tree.Path("c.jpg")};
    for (const auto& path : paths)
        ASSERT_TRUE(WriteData(path, SampleJpeg(path)));
    ASSERT_TRUE(SendDrop(w, paths));
    // The same path listed twice (another letter case is a distinct row only by its text).
    Select({0});

    ExifInfoDialog dialog({paths[0], main.get(), ToolConfig()});
    ASSERT_TRUE(dialog.Create(w));
    HWND d = dialog.Handle();
    MessageBoxCatcher catcher;
    MessageBoxCatcher::Ignore(w);
    MessageBoxCatcher::Ignore(d);
    EXPECT_EQ(dialog.LoadCount(), 1);
    SendMessageA(d, WM_COMMAND, IDC_EXIF_PREVIOUS, 0);  // first row: nothing to reload
    EXPECT_EQ(dialog.LoadCount(), 1);
    SendMessageA(d, WM_COMMAND, IDC_EXIF_NEXT, 0);
    EXPECT_EQ(dialog.CurrentPath(), paths[1]);
    EXPECT_EQ(dialog.LoadCount(), 2);
    // A file that vanished: the failure message, an empty list; the next step fills it again.
    ASSERT_TRUE(DeleteFileA(paths[2].c_str()));
    SendMessageA(d, WM_COMMAND, IDC_EXIF_NEXT, 0);
    ASSERT_EQ(catcher.Caught().size(), 1u);
    EXPECT_EQ(catcher.Caught()[0].text,
              "Failed to load Exif information from the following file.\n\n" + paths[2]);
    EXPECT_EQ(catcher.Caught()[0].icon, MessageIcon::Exclamation);
    EXPECT_EQ(ListView_GetItemCount(GetDlgItem(d, IDC_EXIF_LIST)), 0);
    SendMessageA(d, WM_COMMAND, IDC_EXIF_NEXT, 0);  // last row: no reload
    EXPECT_EQ(dialog.LoadCount(), 3);
    SendMessageA(d, WM_COMMAND, IDC_EXIF_PREVIOUS, 0);
    EXPECT_GT(ListView_GetItemCount(GetDlgItem(d, IDC_EXIF_LIST)), 0);
    EXPECT_EQ(ListView_GetNextItem(list, -1, LVNI_SELECTED), 1);
    dialog.End(IDCANCEL);
}

TEST_F(ContextTest, ExifWindowRemembersPlacementAndColumns)
{
    const std::string missing = tree.Path("missing.tif");  // the tool reports nothing: fine here
    // The failure message shows while the window is being created, before the test could tell
    // the catcher to leave the window alone: only message boxes (they hold the text static
    // 0xFFFF) are answered.
    MessageBoxCatcher catcher;
    catcher.SetAction([](HWND dialog) {
        if (GetDlgItem(dialog, 0xFFFF))
            PostMessageA(dialog, WM_COMMAND, IDOK, 0);
    });
    MessageBoxCatcher::Ignore(w);
    {
        ExifInfoDialog dialog({missing, nullptr, ToolConfig()});
        ASSERT_TRUE(dialog.Create(w));
        MessageBoxCatcher::Ignore(dialog.Handle());
        HWND fields = GetDlgItem(dialog.Handle(), IDC_EXIF_LIST);
        EXPECT_EQ(ListView_GetColumnWidth(fields, 0), 200);
        EXPECT_EQ(ListView_GetColumnWidth(fields, 1), 340);
        EXPECT_FALSE(IsZoomed(dialog.Handle()));
        MoveWindow(dialog.Handle(), 50, 60, 1000, 800, TRUE);  // larger than its smallest size
        ListView_SetColumnWidth(fields, 0, 111);
        ShowWindow(dialog.Handle(), SW_SHOWMAXIMIZED);
        dialog.End(IDCANCEL);
    }
    ExifInfoDialog again({missing, nullptr, ToolConfig()});
    ASSERT_TRUE(again.Create(w));
    MessageBoxCatcher::Ignore(again.Handle());
    EXPECT_TRUE(IsZoomed(again.Handle()));
    WINDOWPLACEMENT placement {};
    placement.length = sizeof placement;
    ASSERT_TRUE(GetWindowPlacement(again.Handle(), &placement));
    EXPECT_EQ(placement.rcNormalPosition.left, 50);
    EXPECT_EQ(placement.rcNormalPosition.bottom, 860);
    EXPECT_EQ(ListView_GetColumnWidth(GetDlgItem(again.Handle(), IDC_EXIF_LIST), 0), 111);
    again.End(IDCANCEL);
}
