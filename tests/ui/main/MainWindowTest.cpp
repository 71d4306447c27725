// The main window, built from its real template and driven with messages under Wine: start-up
// on a fresh and on a stored registry, closing, drops, Remove, the organize controls' enabling
// and example line, message boxes, a whole Move run from the window, and runs undone from it.
#include <set>
#include <string>
#include <vector>

#include "engine/FolderScan.h"
#include "engine/RunsFolder.h"
#include "tests/ui/main/MainWindowFixture.h"
#include "tests/support/StatusCheck.h"

using namespace mainwindow;

TEST_F(MainWindowTest, FirstStartOnAFreshRegistry)
{
    HWND help = CreateWindowExA(0, "STATIC", "Quillmere Help", WS_OVERLAPPEDWINDOW | WS_MINIMIZE, 0, 0, 200,
                                100, nullptr, nullptr, nullptr, nullptr);
    ASSERT_NE(help, nullptr);
    HWND w = Open(true);
    ASSERT_NE(w, nullptr);
    // The help viewer that is already open is brought back instead of opening the file again.
    EXPECT_FALSE(IsIconic(help));
    DWORD firstRun = 1;
    ASSERT_TRUE(GetDword("FirstRun", firstRun));
    EXPECT_EQ(firstRun, 0u);
    EXPECT_TRUE(IsZoomed(w));
    EXPECT_EQ(Text(w, IDC_ORGANIZE_MODE), "By Date Picture Taken");
    EXPECT_EQ(Total(w), "Total: 0");
    EXPECT_FALSE(Enabled(w, IDC_REMOVE));
    EXPECT_FALSE(Enabled(w, ID_META_INFO));
    EXPECT_EQ(SendDlgItemMessageA(w, IDC_MONTH_FORMAT, CB_GETCOUNT, 0, 0), 9);
    EXPECT_EQ(SendDlgItemMessageA(w, IDC_DAY_FORMAT, CB_GETCOUNT, 0, 0), 16);
    EXPECT_EQ(SendDlgItemMessageA(w, IDC_FILENAME_FORMAT, CB_GETCOUNT, 0, 0), 21);
    EXPECT_EQ(Text(w, IDC_MONTH_FORMAT), "%Y_%M");
    EXPECT_EQ(Text(w, IDC_DAY_FORMAT), "%Y_%M_%D");
    EXPECT_EQ(Text(w, IDC_EXAMPLE), "Example: D:\\Output\\2012\\2012_01\\2012_01_27\\OrgFileName.jpg");
    EXPECT_FALSE(Enabled(w, IDC_FILENAME_FORMAT));
    EXPECT_FALSE(Enabled(w, IDC_OUTPUT_FOLDER));
    EXPECT_EQ(IsDlgButtonChecked(w, IDC_SAME_FOLDER), BST_CHECKED);
    // Escape and Enter leave the window open.
    SendMessageA(w, WM_COMMAND, IDCANCEL, 0);
    SendMessageA(w, WM_COMMAND, IDOK, 0);
    EXPECT_TRUE(IsWindow(w));
    DestroyWindow(help);
}

TEST_F(MainWindowTest, StoredSettingsComeBackAndClosingWritesThem)
{
    SetDword("MoveType", 900);
    SetDword("CreateMonthFolder", 0);
    SetDword("WndMaximized", 0);
    SetDword("ColWidth_Source", 123);
    SetDword("OutputFolderType", 1);
    {
        HKEY key;
        ASSERT_EQ(RegOpenKeyExA(HKEY_CURRENT_USER, kOptionsKey, 0, KEY_SET_VALUE, &key), ERROR_SUCCESS);
        const LONG rect[4] = {20, 30, 1220, 930};
        RegSetValueExA(key, "WndPosition", 0, REG_BINARY, reinterpret_cast<const BYTE*>(rect), sizeof rect);
        RegSetValueExA(key, "CustomTargetFolder", 0, REG_SZ, reinterpret_cast<const BYTE*>("D:\\Sorted"), 10);
        RegCloseKey(key);
        // A stored month history replaces the presets; an existing but empty day history shows none.
        ASSERT_EQ(RegCreateKeyExA(HKEY_CURRENT_USER, "Software\\Quillmere\\MonthFolderFormat", 0, nullptr, 0,
                                  KEY_SET_VALUE, nullptr, &key, nullptr),
                  ERROR_SUCCESS);
        RegSetValueExA(key, "0", 0, REG_SZ, reinterpret_cast<const BYTE*>("%L"), 3);
        RegSetValueExA(key, "1", 0, REG_SZ, reinterpret_cast<const BYTE*>("%M"), 3);
        RegCloseKey(key);
        ASSERT_EQ(RegCreateKeyExA(HKEY_CURRENT_USER, "Software\\Quillmere\\DayFolderFormat", 0, nullptr, 0,
                                  KEY_SET_VALUE, nullptr, &key, nullptr),
                  ERROR_SUCCESS);
        RegCloseKey(key);
    }
    HWND w = Open();
    EXPECT_FALSE(IsZoomed(w));
    RECT r;
    GetWindowRect(w, &r);
    EXPECT_EQ(r.left, 20);
    EXPECT_EQ(r.top, 30);
    EXPECT_EQ(r.right, 1220);
    EXPECT_EQ(r.bottom, 930);
    EXPECT_EQ(ListView_GetColumnWidth(GetDlgItem(w, IDC_FILE_LIST), 0), 123);
    EXPECT_EQ(Text(w, IDC_ORGANIZE_MODE), "By Orientation Picture Taken");
    EXPECT_EQ(Text(w, IDC_EXAMPLE), "Example: D:\\Sorted\\Rotate 90 CW\\");
    EXPECT_FALSE(Enabled(w, IDC_YEAR_FOLDER));
    EXPECT_EQ(IsDlgButtonChecked(w, IDC_MONTH_FOLDER), BST_UNCHECKED);
    EXPECT_TRUE(Enabled(w, IDC_OUTPUT_FOLDER));
    EXPECT_EQ(Text(w, IDC_OUTPUT_FOLDER), "D:\\Sorted");
    EXPECT_EQ(SendDlgItemMessageA(w, IDC_MONTH_FORMAT, CB_GETCOUNT, 0, 0), 2);
    EXPECT_EQ(SendDlgItemMessageA(w, IDC_DAY_FORMAT, CB_GETCOUNT, 0, 0), 0);
    EXPECT_EQ(Text(w, IDC_MONTH_FORMAT), "%Y_%M");  // the setting, not a history entry

    // Change a few things and close: they are stored, and the output folder joins its history.
    SelectMode(w, 200);
    Click(w, IDC_DAY_FOLDER);
    ListView_SetColumnWidth(GetDlgItem(w, IDC_FILE_LIST), 1, 333);
    Close();
    DWORD value = 0;
    ASSERT_TRUE(GetDword("MoveType", value));
    EXPECT_EQ(value, 200u);
    ASSERT_TRUE(GetDword("CreateDayFolder", value));
    EXPECT_EQ(value, 0u);
    ASSERT_TRUE(GetDword("ColWidth_Target", value));
    EXPECT_EQ(value, 333u);
    ASSERT_TRUE(GetDword("WndMaximized", value));
    EXPECT_EQ(value, 0u);
    char first[MAX_PATH] = "";
    DWORD size = sizeof first;
    EXPECT_EQ(RegGetValueA(HKEY_CURRENT_USER, "Software\\Quillmere\\OutputFolder", "0", RRF_RT_REG_SZ,
                           nullptr, first, &size),
              ERROR_SUCCESS);
    EXPECT_STREQ(first, "D:\\Sorted");
}

TEST_F(MainWindowTest, AModeThatMatchesNoEntrySelectsTheFirst)
{
    SetDword("MoveType", 4242);
    HWND w = Open();
    EXPECT_EQ(Text(w, IDC_ORGANIZE_MODE), "By Date Picture Taken");
    Close();
    DWORD value = 0;
    ASSERT_TRUE(GetDword("MoveType", value));
    EXPECT_EQ(value, 100u);
}

TEST_F(MainWindowTest, MaximizedWindowKeepsItsRestoredRectangle)
{
    SetDword("WndMaximized", 0);
    HWND w = Open();
    MoveWindow(w, 10, 20, 1200, 900, TRUE);  // larger than the window's smallest size
    ShowWindow(w, SW_SHOWMAXIMIZED);
    Close();
    DWORD maximized = 0;
    ASSERT_TRUE(GetDword("WndMaximized", maximized));
    EXPECT_EQ(maximized, 1u);
    w = Open();
    EXPECT_TRUE(IsZoomed(w));
    WINDOWPLACEMENT placement {};
    placement.length = sizeof placement;
    ASSERT_TRUE(GetWindowPlacement(w, &placement));
    EXPECT_EQ(placement.rcNormalPosition.left, 10);
    EXPECT_EQ(placement.rcNormalPosition.right, 1210);
}

TEST_F(MainWindowTest, DropsAddFilesThroughTheFilterOnce)
{
    TempTree tree;
    CreateDirectoryA(tree.Path("pics").c_str(), nullptr);
    CreateDirectoryA(tree.Path("pics\\sub").c_str(), nullptr);
    for (const char* name :
         {"pics\\x.jpg", "pics\\y.JPEG", "pics\\z.Jpg", "pics\\w.png", "pics\\README", "pics\\sub\\v.jpg"})
        ASSERT_TRUE(WriteText(tree.Path(name), name));
    SetDword("EnableExtFilter", 1);
    SetDword("AddFilesInSubfolder", 0);
    {
        HKEY key;
        ASSERT_EQ(RegOpenKeyExA(HKEY_CURRENT_USER, kOptionsKey, 0, KEY_SET_VALUE, &key), ERROR_SUCCESS);
        RegSetValueExA(key, "AllowExts", 0, REG_SZ, reinterpret_cast<const BYTE*>("JPG; jpeg"), 10);
        RegCloseKey(key);
    }
    HWND w = Open();
    ASSERT_TRUE(SendDrop(w, {tree.Path("pics")}));
    EXPECT_EQ(Rows(), 3);
    EXPECT_EQ(Total(w), "Total: 3");
    // A file dropped again in another letter case, and a file the filter refuses: as nothing was
    // added, the window says what the filter left out.
    MessageBoxCatcher catcher;
    ASSERT_TRUE(catcher.Installed());
    MessageBoxCatcher::Ignore(w);
    ASSERT_TRUE(SendDrop(w, {tree.Path("PICS\\X.JPG"), tree.Path("pics\\w.png")}));
    EXPECT_EQ(Rows(), 3);
    ASSERT_EQ(catcher.Caught().size(), 1u);
    EXPECT_EQ(catcher.Caught()[0].text, "No file was added: the extension filter (JPG; jpeg) left out 1 "
                                        "file.\n\nThe filter is set in Options.");
    // Sub-folders follow the setting; the new row keeps the path as dropped.
    dialog_->Options().AddFilesInSubfolder = 1;
    ASSERT_TRUE(SendDrop(w, {tree.Path("pics")}));
    EXPECT_EQ(Rows(), 4);
    EXPECT_EQ(Cell(3, 0), tree.Path("pics\\sub\\v.jpg"));
    EXPECT_EQ(Cell(3, 1), "");
    EXPECT_EQ(Total(w), "Total: 4");
}

namespace {

// The files of a folder tree depth first in the order the file system lists them, as a plain
// walk finds them: the order the list must show a dropped folder in.
void WalkInListingOrder(const std::string& folder, std::vector<std::string>& files)
{
    WIN32_FIND_DATAA data;
    HANDLE find = FindFirstFileA((folder + "\\*").c_str(), &data);
    ASSERT_NE(find, INVALID_HANDLE_VALUE) << folder;
    do {
        const std::string name = data.cFileName;
        if (name == "." || name == "..")
            continue;
        if (data.dwFileAttributes & FILE_ATTRIBUTE_DIRECTORY)
            WalkInListingOrder(folder + "\\" + name, files);
        else
            files.push_back(folder + "\\" + name);
    } while (FindNextFileA(find, &data));
    FindClose(find);
}

}  // namespace

TEST_F(MainWindowTest, ADroppedTreeIsListedInWalkOrderOnceEachThroughTheFilter)
{
    TempTree tree;
    for (const char* folder : {"pics", "pics\\2023", "pics\\2024", "pics\\2024\\raw"})
        CreateDirectoryA(tree.Path(folder).c_str(), nullptr);
    for (const char* name :
         {"pics\\a.jpg", "pics\\b.JPG", "pics\\notes.txt", "pics\\2023\\c.jpeg", "pics\\2023\\d.png",
          "pics\\2024\\e.jpg", "pics\\2024\\raw\\f.Jpg", "pics\\2024\\raw\\g.nef"})
        ASSERT_TRUE(WriteText(tree.Path(name), name));
    SetDword("EnableExtFilter", 1);
    SetDword("AddFilesInSubfolder", 1);
    {
        HKEY key;
        ASSERT_EQ(RegOpenKeyExA(HKEY_CURRENT_USER, kOptionsKey, 0, KEY_SET_VALUE, &key), ERROR_SUCCESS);
        RegSetValueExA(key, "AllowExts", 0, REG_SZ, reinterpret_cast<const BYTE*>("jpg;jpeg"), 9);
        RegCloseKey(key);
    }
    HWND w = Open();
    // Two files named first, in another letter case than the walk finds them: each keeps its
    // first row, as dropped, and the walk lists the rest in its own order.
    ASSERT_TRUE(SendDrop(w, {tree.Path("PICS\\2024\\E.JPG"), tree.Path("Pics\\A.jpg"), tree.Path("pics")}));
    std::vector<std::string> walked;
    WalkInListingOrder(tree.Path("pics"), walked);
    ASSERT_EQ(walked.size(), 8u);
    std::vector<std::string> expected {tree.Path("PICS\\2024\\E.JPG"), tree.Path("Pics\\A.jpg")};
    for (const std::string& path : walked) {
        const std::string name = path.substr(path.rfind('\\') + 1);
        if (name != "a.jpg" && name != "e.jpg" && name.find(".txt") == std::string::npos &&
            name.find(".png") == std::string::npos && name.find(".nef") == std::string::npos)
            expected.push_back(path);
    }
    ASSERT_EQ(expected.size(), 5u);
    std::vector<std::string> listed;
    for (int row = 0; row < Rows(); ++row)
        listed.push_back(Cell(row, 0));
    EXPECT_EQ(listed, expected);
    EXPECT_EQ(Total(w), "Total: 5");
    // The same tree again adds nothing, whatever the case it is dropped in; the window says what
    // the filter left out.
    MessageBoxCatcher catcher;
    ASSERT_TRUE(catcher.Installed());
    MessageBoxCatcher::Ignore(w);
    ASSERT_TRUE(SendDrop(w, {tree.Path("PICS")}));
    EXPECT_EQ(Rows(), 5);
    EXPECT_EQ(Total(w), "Total: 5");
    ASSERT_EQ(catcher.Caught().size(), 1u);
    EXPECT_EQ(catcher.Caught()[0].text, "No file was added: the extension filter (jpg;jpeg) left out 3 "
                                        "files.\n\nThe filter is set in Options.");
}

TEST_F(MainWindowTest, AFolderScanLeavesOutWhatTheSystemKeepsForItself)
{
    TempTree tree;
    for (const char* folder : {"pics", "pics\\$RECYCLE.BIN", "pics\\mine"})
        CreateDirectoryA(tree.Path(folder).c_str(), nullptr);
    for (const char* name : {"pics\\a.jpg", "pics\\desktop.ini", "pics\\Thumbs.db", "pics\\hidden.jpg",
                             "pics\\system.jpg", "pics\\$RECYCLE.BIN\\deleted.jpg", "pics\\mine\\b.jpg"})
        ASSERT_TRUE(WriteText(tree.Path(name), name));
    const DWORD systemHidden = FILE_ATTRIBUTE_SYSTEM | FILE_ATTRIBUTE_HIDDEN;
    for (const char* name : {"pics\\desktop.ini", "pics\\Thumbs.db", "pics\\$RECYCLE.BIN"})
        ASSERT_TRUE(SetFileAttributesA(tree.Path(name).c_str(), systemHidden)) << name;
    ASSERT_TRUE(SetFileAttributesA(tree.Path("pics\\hidden.jpg").c_str(), FILE_ATTRIBUTE_HIDDEN));
    ASSERT_TRUE(SetFileAttributesA(tree.Path("pics\\system.jpg").c_str(), FILE_ATTRIBUTE_SYSTEM));
    ASSERT_TRUE(SetFileAttributesA(tree.Path("pics\\mine").c_str(), FILE_ATTRIBUTE_HIDDEN));
    SetDword("EnableExtFilter", 0);
    SetDword("AddFilesInSubfolder", 1);
    HWND w = Open();
    ASSERT_TRUE(SendDrop(w, {tree.Path("pics")}));
    std::set<std::string> listed;
    for (int row = 0; row < Rows(); ++row)
        listed.insert(Cell(row, 0));
    // Hidden alone or system alone is the user's choice and is listed; both together is not.
    EXPECT_EQ(listed,
              (std::set<std::string> {tree.Path("pics\\a.jpg"), tree.Path("pics\\hidden.jpg"),
                                      tree.Path("pics\\system.jpg"), tree.Path("pics\\mine\\b.jpg")}));
    // A file named explicitly is taken whatever its attributes.
    ASSERT_TRUE(SendDrop(w, {tree.Path("pics\\desktop.ini")}));
    EXPECT_EQ(Rows(), 5);
    for (const char* name : {"pics\\desktop.ini", "pics\\Thumbs.db", "pics\\$RECYCLE.BIN", "pics\\mine"})
        SetFileAttributesA(tree.Path(name).c_str(), FILE_ATTRIBUTE_NORMAL);
}

TEST_F(MainWindowTest, AFolderLoopThroughALinkIsScannedOnce)
{
    // Beside the test program: link-loop\inner\x.jpg, and link-loop\inner\back links to link-loop.
    char module[MAX_PATH];
    const DWORD n = GetModuleFileNameA(nullptr, module, MAX_PATH);
    ASSERT_GT(n, 0u);
    ASSERT_LT(n, static_cast<DWORD>(MAX_PATH));
    std::string loop(module);
    loop = loop.substr(0, loop.rfind('\\') + 1) + "link-loop";
    ASSERT_NE(GetFileAttributesA((loop + "\\inner\\back\\inner\\x.jpg").c_str()), INVALID_FILE_ATTRIBUTES)
            << "the link fixture is missing";
    HWND w = Open();
    ASSERT_TRUE(SendDrop(w, {loop}));
    EXPECT_EQ(Rows(), 1);
    EXPECT_EQ(Cell(0, 0), loop + "\\inner\\x.jpg");
}

TEST_F(MainWindowTest, DroppedPathsLongerThanTheListTakesAreSkipped)
{
    HWND w = Open();
    // The longest path the run takes, and one character more.
    const std::string longest = "C:\\" + std::string(kMaxListedPathLength - 7, 'a') + ".jpg";
    ASSERT_EQ(longest.size(), kMaxListedPathLength);
    ASSERT_TRUE(SendDrop(
            w, {longest, "C:\\" + std::string(kMaxListedPathLength - 6, 'b') + ".jpg", "C:\\short.jpg"}));
    EXPECT_EQ(Rows(), 2);
    EXPECT_EQ(Cell(0, 0), longest);
    EXPECT_EQ(Cell(1, 0), "C:\\short.jpg");
}

TEST_F(MainWindowTest, RemoveAndRemoveAllKeepTheCounterAndButtons)
{
    TempTree tree;
    std::vector<std::string> paths;
    for (int i = 0; i < 5; ++i) {
        paths.push_back(tree.Path("f" + std::to_string(i) + ".jpg"));
        ASSERT_TRUE(WriteText(paths.back(), "x"));
    }
    HWND w = Open();
    ASSERT_TRUE(SendDrop(w, paths));
    HWND list = GetDlgItem(w, IDC_FILE_LIST);
    ListView_SetItemState(list, 1, LVIS_SELECTED, LVIS_SELECTED);
    ListView_SetItemState(list, 3, LVIS_SELECTED, LVIS_SELECTED);
    EXPECT_TRUE(Enabled(w, IDC_REMOVE));
    EXPECT_TRUE(Enabled(w, ID_META_INFO));
    Click(w, IDC_REMOVE);
    EXPECT_EQ(Rows(), 3);
    EXPECT_EQ(Total(w), "Total: 3");
    EXPECT_EQ(Cell(1, 0), paths[2]);
    // The removed path can be added again.
    ASSERT_TRUE(SendDrop(w, {paths[1]}));
    EXPECT_EQ(Rows(), 4);
    ListView_SetItemState(list, 0, LVIS_SELECTED, LVIS_SELECTED);
    Click(w, IDC_REMOVE_ALL);
    EXPECT_EQ(Rows(), 0);
    EXPECT_EQ(Total(w), "Total: 0");
    EXPECT_FALSE(Enabled(w, IDC_REMOVE));
    EXPECT_FALSE(Enabled(w, ID_META_INFO));
}

TEST_F(MainWindowTest, EnablingFollowsTheModeAndTheCheckBoxes)
{
    HWND w = Open();
    Click(w, IDC_RENAME_TARGET);
    EXPECT_TRUE(Enabled(w, IDC_FILENAME_FORMAT));
    for (std::uint32_t mode : {500u, 900u}) {
        SelectMode(w, mode);
        for (int id : {IDC_YEAR_FOLDER, IDC_MONTH_FOLDER, IDC_DAY_FOLDER, IDC_RENAME_TARGET, IDC_MONTH_FORMAT,
                       IDC_MONTH_TAGS, IDC_DAY_FORMAT, IDC_DAY_TAGS, IDC_FILENAME_FORMAT, IDC_FILENAME_TAGS})
            EXPECT_FALSE(Enabled(w, id)) << mode << " " << id;
        EXPECT_EQ(IsDlgButtonChecked(w, IDC_RENAME_TARGET), BST_CHECKED);
    }
    EXPECT_EQ(Text(w, IDC_EXAMPLE), "Example: D:\\Output\\Rotate 90 CW\\");
    SelectMode(w, 500);
    EXPECT_EQ(Text(w, IDC_EXAMPLE), "Example: D:\\Output\\JPG\\");
    SelectMode(w, 600);
    for (int id : {IDC_MONTH_FORMAT, IDC_DAY_FORMAT, IDC_FILENAME_FORMAT, IDC_FILENAME_TAGS})
        EXPECT_TRUE(Enabled(w, id));
    EXPECT_EQ(Text(w, IDC_EXAMPLE),
              "Example: D:\\Output\\2012\\2012_01\\2012_01_27\\2012-01-27 10_46_15 OrgFileName.jpg");
    Click(w, IDC_MONTH_FOLDER);
    EXPECT_FALSE(Enabled(w, IDC_MONTH_FORMAT));
    EXPECT_FALSE(Enabled(w, IDC_MONTH_TAGS));
    EXPECT_TRUE(Enabled(w, IDC_DAY_FORMAT));
    // The year box enables nothing else.
    Click(w, IDC_YEAR_FOLDER);
    EXPECT_EQ(Text(w, IDC_EXAMPLE), "Example: D:\\Output\\2012_01_27\\2012-01-27 10_46_15 OrgFileName.jpg");
    // Picking a day template from the list shows it at once.
    SendDlgItemMessageA(w, IDC_DAY_FORMAT, CB_SETCURSEL, 1, 0);  // "%M-%D"
    Command(w, IDC_DAY_FORMAT, CBN_SELCHANGE);
    EXPECT_EQ(Text(w, IDC_EXAMPLE), "Example: D:\\Output\\01-27\\2012-01-27 10_46_15 OrgFileName.jpg");
    // With another folder the example starts with it, as it is typed.
    Click(w, IDC_ANOTHER_FOLDER);
    EXPECT_TRUE(Enabled(w, IDC_BROWSE_OUTPUT));
    SetDlgItemTextA(w, IDC_OUTPUT_FOLDER, "E:\\Typed");
    Command(w, IDC_OUTPUT_FOLDER, CBN_EDITCHANGE);
    EXPECT_EQ(Text(w, IDC_EXAMPLE), "Example: E:\\Typed\\01-27\\2012-01-27 10_46_15 OrgFileName.jpg");
    Click(w, IDC_SAME_FOLDER);
    EXPECT_EQ(Text(w, IDC_EXAMPLE), "Example: D:\\Output\\01-27\\2012-01-27 10_46_15 OrgFileName.jpg");
    EXPECT_FALSE(Enabled(w, IDC_OUTPUT_FOLDER));
    EXPECT_FALSE(Enabled(w, IDC_OPEN_OUTPUT));
    EXPECT_EQ(Text(w, IDC_OUTPUT_FOLDER), "E:\\Typed");
}

TEST_F(MainWindowTest, MessageBoxesCarryTheirTextCaptionAndIcon)
{
    HWND w = Open();
    MessageBoxCatcher catcher;
    ASSERT_TRUE(catcher.Installed());
    MessageBoxCatcher::Ignore(w);
    Click(w, IDC_DAY_TAGS);
    Click(w, IDC_ANOTHER_FOLDER);
    SetDlgItemTextA(w, IDC_OUTPUT_FOLDER, "Q:\\nowhere at all");
    Click(w, IDC_OPEN_OUTPUT);
    SetDlgItemTextA(w, IDC_OUTPUT_FOLDER, "");
    Click(w, IDC_MOVE_FILES);
    ASSERT_EQ(catcher.Caught().size(), 3u);
    EXPECT_EQ(catcher.Caught()[0].caption, "Quillmere");
    EXPECT_EQ(catcher.Caught()[0].icon, MessageIcon::Information);
    EXPECT_EQ(catcher.Caught()[0].text,
              "You could use the following tags here.\n\n%Y: Year (e.g. 2010)\n%M: Month (01-12)\n%A: "
              "Abbreviated month name (Jan, Feb, Mar, ...)\n%L: Full month name (January, February, March, "
              "...)\n%D: Day (01-31)\n%C: Country where the picture was taken (e.g. Australia)\n%R: Region: "
              "state, province (e.g. New South Wales)\n%T: Town or city (e.g. Sydney)\nA file without a "
              "position, or far from any town, gets \"Unknown place\".\nPlace names from GeoNames "
              "(geonames.org), CC BY 4.0");
    EXPECT_EQ(catcher.Caught()[1].text,
              "Folder \"Q:\\nowhere at all\" doesn't exist.\n\nThe program will create the "
              "folder automatically when moving or copying files.");
    EXPECT_EQ(catcher.Caught()[1].icon, MessageIcon::Information);
    EXPECT_EQ(catcher.Caught()[2].text, "Please choose an output folder.");
    EXPECT_EQ(catcher.Caught()[2].icon, MessageIcon::Exclamation);
    // The focus is in the output folder's box (its edit field).
    HWND focus = GetFocus();
    HWND folder = GetDlgItem(w, IDC_OUTPUT_FOLDER);
    EXPECT_TRUE(focus == folder || GetParent(focus) == folder);
}

TEST_F(MainWindowTest, MoveFilesOrganizesADroppedFolder)
{
    TempTree tree;
    CreateDirectoryA(tree.Path("camera").c_str(), nullptr);
    ASSERT_TRUE(WriteData(tree.Path("camera\\IMG_1.JPG"), JpegTaken("2012:01:27 10:46:15")));
    ASSERT_TRUE(WriteData(tree.Path("camera\\IMG_2.JPG"), JpegTaken("2013:11:05 08:00:00")));
    // A JPEG without EXIF, read in-process: no metadata tool lies beside the test program.
    ASSERT_TRUE(WriteText(tree.Path("camera\\notes.jpg"), "no date"));
    SetDword("SaveToLog", 1);
    {
        HKEY key;
        ASSERT_EQ(RegOpenKeyExA(HKEY_CURRENT_USER, kOptionsKey, 0, KEY_SET_VALUE, &key), ERROR_SUCCESS);
        const std::string log = tree.Path("log.txt");
        RegSetValueExA(key, "LogFile", 0, REG_SZ, reinterpret_cast<const BYTE*>(log.c_str()),
                       static_cast<DWORD>(log.size() + 1));
        RegCloseKey(key);
    }
    HWND w = Open();
    ASSERT_TRUE(SendDrop(w, {tree.Path("camera")}));
    ASSERT_EQ(Rows(), 3);
    Click(w, IDC_DAY_FOLDER);  // year and month only
    Click(w, IDC_ANOTHER_FOLDER);
    SetDlgItemTextA(w, IDC_OUTPUT_FOLDER, tree.Path("sorted").c_str());
    Click(w, IDC_MOVE_FILES);
    PumpFor(50);
    EXPECT_TRUE(IsWindowEnabled(w));
    for (int row = 0; row < 3; ++row) {
        const std::string source = Cell(row, 0);
        if (source.find("IMG_1") != std::string::npos) {
            EXPECT_EQ(Cell(row, 1), tree.Path("sorted\\2012\\2012_01\\IMG_1.JPG"));
            EXPECT_EQ(Cell(row, 2), "OK");
        } else if (source.find("IMG_2") != std::string::npos) {
            EXPECT_EQ(Cell(row, 1), tree.Path("sorted\\2013\\2013_11\\IMG_2.JPG"));
            EXPECT_EQ(Cell(row, 2), "OK");
        } else {
            EXPECT_EQ(Cell(row, 2), "Failed to get date picture taken. Maybe no EXIF info in the file");
        }
    }
    EXPECT_TRUE(Exists(tree.Path("sorted\\2012\\2012_01\\IMG_1.JPG")));
    EXPECT_FALSE(Exists(tree.Path("camera\\IMG_1.JPG")));
    EXPECT_TRUE(Exists(tree.Path("camera\\notes.jpg")));
    const std::string log = ReadText(tree.Path("log.txt"));
    EXPECT_EQ(log.rfind("This is a log file created by Quillmere.\r\n", 0), 0u);
    EXPECT_NE(log.find("[Target] " + tree.Path("sorted\\2013\\2013_11\\IMG_2.JPG") + "\r\n[Move] OK\r\n"),
              std::string::npos);
    // The run stored the settings and the output folder with its trailing backslash.
    char stored[MAX_PATH] = "";
    DWORD size = sizeof stored;
    ASSERT_EQ(RegGetValueA(HKEY_CURRENT_USER, kOptionsKey, "CustomTargetFolder", RRF_RT_REG_SZ, nullptr,
                           stored, &size),
              ERROR_SUCCESS);
    EXPECT_EQ(std::string(stored), tree.Path("sorted\\"));
    EXPECT_EQ(Text(w, IDC_OUTPUT_FOLDER), tree.Path("sorted"));
}

TEST_F(MainWindowTest, MoveOrCopyThenUndoLastRunPutsTheTreeBack)
{
    for (const bool move : {true, false}) {
        SCOPED_TRACE(move ? "move" : "copy");
        DeleteProgramKey();
        TempTree tree;
        TempTree runs;
        SetEnvironmentVariableA(kRunsFolderVariable, runs.Root().c_str());
        CreateDirectoryA(tree.Path("camera").c_str(), nullptr);
        ASSERT_TRUE(WriteData(tree.Path("camera\\IMG_1.JPG"), JpegTaken("2012:01:27 10:46:15")));
        ASSERT_TRUE(WriteData(tree.Path("camera\\IMG_2.JPG"), JpegTaken("2013:11:05 08:00:00")));
        // A file the run replaces (Overwrite), which undo must bring back.
        for (const char* folder : {"sorted", "sorted\\2012", "sorted\\2012\\2012_01"})
            CreateDirectoryA(tree.Path(folder).c_str(), nullptr);
        ASSERT_TRUE(WriteText(tree.Path("sorted\\2012\\2012_01\\IMG_1.JPG"), "was there before"));
        const auto before = FilesBelow(tree.Root());
        SetDword("TargetExistsOpt", 22);

        HWND w = Open();
        MessageBoxCatcher catcher(IDYES);
        catcher.OnlyMessageBoxes();
        MessageBoxCatcher::Ignore(w);
        ASSERT_TRUE(SendDrop(w, {tree.Path("camera")}));
        Click(w, IDC_DAY_FOLDER);
        Click(w, IDC_ANOTHER_FOLDER);
        SetDlgItemTextA(w, IDC_OUTPUT_FOLDER, tree.Path("sorted").c_str());
        Click(w, move ? IDC_MOVE_FILES : IDC_COPY_FILES);
        PumpFor(50);
        ASSERT_TRUE(Exists(tree.Path("sorted\\2013\\2013_11\\IMG_2.JPG")));
        ASSERT_NE(FilesBelow(tree.Root()), before);

        const std::size_t asked = catcher.Caught().size();
        SendMessageA(w, WM_COMMAND, ID_UNDO_LAST_RUN, 0);
        PumpFor(50);
        ASSERT_EQ(catcher.Caught().size(), asked + 1) << catcher.Caught().back().text;
        EXPECT_NE(catcher.Caught()[asked].text.find(move ? "2 moved files go back" : "2 copies are deleted"),
                  std::string::npos)
                << catcher.Caught()[asked].text;
        EXPECT_NE(catcher.Caught()[asked].text.find("1 replaced files are restored"), std::string::npos)
                << catcher.Caught()[asked].text;
        EXPECT_EQ(FilesBelow(tree.Root()), before);
        EXPECT_FALSE(Exists(tree.Path("sorted\\2013")));
        ASSERT_EQ(Rows(), 2);
        for (int row = 0; row < 2; ++row) {
            const std::string expected = move ? "Moved back" : "Copy deleted";
            EXPECT_EQ(Cell(row, 2).rfind(expected, 0), 0u) << Cell(row, 2);
        }
        EXPECT_EQ(Summary(w), "2 files: 2 put back, 0 left where they are");
        Close();
        SetEnvironmentVariableA(kRunsFolderVariable, nullptr);
    }
}

TEST_F(MainWindowTest, CancelStopsAnUndoThatCanBeTakenUpAgain)
{
    TempTree tree;
    TempTree runs;
    SetEnvironmentVariableA(kRunsFolderVariable, runs.Root().c_str());
    CreateDirectoryA(tree.Path("camera").c_str(), nullptr);
    for (int i = 1; i <= 3; ++i)
        ASSERT_TRUE(WriteData(tree.Path("camera\\IMG_" + std::to_string(i) + ".JPG"),
                              JpegTaken("2012:01:2" + std::to_string(i) + " 10:00:00")));
    const auto before = FilesBelow(tree.Root());
    HWND w = Open();
    {
        MessageBoxCatcher catcher(IDYES);
        catcher.OnlyMessageBoxes();
        MessageBoxCatcher::Ignore(w);
        ASSERT_TRUE(SendDrop(w, {tree.Path("camera")}));
        Click(w, IDC_ANOTHER_FOLDER);
        SetDlgItemTextA(w, IDC_OUTPUT_FOLDER, tree.Path("sorted").c_str());
        Click(w, IDC_MOVE_FILES);
        PumpFor(50);
    }
    ASSERT_EQ(FilesBelow(tree.Path("sorted\\")).size(), 3u);
    const auto journals = KeptJournals(runs.Root());
    ASSERT_EQ(journals.size(), 1u);
    {
        // Yes to the confirmation, then Cancel in the progress window as soon as it shows.
        MessageBoxCatcher catcher;
        catcher.SetAction([](HWND dialog) {
            const int button = GetDlgItem(dialog, 0xFFFF) ? IDYES : IDC_PROGRESS_CANCEL;
            PostMessageA(dialog, WM_COMMAND, MAKEWPARAM(button, BN_CLICKED),
                         reinterpret_cast<LPARAM>(GetDlgItem(dialog, button)));
        });
        MessageBoxCatcher::Ignore(w);
        SendMessageA(w, WM_COMMAND, ID_UNDO_LAST_RUN, 0);
        PumpFor(50);
        ASSERT_EQ(catcher.Caught().size(), 2u);
    }
    EXPECT_TRUE(IsWindowEnabled(w));
    EXPECT_GT(FilesBelow(tree.Path("sorted\\")).size(), 0u);
    EXPECT_NE(Summary(w).find(", cancelled after "), std::string::npos) << Summary(w);
    JournalData data;
    ASSERT_TRUE(Succeeded(LoadJournal(journals.front(), data)));
    EXPECT_FALSE(data.undone);

    // Taken up again, the undo puts back what is left.
    MessageBoxCatcher catcher(IDYES);
    catcher.OnlyMessageBoxes();
    MessageBoxCatcher::Ignore(w);
    SendMessageA(w, WM_COMMAND, ID_UNDO_LAST_RUN, 0);
    PumpFor(50);
    EXPECT_EQ(FilesBelow(tree.Root()), before);
    EXPECT_FALSE(Exists(tree.Path("sorted")));
    JournalData after;
    ASSERT_TRUE(Succeeded(LoadJournal(journals.front(), after)));
    EXPECT_TRUE(after.undone);
    Close();
    SetEnvironmentVariableA(kRunsFolderVariable, nullptr);
}

// With a taskbar at the top and left of the screen, the stored rectangle (GetWindowPlacement's,
// in workspace coordinates, as every version stored it) must go back the same way: ten closes
// and starts leave the window where it was.
TEST_F(MainWindowTest, SavedPositionDoesNotCreepByTheTaskbar)
{
    RECT screenWork {};
    ASSERT_TRUE(SystemParametersInfoA(SPI_GETWORKAREA, 0, &screenWork, 0));
    RECT work = screenWork;
    work.left += 30;
    work.top += 40;
    ASSERT_TRUE(SystemParametersInfoA(SPI_SETWORKAREA, 0, &work, 0));
    struct WorkAreaBack {
        RECT rect;
        ~WorkAreaBack() { SystemParametersInfoA(SPI_SETWORKAREA, 0, &rect, 0); }
    } back {screenWork};

    SetDword("WndMaximized", 0);
    HWND w = Open();
    MoveWindow(w, 100, 120, 900, 650, TRUE);
    RECT first {};
    ASSERT_TRUE(GetWindowRect(w, &first));
    Close();
    for (int i = 0; i < 10; ++i) {
        SCOPED_TRACE(i);
        w = Open();
        RECT now {};
        ASSERT_TRUE(GetWindowRect(w, &now));
        EXPECT_EQ(now.left, first.left);
        EXPECT_EQ(now.top, first.top);
        EXPECT_EQ(now.right, first.right);
        EXPECT_EQ(now.bottom, first.bottom);
        Close();
    }
}

// A position saved where the window no longer fits (a larger screen, a lower DPI whose smaller
// window reached only to the edge): the window opens wholly on the screen, as large as it was,
// moved no further than it must.
TEST_F(MainWindowTest, APositionPastTheScreensEdgeOpensWithinTheWorkArea)
{
    RECT work {};
    ASSERT_TRUE(SystemParametersInfoA(SPI_GETWORKAREA, 0, &work, 0));
    SetDword("WndMaximized", 0);
    HWND w = Open();
    RECT designed {};
    ASSERT_TRUE(GetWindowRect(w, &designed));
    Close();
    const LONG width = designed.right - designed.left, height = designed.bottom - designed.top;
    ASSERT_LT(width + 200, work.right - work.left) << "the screen leaves no room to test";
    // Half of it past the right edge, a quarter past the bottom.
    const LONG saved[4] = {work.right - width / 2, work.bottom - height * 3 / 4, work.right + width / 2,
                           work.bottom + height / 4};
    HKEY key;
    ASSERT_EQ(RegCreateKeyExA(HKEY_CURRENT_USER, kOptionsKey, 0, nullptr, 0, KEY_SET_VALUE, nullptr, &key,
                              nullptr),
              ERROR_SUCCESS);
    RegSetValueExA(key, "WndPosition", 0, REG_BINARY, reinterpret_cast<const BYTE*>(saved), sizeof saved);
    RegCloseKey(key);
    w = Open();
    RECT now {};
    ASSERT_TRUE(GetWindowRect(w, &now));
    EXPECT_EQ(now.right, work.right);
    EXPECT_EQ(now.bottom, work.bottom);
    EXPECT_EQ(now.right - now.left, width);
    EXPECT_EQ(now.bottom - now.top, height);
    Close();
}

// The library switches in Options ("Skip files the library already has" and "Verify each copy by
// reading it back"): ticked and confirmed, they are stored when the window closes and shown ticked
// when Options opens again; changed and cancelled, nothing of the change is stored.
TEST_F(MainWindowTest, OptionsStoreTheLibrarySwitchesOnlyWhenConfirmed)
{
    const auto Stored = [](const char* name) {
        DWORD value = 0, size = sizeof value;
        return RegGetValueA(HKEY_CURRENT_USER, kOptionsKey, name, RRF_RT_REG_DWORD, nullptr, &value, &size) ==
                               ERROR_SUCCESS
                       ? static_cast<int>(value)
                       : -1;
    };
    SetDword("SkipKnownFiles", 0);
    SetDword("VerifyCopies", 0);
    MessageBoxCatcher catcher;
    ASSERT_TRUE(catcher.Installed());
    std::vector<UINT> shown;
    // Opens Options, notes both boxes, clicks both and ends the dialog with button.
    const auto Options = [&](HWND w, int button) {
        shown.clear();
        catcher.SetAction([&shown, button](HWND options) {
            for (const int box : {IDC_OPT_SKIP_KNOWN, IDC_OPT_VERIFY}) {
                shown.push_back(IsDlgButtonChecked(options, box));
                SendMessageA(GetDlgItem(options, box), BM_CLICK, 0, 0);
            }
            PostMessageA(options, WM_COMMAND, button, 0);
        });
        Click(w, IDC_OPTIONS);
        PumpFor(20);
    };

    HWND w = Open();
    MessageBoxCatcher::Ignore(w);
    Options(w, IDOK);
    EXPECT_EQ(shown, (std::vector<UINT> {BST_UNCHECKED, BST_UNCHECKED}));
    Close();
    EXPECT_EQ(Stored("SkipKnownFiles"), 1);
    EXPECT_EQ(Stored("VerifyCopies"), 1);

    w = Open();
    MessageBoxCatcher::Ignore(w);
    Options(w, IDCANCEL);
    EXPECT_EQ(shown, (std::vector<UINT> {BST_CHECKED, BST_CHECKED}));
    Close();
    EXPECT_EQ(Stored("SkipKnownFiles"), 1);
    EXPECT_EQ(Stored("VerifyCopies"), 1);

    w = Open();
    MessageBoxCatcher::Ignore(w);
    Options(w, IDCANCEL);
    EXPECT_EQ(shown, (std::vector<UINT> {BST_CHECKED, BST_CHECKED}));
    Close();
}
