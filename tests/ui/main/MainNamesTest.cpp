// The main window with names in every script (the window runs with UTF-8 as its code page):
// drops in the shell's wide form, case twins in the list, a Copy run into a Cyrillic output
// folder, the log, and the stored output-folder history; Add Folder and Add Files through the real
// folder picker and file dialog; a dropped folder and an output folder beyond MAX_PATH.
#include <gtest/gtest.h>

#include <windows.h>
#include <commctrl.h>
#include <objbase.h>
#include <shlobj.h>

#include <algorithm>
#include <map>
#include <set>

#include "engine/PathUtils.h"
#include "engine/SettingsStore.h"
#include "resource.h"
#include "tests/support/DropBuilder.h"
#include "tests/support/JpegBuilder.h"
#include "tests/support/MessageBoxCatcher.h"
#include "tests/support/PumpUntil.h"
#include "tests/support/TempTree.h"
#include "tests/support/ZipBuilder.h"
#include "ui/MainDialog.h"

namespace {

const std::string kFolder = "\xD0\xA4\xD0\xBE\xD1\x82\xD0\xBE";  // Фото
const std::vector<std::string> kNames = {
        "\xD0\x9F\xD1\x80\xD0\xB8\xD0\xB2\xD0\xB5\xD1\x82.jpg",  // Привет.jpg
        "\xCE\xA9\xCE\xBC\xCE\xAD\xCE\xB3\xCE\xB1.jpg",  // Ωμέγα.jpg
        "\xE6\x97\xA5\xE6\x9C\xAC.jpg",  // 日本.jpg
        "\xF0\x9F\x98\x80.jpg",  // 😀.jpg
        "caf\xC3\xA9.jpg",  // café.jpg, precomposed
        "cafe\xCC\x81.jpg",  // café.jpg, combining accent: another name
        "\xC3\x84.jpg",  // Ä.jpg
};

BOOL CALLBACK FindFolderTree(HWND child, LPARAM found)
{
    char name[32] = "";
    GetClassNameA(child, name, sizeof name);
    if (lstrcmpiA(name, "SysTreeView32") != 0)
        return TRUE;
    *reinterpret_cast<bool*>(found) = true;
    return FALSE;
}

// The folder picker, told from the main window (also a dialog) by its folder tree.
bool HasFolderTree(HWND dialog)
{
    bool found = false;
    EnumChildWindows(dialog, FindFolderTree, reinterpret_cast<LPARAM>(&found));
    return found;
}

std::wstring Wide(const std::string& utf8)
{
    const int units = MultiByteToWideChar(CP_UTF8, 0, utf8.data(), static_cast<int>(utf8.size()), nullptr, 0);
    std::wstring wide(static_cast<std::size_t>(units), L'\0');
    MultiByteToWideChar(CP_UTF8, 0, utf8.data(), static_cast<int>(utf8.size()), wide.data(), units);
    return wide;
}

std::string JpegTaken(const std::string& date, const std::string& maker)
{
    qmtest::Ifd exif;
    exif.Ascii(0x9003, date);
    qmtest::Ifd ifd0;
    ifd0.Ascii(0x010F, maker).Sub(0x8769, exif);
    const auto bytes = qmtest::MinimalJpeg(ifd0);
    return std::string(bytes.begin(), bytes.end());
}

void SetOption(const char* name, DWORD value)
{
    HKEY key;
    ASSERT_EQ(RegCreateKeyExA(HKEY_CURRENT_USER, kOptionsKey, 0, nullptr, 0, KEY_SET_VALUE, nullptr, &key,
                              nullptr),
              ERROR_SUCCESS);
    RegSetValueExA(key, name, 0, REG_DWORD, reinterpret_cast<const BYTE*>(&value), sizeof value);
    RegCloseKey(key);
}

void SetOption(const char* name, const std::string& text)
{
    HKEY key;
    ASSERT_EQ(RegCreateKeyExA(HKEY_CURRENT_USER, kOptionsKey, 0, nullptr, 0, KEY_SET_VALUE, nullptr, &key,
                              nullptr),
              ERROR_SUCCESS);
    RegSetValueExA(key, name, 0, REG_SZ, reinterpret_cast<const BYTE*>(text.c_str()),
                   static_cast<DWORD>(text.size() + 1));
    RegCloseKey(key);
}

class MainNamesTest : public ::testing::Test {
protected:
    void SetUp() override
    {
        ASSERT_EQ(GetACP(), static_cast<UINT>(CP_UTF8)) << "the program's manifest sets UTF-8";
        RegDeleteTreeA(HKEY_CURRENT_USER, kProgramKey);
        SetOption("FirstRun", 0);
    }
    void TearDown() override
    {
        if (dialog && dialog->Handle())
            SendMessageA(dialog->Handle(), WM_COMMAND, IDC_CLOSE, 0);
        PumpFor(20);
        dialog.reset();
        RegDeleteTreeA(HKEY_CURRENT_USER, kProgramKey);
    }

    HWND Open()
    {
        dialog = std::make_unique<MainDialog>();
        EXPECT_TRUE(dialog->Create(nullptr));
        PumpFor(50);
        return dialog->Handle();
    }
    int Rows() { return ListView_GetItemCount(GetDlgItem(dialog->Handle(), IDC_FILE_LIST)); }
    std::string Cell(int row, int column) { return dialog->List().GetItemText(row, column); }

    TempTree tree;
    std::unique_ptr<MainDialog> dialog;
};

}  // namespace

TEST_F(MainNamesTest, DroppedNamesInEveryScriptAreListedOnceCopiedLoggedAndRemembered)
{
    ASSERT_TRUE(CreateDirectoryA(tree.Path(kFolder).c_str(), nullptr));
    std::map<std::string, std::string> content;
    int day = 10;
    for (const std::string& name : kNames) {
        const std::string path = tree.Path(kFolder + "\\" + name);
        content[path] = JpegTaken("2012:01:" + std::to_string(day++) + " 10:00:00", name);
        ASSERT_TRUE(WriteText(path, content[path])) << name;
    }
    const std::string log = tree.Path("\xD0\xB6\xD1\x83\xD1\x80\xD0\xBD\xD0\xB0\xD0\xBB.txt");  // журнал.txt
    SetOption("SaveToLog", 1);
    SetOption("LogFile", log);
    SetOption("AddFilesInSubfolder", 1);

    HWND w = Open();
    ASSERT_TRUE(SendWideDrop(w, {tree.Path(kFolder)}));
    ASSERT_EQ(Rows(), static_cast<int>(kNames.size()));
    // The same files again, one in the other letter case (Ä as ä): nothing new.
    ASSERT_TRUE(
            SendWideDrop(w, {tree.Path(kFolder + "\\\xC3\xA4.jpg"), tree.Path(kFolder + "\\" + kNames[0])}));
    EXPECT_EQ(Rows(), static_cast<int>(kNames.size()));

    SendMessageA(GetDlgItem(w, IDC_DAY_FOLDER), BM_CLICK, 0, 0);
    SendMessageA(GetDlgItem(w, IDC_ANOTHER_FOLDER), BM_CLICK, 0, 0);
    const std::string out = tree.Path("\xD0\x92\xD1\x8B\xD0\xB2\xD0\xBE\xD0\xB4");  // Вывод
    SetDlgItemTextA(w, IDC_OUTPUT_FOLDER, out.c_str());
    SendMessageA(GetDlgItem(w, IDC_COPY_FILES), BM_CLICK, 0, 0);
    PumpFor(50);

    const std::string logText = ReadText(log);
    for (int row = 0; row < Rows(); ++row) {
        const std::string source = Cell(row, 0);
        SCOPED_TRACE(source);
        const std::string target = out + "\\2012\\2012_01\\" + source.substr(source.rfind('\\') + 1);
        EXPECT_EQ(Cell(row, 2), "OK");
        EXPECT_EQ(Cell(row, 1), target);
        EXPECT_EQ(ReadText(target), content[source]);
        EXPECT_NE(logText.find("[Source] " + source + "\r\n[Target] " + target + "\r\n[Copy] OK\r\n"),
                  std::string::npos);
    }
    // The registry holds the output folder as its characters.
    wchar_t stored[MAX_PATH] = L"";
    DWORD size = sizeof stored;
    ASSERT_EQ(RegGetValueW(HKEY_CURRENT_USER,
                           Wide(std::string(kProgramKey) + "\\" + kOutputFolderHistory).c_str(), L"0",
                           RRF_RT_REG_SZ, nullptr, stored, &size),
              ERROR_SUCCESS);
    EXPECT_EQ(std::wstring(stored), Wide(out));
    // ... and the window shows it again after a restart.
    SendMessageA(w, WM_COMMAND, IDC_CLOSE, 0);
    PumpFor(20);
    HWND again = Open();
    char shown[1024] = "";
    GetDlgItemTextA(again, IDC_OUTPUT_FOLDER, shown, sizeof shown);
    EXPECT_EQ(std::string(shown), out);
}

// The folder picker's and the file dialog's answers reach the list as the names they are, a
// sub-folder in another script included.
TEST_F(MainNamesTest, AddFolderAndAddFilesTakeNamesInEveryScript)
{
    ASSERT_TRUE(SUCCEEDED(CoInitialize(nullptr)));  // the folder picker needs COM, as the program sets it up
    const std::string folder = tree.Path(kFolder);
    const std::string inner = folder + "\\\xCE\xA9\xCE\xBC\xCE\xAD\xCE\xB3\xCE\xB1";  // Фото\Ωμέγα
    ASSERT_TRUE(CreateDirectoryA(folder.c_str(), nullptr));
    ASSERT_TRUE(CreateDirectoryA(inner.c_str(), nullptr));
    std::set<std::string> expected;
    for (const std::string& name : kNames) {
        expected.insert(folder + "\\" + name);
        ASSERT_TRUE(WriteText(folder + "\\" + name, "x")) << name;
    }
    expected.insert(inner + "\\" + kNames[3]);
    ASSERT_TRUE(WriteText(inner + "\\" + kNames[3], "x"));
    SetOption("AddFilesInSubfolder", 1);
    SetOption("Folder", folder);

    HWND w = Open();
    {
        MessageBoxCatcher picker(IDOK);
        // The folder is selected again before OK: under load the answer can otherwise come before
        // the picker's own start-up selection lands (where it opens is the picker's own test).
        const std::wstring wideFolder = Wide(folder);
        picker.SetAction([&](HWND dialog) {
            if (HasFolderTree(dialog))
                SendMessageW(dialog, BFFM_SETSELECTIONW, TRUE, reinterpret_cast<LPARAM>(wideFolder.c_str()));
            PostMessageA(dialog, WM_COMMAND, IDOK, 0);
        });
        SendMessageA(w, WM_COMMAND, IDC_ADD_FOLDER, 0);
        // The picker was answered, and no message box came (the main window's own activation
        // afterwards is caught too).
        EXPECT_FALSE(picker.Caught().empty());
        for (const CaughtDialog& caught : picker.Caught())
            EXPECT_EQ(caught.text, "") << caught.caption;
    }
    std::set<std::string> listed;
    for (int row = 0; row < Rows(); ++row)
        listed.insert(Cell(row, 0));
    EXPECT_EQ(listed, expected);

    SendMessageA(w, WM_COMMAND, IDC_REMOVE_ALL, 0);
    ASSERT_EQ(Rows(), 0);
    {
        // One file by its full path, then two from the folder it was in, at once.
        MessageBoxCatcher files;
        int shown = 0;
        files.SetAction([&](HWND box) {
            const std::string typed =
                    ++shown == 1 ? folder + "\\" + kNames[1] : "\"" + kNames[0] + "\" \"" + kNames[2] + "\"";
            SetDlgItemTextA(box, 0x480, typed.c_str());
            SetDlgItemTextA(box, 0x47C, typed.c_str());
            PostMessageA(box, WM_COMMAND, MAKEWPARAM(IDOK, BN_CLICKED), 0);
        });
        SendMessageA(w, WM_COMMAND, IDC_ADD_FILES, 0);
        SendMessageA(w, WM_COMMAND, IDC_ADD_FILES, 0);
        EXPECT_EQ(shown, 2);
    }
    listed.clear();
    for (int row = 0; row < Rows(); ++row)
        listed.insert(Cell(row, 0));
    EXPECT_EQ(listed, (std::set<std::string> {folder + "\\" + kNames[1], folder + "\\" + kNames[0],
                                              folder + "\\" + kNames[2]}));
    CoUninitialize();
}

// 写 takes 3 bytes in UTF-8 but counts 2 where the system sizes ANSI text by its UTF-16 (Windows
// does for window texts, list entries and registry values under the UTF-8 code page; Wine counts
// the UTF-8 bytes): a folder of 100 such characters typed into the box must come back whole from
// the box, the stored settings, the history and its list entry.
TEST_F(MainNamesTest, AnOutputFolderOfCjkCharactersIsReadBackWhole)
{
    std::wstring typedFolder;
    for (int i = 0; i < 100; ++i)
        typedFolder += L'\x5199';
    std::string folder;
    for (int i = 0; i < 100; ++i)
        folder += "\xE5\x86\x99";
    HWND w = Open();
    SendMessageA(GetDlgItem(w, IDC_ANOTHER_FOLDER), BM_CLICK, 0, 0);
    HWND combo = GetDlgItem(w, IDC_OUTPUT_FOLDER);
    HWND edit = GetWindow(combo, GW_CHILD);
    ASSERT_NE(edit, nullptr);
    SendMessageW(edit, WM_SETTEXT, 0, reinterpret_cast<LPARAM>(L""));
    for (const wchar_t c : typedFolder)
        SendMessageW(edit, WM_CHAR, c, 1);
    // Closing stores the box's text as the setting and the history's first entry.
    SendMessageA(w, WM_COMMAND, IDC_CLOSE, 0);
    PumpFor(20);
    OrganizeOptions stored;
    LoadSettings(stored);
    EXPECT_EQ(stored.CustomTargetFolder, folder);
    const auto history = ReadHistory(kOutputFolderHistory);
    ASSERT_TRUE(history.has_value());
    EXPECT_EQ(*history, std::vector<std::string> {folder});

    // Without a stored folder the window takes the history's first entry.
    ASSERT_EQ(RegDeleteKeyValueA(HKEY_CURRENT_USER, kOptionsKey, "CustomTargetFolder"), ERROR_SUCCESS);
    w = Open();
    combo = GetDlgItem(w, IDC_OUTPUT_FOLDER);
    wchar_t shown[512] = L"";
    GetWindowTextW(combo, shown, 512);
    EXPECT_EQ(std::wstring(shown), typedFolder);
    EXPECT_EQ(SendMessageW(combo, CB_GETCOUNT, 0, 0), 1);
    // A run pushes the box's text to the history: the same entry, found and kept once.
    SendMessageA(w, WM_COMMAND, IDC_CLOSE, 0);
    PumpFor(20);
    const auto again = ReadHistory(kOutputFolderHistory);
    ASSERT_TRUE(again.has_value());
    EXPECT_EQ(*again, std::vector<std::string> {folder});
    OrganizeOptions reread;
    LoadSettings(reread);
    EXPECT_EQ(reread.CustomTargetFolder, folder);
}

// A folder of 360 characters dropped on the window is listed whole; Preview and a Copy into an
// output folder of 310 characters agree, and the files arrive whole.
TEST_F(MainNamesTest, ADeepFolderIsListedPreviewedAndCopiedIntoADeepOutputFolder)
{
    std::string deep = tree.Path("drop");
    while (deep.size() < 360)
        deep += "\\" + std::string(std::min<std::size_t>(50, 359 - deep.size()), 'd');
    ASSERT_EQ(deep.size(), 360u);
    std::string out = tree.Path("out");
    while (out.size() < 310)
        out += "\\" + std::string(std::min<std::size_t>(50, 309 - out.size()), 'o');
    ASSERT_TRUE(EnsureFolder(deep, true)) << GetLastError();
    const std::map<std::string, std::string> content {
            {deep + "\\a.jpg", JpegTaken("2012:01:10 10:00:00", "a")},
            {deep + "\\b.jpg", JpegTaken("2013:02:11 10:00:00", "b")}};
    for (const auto& [path, bytes] : content)
        ASSERT_TRUE(WriteText(path, bytes)) << path;
    SetOption("AddFilesInSubfolder", 1);

    HWND w = Open();
    ASSERT_TRUE(SendWideDrop(w, {tree.Path("drop")}));
    ASSERT_EQ(Rows(), 2);
    SendMessageA(GetDlgItem(w, IDC_DAY_FOLDER), BM_CLICK, 0, 0);
    SendMessageA(GetDlgItem(w, IDC_ANOTHER_FOLDER), BM_CLICK, 0, 0);
    SetDlgItemTextA(w, IDC_OUTPUT_FOLDER, out.c_str());

    SendMessageA(w, WM_COMMAND, IDC_PREVIEW, 0);
    PumpFor(50);
    std::map<std::string, std::pair<std::string, std::string>> previewed;
    for (int row = 0; row < Rows(); ++row)
        previewed[Cell(row, 0)] = {Cell(row, 1), Cell(row, 2)};
    EXPECT_FALSE(Exists(tree.Path("out")));

    SendMessageA(GetDlgItem(w, IDC_COPY_FILES), BM_CLICK, 0, 0);
    PumpFor(50);
    ASSERT_EQ(Rows(), 2);
    for (int row = 0; row < Rows(); ++row) {
        const std::string source = Cell(row, 0);
        SCOPED_TRACE(source);
        const std::string date = source == deep + "\\a.jpg" ? "2012\\2012_01" : "2013\\2013_02";
        const std::string target = out + "\\" + date + "\\" + source.substr(source.rfind('\\') + 1);
        EXPECT_EQ(Cell(row, 1), target);
        EXPECT_EQ(Cell(row, 2), "OK");
        EXPECT_EQ(previewed[source], std::make_pair(target, std::string("Will copy")));
        EXPECT_EQ(ReadText(target), content.at(source));
    }
}

// A folder holding an export's archive: Add Folder lists its photos as archive.zip\path, a Copy
// with Takeout dates on lands them in their sidecars' days, and a Move refuses them with the reason.
TEST_F(MainNamesTest, AddFolderListsAnArchivesPhotosThatCopyByTheirSidecarsAndNeverMove)
{
    ASSERT_TRUE(SUCCEEDED(CoInitialize(nullptr)));
    const std::string folder = tree.Path("export");
    ASSERT_TRUE(CreateDirectoryA(folder.c_str(), nullptr));
    qmtest::Ifd bare;
    bare.Short(0x0112, 1);
    const auto undated = qmtest::MinimalJpeg(bare);
    ZipBuilder zip;
    zip.Add("Takeout/Photos/a.jpg", std::string(undated.begin(), undated.end()));
    // 2015-05-15 12:00 UTC: the 15th in every zone.
    zip.Add("Takeout/Photos/a.jpg.json",
            "{\"title\": \"a.jpg\", \"photoTakenTime\": {\"timestamp\": \"1431691200\"}}");
    zip.Add("Takeout/Photos/b.jpg", JpegTaken("2012:01:27 10:00:00", "Beta"), true);
    const std::string archive = folder + "\\takeout-20250203T030726Z-001.zip";
    const std::string bytes = zip.Build();
    ASSERT_TRUE(WriteData(archive, std::vector<unsigned char>(bytes.begin(), bytes.end())));
    SetOption("AddFilesInSubfolder", 1);
    SetOption("Folder", folder);
    SetOption("TakeoutDates", 1);

    HWND w = Open();
    {
        MessageBoxCatcher picker(IDOK);
        const std::wstring wideFolder = Wide(folder);
        picker.SetAction([&](HWND dialog) {
            if (HasFolderTree(dialog))
                SendMessageW(dialog, BFFM_SETSELECTIONW, TRUE, reinterpret_cast<LPARAM>(wideFolder.c_str()));
            PostMessageA(dialog, WM_COMMAND, IDOK, 0);
        });
        SendMessageA(w, WM_COMMAND, IDC_ADD_FOLDER, 0);
        EXPECT_FALSE(picker.Caught().empty());
    }
    const std::string a = archive + "\\Takeout\\Photos\\a.jpg";
    const std::string b = archive + "\\Takeout\\Photos\\b.jpg";
    std::map<std::string, int> rowOf;
    for (int row = 0; row < Rows(); ++row)
        rowOf[Cell(row, 0)] = row;
    ASSERT_EQ(rowOf.count(a), 1u);
    ASSERT_EQ(rowOf.count(b), 1u);
    for (const auto& [source, row] : rowOf)
        EXPECT_EQ(source.rfind(archive + "\\", 0), 0u) << source;

    // A move touches nothing and says why.
    const std::string out = tree.Path("out");
    SendMessageA(GetDlgItem(w, IDC_ANOTHER_FOLDER), BM_CLICK, 0, 0);
    SetDlgItemTextA(w, IDC_OUTPUT_FOLDER, out.c_str());
    {
        MessageBoxCatcher boxes(IDOK);
        SendMessageA(GetDlgItem(w, IDC_MOVE_FILES), BM_CLICK, 0, 0);
        PumpFor(50);
    }
    // b has no sidecar, which its row says after its result.
    EXPECT_EQ(Cell(rowOf[a], 2), "Files inside a zip archive can only be copied");
    EXPECT_EQ(Cell(rowOf[b], 2), "Files inside a zip archive can only be copied (no Takeout sidecar)");
    EXPECT_EQ(GetFileAttributesA((out + "\\2015").c_str()), INVALID_FILE_ATTRIBUTES);

    {
        MessageBoxCatcher boxes(IDOK);
        SendMessageA(GetDlgItem(w, IDC_COPY_FILES), BM_CLICK, 0, 0);
        PumpFor(50);
    }
    const std::string aTarget = out + "\\2015\\2015_05\\2015_05_15\\a.jpg";
    const std::string bTarget = out + "\\2012\\2012_01\\2012_01_27\\b.jpg";
    EXPECT_EQ(Cell(rowOf[a], 1), aTarget);
    EXPECT_EQ(Cell(rowOf[a], 2), "OK (date from Takeout sidecar \"a.jpg.json\")");
    EXPECT_EQ(ReadText(aTarget), std::string(undated.begin(), undated.end()));
    EXPECT_EQ(Cell(rowOf[b], 1), bTarget);
    EXPECT_EQ(Cell(rowOf[b], 2), "OK (no Takeout sidecar)");
    EXPECT_EQ(ReadText(bTarget), JpegTaken("2012:01:27 10:00:00", "Beta"));
    EXPECT_EQ(ReadText(archive), bytes);
    CoUninitialize();
}
