// The file list's context menu, its per-row commands, and the Meta/EXIF window with the real
// metadata tool: rows, Copy, stepping, failures and placement.
#include <gtest/gtest.h>

#include <windows.h>
#include <commctrl.h>

#include <algorithm>
#include <map>

#include "engine/FileTransfer.h"
#include "engine/RunsFolder.h"
#include "engine/SettingsStore.h"
#include "metadata/MetaToolRunner.h"
#include "resource.h"
#include "tests/support/DropBuilder.h"
#include "tests/support/JpegBuilder.h"
#include "tests/support/MessageBoxCatcher.h"
#include "tests/support/PumpUntil.h"
#include "tests/support/StatusCheck.h"
#include "tests/support/TempTree.h"
#include "ui/ExifInfoDialog.h"
#include "tests/support/IsoSamples.h"
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

    std::string Cell(int row, int column)
    {
        char text[1024] = {};
        ListView_GetItemText(list, row, column, text, sizeof text);
        return text;
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
    main->List().SetCell(5, 1, tree.Path("t5.jpg"));
    EXPECT_FALSE(MenuStates()[ID_OPEN_TARGET]);
    main->List().SetCell(2, 1, tree.Path("t2.jpg"));
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

TEST_F(ContextTest, UndoLastRunAsksWithTheCountsAndShowsEachFilesOutcome)
{
    const std::string runs = tree.Path("runs\\");
    SetEnvironmentVariableA(kRunsFolderVariable, runs.c_str());
    MessageBoxCatcher catcher(IDNO);
    catcher.OnlyMessageBoxes();
    MessageBoxCatcher::Ignore(w);
    SendMessageA(w, WM_COMMAND, ID_UNDO_LAST_RUN, 0);
    ASSERT_EQ(catcher.Caught().size(), 1u);
    EXPECT_EQ(catcher.Caught()[0].text, "There is no run to undo.");

    // A run that moved two files, recorded as every run is.
    const std::vector<std::string> sources {tree.Path("a.jpg"), tree.Path("b.jpg")};
    const std::vector<std::string> targets {tree.Path("out\\a.jpg"), tree.Path("out\\b.jpg")};
    for (const auto& source : sources)
        ASSERT_TRUE(WriteData(source, SampleJpeg(source)));
    {
        RunJournal journal(SystemFileOps());
        JournalHeader header;
        header.started = "2026-12-08 09:00:00";
        header.move = true;
        ASSERT_TRUE(Succeeded(journal.Open(runs, "20261208-090000-000", header, 50)));
        RealFileSystem real;
        JournalFileSystem fs(real, journal);
        ASSERT_TRUE(fs.EnsureFolder(tree.Path("out\\")));
        for (int i = 0; i < 2; ++i)
            ASSERT_EQ(fs.Transfer(sources[i], targets[i], true), TransferOutcome::Done);
    }
    ASSERT_TRUE(SendDrop(w, {tree.Path("other.jpg")}));

    // No: nothing changes.
    SendMessageA(w, WM_COMMAND, ID_UNDO_LAST_RUN, 0);
    ASSERT_EQ(catcher.Caught().size(), 2u);
    EXPECT_EQ(catcher.Caught()[1].text,
              "Undo the run of 2026-12-08 09:00:00?\n\n2 moved files go back where they "
              "were.\nFolders the run created are removed when empty. Files changed since "
              "the run are left where they are.");
    EXPECT_EQ(catcher.Caught()[1].icon, MessageIcon::Question);
    EXPECT_TRUE(Exists(targets[0]));
    EXPECT_EQ(ListView_GetItemCount(list), 1);

    // Yes: the files go back and the list shows them where they are now, in the run's order.
    catcher.SetAnswer(IDYES);
    SendMessageA(w, WM_COMMAND, ID_UNDO_LAST_RUN, 0);
    PumpFor(50);
    ASSERT_EQ(catcher.Caught().size(), 3u) << catcher.Caught().back().text;
    EXPECT_TRUE(Exists(sources[0]));
    EXPECT_TRUE(Exists(sources[1]));
    EXPECT_FALSE(Exists(tree.Path("out\\")));
    ASSERT_EQ(ListView_GetItemCount(list), 2);
    EXPECT_EQ(Cell(0, 0), sources[0]);
    EXPECT_EQ(Cell(0, 1), "");
    EXPECT_EQ(Cell(0, 2), "Moved back");
    EXPECT_EQ(Cell(1, 0), sources[1]);
    EXPECT_EQ(Cell(1, 2), "Moved back");
    EXPECT_TRUE(IsWindowEnabled(w));

    // Once undone, the run is not undone again.
    SendMessageA(w, WM_COMMAND, ID_UNDO_LAST_RUN, 0);
    ASSERT_EQ(catcher.Caught().size(), 4u);
    EXPECT_EQ(catcher.Caught()[3].text, "There is nothing left to undo: the last run was undone already.");
    EXPECT_EQ(catcher.Caught()[3].icon, MessageIcon::Information);
    SetEnvironmentVariableA(kRunsFolderVariable, nullptr);
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
        // Reading the file for the window may itself move its access time on (Linux under Wine
        // does on most reads; Windows keeps it within an hour or not at all).
        if (field.name != "File Access Date/Time") {
            EXPECT_EQ(field.value, value);
        }
        EXPECT_NE(field.name, "File Size");  // dropped lines never reach the window
        expected += std::string(name) + " : " + value + "\r\n";
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

// The Meta/EXIF window's rows: their names in order, and each name's value.
void ReadFieldRows(HWND fields, std::vector<std::string>& names, std::map<std::string, std::string>& values)
{
    for (int row = 0; row < ListView_GetItemCount(fields); ++row) {
        char name[256], value[1024];
        ListView_GetItemText(fields, row, 0, name, sizeof name);
        ListView_GetItemText(fields, row, 1, value, sizeof value);
        names.push_back(name);
        values[name] = value;
    }
}

TEST_F(ContextTest, ExifWindowShowsThePlaceAfterTheGpsLines)
{
    if (!HaveTool())
        GTEST_SKIP() << "metaprobe.exe is not built in " << QM_DIST_DIR;
    qmtest::Ifd ifd0;
    ifd0.Ascii(0x010F, "Phone").Sub(0x8825, qmtest::GpsIfd(48.5730, 7.8152));
    const std::string kehl = tree.Path("kehl.jpg");
    ASSERT_TRUE(WriteData(kehl, qmtest::MinimalJpeg(ifd0)));
    const std::string plain = tree.Path("plain.jpg");
    ASSERT_TRUE(WriteData(plain, SampleJpeg("Maker One")));
    MetaToolRunner runner(ToolConfig());
    ASSERT_TRUE(runner.RunTool(kehl));

    ExifInfoDialog dialog({kehl, nullptr, ToolConfig()});
    ASSERT_TRUE(dialog.Create(w));
    HWND fields = GetDlgItem(dialog.Handle(), IDC_EXIF_LIST);
    ASSERT_EQ(ListView_GetItemCount(fields), static_cast<int>(runner.Fields().size()) + 1);
    std::vector<std::string> names;
    std::map<std::string, std::string> values;
    ReadFieldRows(fields, names, values);
    const auto place = std::find(names.begin(), names.end(), "Place");
    ASSERT_NE(place, names.end());
    EXPECT_EQ(*(place - 1), "GPS Position");
    EXPECT_EQ(values["Place"], "Kehl, Baden-W\xC3\xBCrttemberg, Germany (0.0 km)");
    dialog.End(IDCANCEL);

    // A file without a position has no place line.
    ExifInfoDialog without({plain, nullptr, ToolConfig()});
    ASSERT_TRUE(without.Create(w));
    HWND plainFields = GetDlgItem(without.Handle(), IDC_EXIF_LIST);
    for (int row = 0; row < ListView_GetItemCount(plainFields); ++row) {
        char name[256];
        ListView_GetItemText(plainFields, row, 0, name, sizeof name);
        EXPECT_STRNE(name, "Place");
    }
    without.End(IDCANCEL);
}

// A video keeps its date in UTC: the window gives it in the local time where it was taken, and says
// which zone that is, right after the date it comes from.
TEST_F(ContextTest, ExifWindowGivesAVideosLocalTimeAndItsZone)
{
    if (!HaveTool())
        GTEST_SKIP() << "metaprobe.exe is not built in " << QM_DIST_DIR;
    // 2019-07-14 21:30 UTC is the next morning in Tokyo.
    const std::string video = tree.Path("tokyo.mov");
    ASSERT_TRUE(WriteData(video, qmtest::PhoneVideo({1563139800, "", "", "+35.6895+139.6917/"})));
    ExifInfoDialog dialog({video, nullptr, ToolConfig()});
    ASSERT_TRUE(dialog.Create(w));
    HWND fields = GetDlgItem(dialog.Handle(), IDC_EXIF_LIST);
    std::vector<std::string> names;
    std::map<std::string, std::string> values;
    ReadFieldRows(fields, names, values);
    const auto local = std::find(names.begin(), names.end(), "Local Time Taken");
    ASSERT_NE(local, names.end());
    EXPECT_EQ(*(local - 1), "Create Date");
    EXPECT_EQ(values["Local Time Taken"], "2019:07:15 06:30:00 (Asia/Tokyo from the GPS position)");
    dialog.End(IDCANCEL);

    // A photo's capture date is local already: no such line.
    const std::string photo = tree.Path("photo.jpg");
    ASSERT_TRUE(WriteData(photo, SampleJpeg("Maker One")));
    ExifInfoDialog plain({photo, nullptr, ToolConfig()});
    ASSERT_TRUE(plain.Create(w));
    HWND plainFields = GetDlgItem(plain.Handle(), IDC_EXIF_LIST);
    for (int row = 0; row < ListView_GetItemCount(plainFields); ++row) {
        char name[256];
        ListView_GetItemText(plainFields, row, 0, name, sizeof name);
        EXPECT_STRNE(name, "Local Time Taken");
    }
    plain.End(IDCANCEL);
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

TEST_F(ContextTest, ExifWindowShowsAndCopiesValuesInAnyScriptAsUnicode)
{
    if (!HaveTool())
        GTEST_SKIP() << "metaprobe.exe is not built in " << QM_DIST_DIR;
    ASSERT_EQ(GetACP(), static_cast<UINT>(CP_UTF8)) << "the program's manifest sets UTF-8";
    const auto wide = [](const std::string& utf8) {
        const int n = MultiByteToWideChar(CP_UTF8, 0, utf8.data(), static_cast<int>(utf8.size()), nullptr, 0);
        std::wstring text(static_cast<size_t>(n), L'\0');
        MultiByteToWideChar(CP_UTF8, 0, utf8.data(), static_cast<int>(utf8.size()), text.data(), n);
        return text;
    };
    const std::string maker =
            "\xD0\x9F\xD1\x80\xD0\xB8\xD0\xB2\xD0\xB5\xD1\x82 \xF0\x9F\x98\x80";  // Привет 😀
    const std::string jpeg = tree.Path("\xE6\x97\xA5\xE6\x9C\xAC.jpg");  // 日本.jpg
    ASSERT_TRUE(WriteData(jpeg, SampleJpeg(maker)));

    ExifInfoDialog dialog({jpeg, nullptr, ToolConfig()});
    ASSERT_TRUE(dialog.Create(w));
    wchar_t caption[MAX_PATH] = L"";
    GetWindowTextW(dialog.Handle(), caption, MAX_PATH);
    EXPECT_EQ(std::wstring(caption), wide(jpeg));
    // The list shows the value as its characters: read back in the wide form.
    HWND fields = GetDlgItem(dialog.Handle(), IDC_EXIF_LIST);
    bool shown = false;
    for (int row = 0; row < ListView_GetItemCount(fields); ++row) {
        wchar_t value[256] = L"";
        LVITEMW item {};
        item.iSubItem = 1;
        item.pszText = value;
        item.cchTextMax = 256;
        SendMessageW(fields, LVM_GETITEMTEXTW, row, reinterpret_cast<LPARAM>(&item));
        shown = shown || std::wstring(value) == wide(maker);
    }
    EXPECT_TRUE(shown);
    SendMessageA(dialog.Handle(), WM_COMMAND, IDC_EXIF_COPY, 0);
    std::wstring copied;
    ASSERT_TRUE(OpenClipboard(dialog.Handle()));
    if (HANDLE data = GetClipboardData(CF_UNICODETEXT)) {
        if (const wchar_t* p = static_cast<const wchar_t*>(GlobalLock(data))) {
            copied = p;
            GlobalUnlock(data);
        }
    }
    CloseClipboard();
    EXPECT_EQ(copied.rfind(wide(jpeg) + L"\r\n", 0), 0u);
    EXPECT_NE(copied.find(L"Make : " + wide(maker) + L"\r\n"), std::wstring::npos);
    EXPECT_EQ(ClipboardText(dialog.Handle()).rfind(jpeg + "\r\n", 0), 0u);
    dialog.End(IDCANCEL);
}
