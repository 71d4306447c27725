// Paths on the program's command line: read as Explorer and a console pass them, and listed by
// the real program started with them, folders as Add Folder lists them.
#include <gtest/gtest.h>

#include <windows.h>

#include <algorithm>
#include <string>
#include <vector>

#include "tests/ui/main/MainWindowFixture.h"
#include "toolkit/ShellServices.h"

namespace {

using namespace mainwindow;

// "Фото" in UTF-8, the program's code page.
const std::string kCyrillic = "\xD0\xA4\xD0\xBE\xD1\x82\xD0\xBE";

std::string CurrentFolderWithBackslash()
{
    char folder[MAX_PATH];
    const DWORD length = GetCurrentDirectoryA(sizeof folder, folder);
    std::string text(folder, length < sizeof folder ? length : 0);
    return text.empty() || text.back() == '\\' ? text : text + "\\";
}

TEST(CommandLinePaths, LeaveOutTheProgramAndMakeEachPathWhole)
{
    ASSERT_EQ(GetACP(), static_cast<UINT>(CP_UTF8)) << "the program's manifest sets UTF-8";
    // The quoted name holds a space and Cyrillic letters; the last one is relative.
    const std::wstring line =
            L"\"C:\\Program Files\\Quillmere\\quillmere.exe\" \"C:\\My \x0424\x043E\x0442\x043E\" "
            L"D:\\a.jpg sub\\b.jpg";
    size_t unspellable = 7;
    const std::vector<std::string> paths = CommandLinePaths(line.c_str(), &unspellable);
    EXPECT_EQ(paths, (std::vector<std::string> {"C:\\My " + kCyrillic, "D:\\a.jpg",
                                                CurrentFolderWithBackslash() + "sub\\b.jpg"}));
    EXPECT_EQ(unspellable, 0u);
}

TEST(CommandLinePaths, TheProgramAloneNamesNoPath)
{
    EXPECT_TRUE(CommandLinePaths(L"quillmere.exe").empty());
    EXPECT_TRUE(CommandLinePaths(L"\"C:\\x\\quillmere.exe\"   ").empty());
    EXPECT_TRUE(CommandLinePaths(L"").empty());
}

class StartPathsTest : public MainWindowTest { };

TEST_F(StartPathsTest, FoldersAndFilesAreListedAndMissingOnesNamed)
{
    TempTree tree;
    const std::string folder = tree.Path(kCyrillic);
    ASSERT_TRUE(CreateDirectoryA(folder.c_str(), nullptr));
    ASSERT_TRUE(CreateDirectoryA((folder + "\\inner").c_str(), nullptr));
    ASSERT_TRUE(WriteData(folder + "\\a.jpg", JpegTaken("2020:01:02 03:04:05")));
    ASSERT_TRUE(WriteData(folder + "\\inner\\b.jpg", JpegTaken("2020:01:02 03:04:06")));
    ASSERT_TRUE(WriteData(tree.Path("single.jpg"), JpegTaken("2020:01:02 03:04:07")));
    const std::string missing = tree.Path("gone.jpg");
    SetDword("AddFilesInSubfolder", 1);
    SetDword("FirstRun", 0);
    MessageBoxCatcher catcher(IDOK);
    catcher.OnlyMessageBoxes();
    dialog_ = std::make_unique<MainDialog>();
    dialog_->ListAtStart({folder, tree.Path("single.jpg"), missing});
    ASSERT_TRUE(dialog_->Create(nullptr));
    MessageBoxCatcher::Ignore(dialog_->Handle());
    ASSERT_TRUE(PumpUntil([&] { return !catcher.Caught().empty(); }, 5000));
    ASSERT_EQ(Rows(), 3);
    std::vector<std::string> listed {Cell(0, 0), Cell(1, 0), Cell(2, 0)};
    std::sort(listed.begin(), listed.end());
    std::vector<std::string> expected {folder + "\\a.jpg", folder + "\\inner\\b.jpg",
                                       tree.Path("single.jpg")};
    std::sort(expected.begin(), expected.end());
    EXPECT_EQ(listed, expected);
    EXPECT_EQ(Total(dialog_->Handle()), "Total: 3");
    ASSERT_EQ(catcher.Caught().size(), 1u);
    EXPECT_NE(catcher.Caught()[0].text.find(missing), std::string::npos) << catcher.Caught()[0].text;
}

TEST_F(StartPathsTest, NoPathsListNothingAndSayNothing)
{
    MessageBoxCatcher catcher(IDOK);
    catcher.OnlyMessageBoxes();
    HWND w = Open();
    MessageBoxCatcher::Ignore(w);
    PumpFor(100);
    EXPECT_EQ(Rows(), 0);
    EXPECT_TRUE(catcher.Caught().empty());
}

struct ProcessWindow {
    DWORD process;
    HWND found;
};

BOOL CALLBACK FindMainWindow(HWND window, LPARAM data)
{
    auto* search = reinterpret_cast<ProcessWindow*>(data);
    DWORD owner = 0;
    GetWindowThreadProcessId(window, &owner);
    char title[64] = "";
    GetWindowTextA(window, title, sizeof title);
    if (owner == search->process && std::string(title) == "Quillmere" && IsWindowVisible(window)) {
        search->found = window;
        return FALSE;
    }
    return TRUE;
}

// Rows in another program's list, asked by a message that carries no pointer across processes.
LRESULT ListedCount(HWND list)
{
    DWORD_PTR count = 0;
    if (!SendMessageTimeoutA(list, LVM_GETITEMCOUNT, 0, 0, SMTO_BLOCK, 2000, &count))
        return -1;
    return static_cast<LRESULT>(count);
}

TEST_F(StartPathsTest, TheProgramStartedWithAFolderListsItsPhotos)
{
    const std::string program = std::string(QM_DIST_DIR) + "/quillmere.exe";
    if (GetFileAttributesA(program.c_str()) == INVALID_FILE_ATTRIBUTES)
        GTEST_SKIP() << "quillmere.exe is not built in " << QM_DIST_DIR;
    TempTree tree;
    const std::string folder = tree.Path("Card " + kCyrillic);
    ASSERT_TRUE(CreateDirectoryA(folder.c_str(), nullptr));
    for (const char* name : {"\\one.jpg", "\\two.jpg"})
        ASSERT_TRUE(WriteData(folder + name, JpegTaken("2021:05:06 07:08:09")));
    SetDword("FirstRun", 0);
    SetDword("WndMaximized", 0);

    std::string command = "\"" + program + "\" \"" + folder + "\"";
    STARTUPINFOA start {};
    start.cb = sizeof start;
    PROCESS_INFORMATION info {};
    ASSERT_TRUE(CreateProcessA(nullptr, command.data(), nullptr, nullptr, FALSE, 0, nullptr, nullptr, &start,
                               &info))
            << GetLastError();
    ProcessWindow search {info.dwProcessId, nullptr};
    LRESULT listed = 0;
    PumpUntil(
            [&] {
                if (!search.found)
                    EnumWindows(FindMainWindow, reinterpret_cast<LPARAM>(&search));
                if (search.found)
                    listed = ListedCount(GetDlgItem(search.found, IDC_FILE_LIST));
                return listed == 2;
            },
            20000);
    EXPECT_NE(search.found, nullptr) << "the program's window did not appear";
    EXPECT_EQ(listed, 2);
    if (search.found)
        PostMessageA(search.found, WM_CLOSE, 0, 0);
    const DWORD ended = WaitForSingleObject(info.hProcess, 20000);
    EXPECT_EQ(ended, WAIT_OBJECT_0);
    if (ended != WAIT_OBJECT_0)
        TerminateProcess(info.hProcess, 1);
    CloseHandle(info.hThread);
    CloseHandle(info.hProcess);
}

}  // namespace
