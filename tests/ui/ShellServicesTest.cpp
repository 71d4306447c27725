// Shell services: text helpers directly; the browser fall-back, the folder picker and the
// file dialogs through the real registry, processes and common dialogs.
#include <gtest/gtest.h>

#include <cstring>
#include <string>
#include <thread>

#include "tests/support/MessageBoxCatcher.h"
#include "tests/support/PathBox.h"
#include "tests/support/PumpUntil.h"
#include "tests/support/TempTree.h"
#include "tests/ui/RecordingBrowser.h"
#include "toolkit/ShellServices.h"

#include <objbase.h>
#include <shlobj.h>

namespace {

using Tokens = std::vector<std::string>;

Tokens Split(std::string text, char separator)
{
    text.push_back('\0');
    Tokens tokens;
    for (char* token : SplitInPlace(text.data(), separator))
        tokens.emplace_back(token);
    return tokens;
}

TEST(SplitInPlace, SkipsEmptyPieces)
{
    EXPECT_EQ(Split(",jpg,,tif,", ','), (Tokens {"jpg", "tif"}));
    EXPECT_EQ(Split("jpg", ','), (Tokens {"jpg"}));
    EXPECT_EQ(Split("a;b;c", ';'), (Tokens {"a", "b", "c"}));
    EXPECT_TRUE(Split(",,,", ',').empty());
    EXPECT_TRUE(Split("", ',').empty());
    EXPECT_TRUE(SplitInPlace(nullptr, ',').empty());
    char text[] = "jpg,tif";
    EXPECT_TRUE(SplitInPlace(text, '\0').empty());
}

TEST(SplitInPlace, PointsIntoTheCallersText)
{
    char text[] = ",jpg,,tif,";
    std::vector<char*> tokens = SplitInPlace(text, ',');
    ASSERT_EQ(tokens.size(), 2u);
    EXPECT_EQ(tokens[0], text + 1);
    EXPECT_EQ(tokens[1], text + 6);
    EXPECT_EQ(text[4], '\0');
    EXPECT_EQ(text[9], '\0');
}

TEST(GetProgramFolder, IsTheExecutablesFolderWithItsBackslash)
{
    char folder[520];
    ASSERT_TRUE(GetProgramFolder(folder, sizeof folder));
    size_t length = std::strlen(folder);
    ASSERT_GT(length, 3u);
    EXPECT_EQ(folder[length - 1], '\\');
    char module[MAX_PATH];
    ASSERT_GT(GetModuleFileNameA(nullptr, module, sizeof module), 0u);
    EXPECT_EQ(std::string(module).substr(0, length), folder);
    EXPECT_EQ(std::strchr(module + length, '\\'), nullptr);
}

TEST(GetProgramFolder, RefusesABufferThatCannotHoldIt)
{
    char folder[520];
    ASSERT_TRUE(GetProgramFolder(folder, sizeof folder));
    size_t length = std::strlen(folder);
    std::string exact(length + 1, 'x');
    EXPECT_TRUE(GetProgramFolder(exact.data(), exact.size()));
    EXPECT_STREQ(exact.c_str(), folder);
    std::string tooSmall(length, 'x');
    EXPECT_FALSE(GetProgramFolder(tooSmall.data(), tooSmall.size()));
}

TEST(ShowInFileBrowser, QuotesThePathAfterSelect)
{
    EXPECT_EQ(FileBrowserParameters("C:\\My Photos\\a b.jpg"), "/select,\"C:\\My Photos\\a b.jpg\"");
    EXPECT_EQ(FileBrowserParameters("C:\\x.jpg"), "/select,\"C:\\x.jpg\"");
}

TEST(BrowserCommandLine, ReplacesEverythingFromThePlaceholder)
{
    EXPECT_EQ(BrowserCommandLine("\"C:\\b\\browser.exe\" \"%1\"", "http://a/"),
              "\"C:\\b\\browser.exe\"  http://a/");
    EXPECT_EQ(BrowserCommandLine("\"C:\\b\\browser.exe\" -new \"%1\" -x", "http://a/"),
              "\"C:\\b\\browser.exe\" -new  http://a/");
    EXPECT_EQ(BrowserCommandLine("C:\\b\\browser.exe %1", "mailto:x"), "C:\\b\\browser.exe  mailto:x");
    EXPECT_EQ(BrowserCommandLine("C:\\b\\browser.exe", "mailto:x"), "C:\\b\\browser.exe mailto:x");
}

TEST(PickFolder, InitialTextLosesItsTrailingBackslashButARootKeepsIt)
{
    char folder[] = "C:\\Photos\\";
    StripTrailingBackslash(folder);
    EXPECT_STREQ(folder, "C:\\Photos");
    StripTrailingBackslash(folder);
    EXPECT_STREQ(folder, "C:\\Photos");
    char root[] = "C:\\";
    StripTrailingBackslash(root);
    EXPECT_STREQ(root, "C:\\");
    char empty[] = "";
    StripTrailingBackslash(empty);
    EXPECT_STREQ(empty, "");
}

// The folder picker needs COM on the thread, as the application sets it up at start-up.
class ComForThisTest {
public:
    ComForThisTest() : ok_(SUCCEEDED(CoInitialize(nullptr))) { }
    ~ComForThisTest()
    {
        if (ok_)
            CoUninitialize();
    }

private:
    bool ok_;
};

std::string WindowsFolder()
{
    char folder[MAX_PATH];
    UINT length = GetWindowsDirectoryA(folder, sizeof folder);
    return length > 0 && length < sizeof folder ? std::string(folder, length) : std::string();
}

// The process's current folder.
std::string CurrentFolder()
{
    char folder[MAX_PATH];
    const DWORD length = GetCurrentDirectoryA(sizeof folder, folder);
    return length > 0 && length < sizeof folder ? std::string(folder, length) : std::string();
}

// Sets the current folder for a test and puts the previous one back afterwards.
class InFolder {
public:
    explicit InFolder(const std::string& folder) : previous_(CurrentFolder())
    {
        CreateDirectoryA(folder.c_str(), nullptr);
        ok_ = SetCurrentDirectoryA(folder.c_str()) != 0;
    }
    ~InFolder() { SetCurrentDirectoryA(previous_.c_str()); }
    bool ok() const { return ok_; }

private:
    std::string previous_;
    bool ok_ = false;
};

TEST(PickFolder, OpensAtTheInitialFolderAndReturnsItWithABackslash)
{
    ComForThisTest com;
    std::string windows = WindowsFolder();
    ASSERT_FALSE(windows.empty());
    std::string initial = windows + "\\";
    MessageBoxCatcher catcher(IDOK);
    ASSERT_TRUE(catcher.Installed());
    char result[520] = "unchanged";
    EXPECT_TRUE(PickFolder(nullptr, "Choose a folder", initial.data(), result, sizeof result));
    EXPECT_EQ(catcher.Caught().size(), 1u);
    EXPECT_STREQ(initial.c_str(), windows.c_str());
    EXPECT_EQ(lstrcmpiA(result, (windows + "\\").c_str()), 0) << result;
}

TEST(PickFolder, LeavesTheCurrentFolderAsItWas)
{
    ComForThisTest com;
    std::string windows = WindowsFolder();
    InFolder start(windows + "\\temp\\qm-start-folder");
    ASSERT_TRUE(start.ok());
    std::string initial = windows + "\\system32";
    MessageBoxCatcher catcher(IDOK);
    char result[520] = "";
    EXPECT_TRUE(PickFolder(nullptr, "Choose a folder", initial.data(), result, sizeof result));
    EXPECT_EQ(lstrcmpiA(CurrentFolder().c_str(), (windows + "\\temp\\qm-start-folder").c_str()), 0)
            << CurrentFolder();
}

TEST(PickFolder, DriveRootComesBackWithOneBackslash)
{
    ComForThisTest com;
    MessageBoxCatcher catcher(IDOK);
    char initial[] = "C:\\";
    char result[520] = "";
    EXPECT_TRUE(PickFolder(nullptr, "Choose a folder", initial, result, sizeof result));
    EXPECT_STREQ(initial, "C:\\");
    EXPECT_EQ(lstrcmpiA(result, "C:\\"), 0) << result;
}

TEST(PickFolder, CancelAndTooSmallBufferGiveFalse)
{
    ComForThisTest com;
    std::string windows = WindowsFolder();
    MessageBoxCatcher catcher(IDCANCEL);
    char result[520] = "unchanged";
    std::string initial = windows;
    EXPECT_FALSE(PickFolder(nullptr, "Choose a folder", initial.data(), result, sizeof result));
    EXPECT_STREQ(result, "unchanged");

    catcher.SetAnswer(IDOK);
    char small[4] = "abc";  // C:\windows\ does not fit
    EXPECT_FALSE(PickFolder(nullptr, "Choose a folder", initial.data(), small, sizeof small));
    EXPECT_STREQ(small, "abc");
    EXPECT_EQ(catcher.Caught().size(), 2u);
}

// Types the name into the box that has the focus once the dialog is up, then presses OK. The
// file name box has the focus when a file dialog opens, on Windows and under Wine; its control
// ID is another in the newer dialog Windows shows, so it is not used.
std::string g_typedName;
HWND g_fileDialog = nullptr;
void CALLBACK TypeIntoFocus(HWND, UINT, UINT_PTR timer, DWORD)
{
    KillTimer(nullptr, timer);
    // A program started by an earlier test may hold the activation: the dialog, activated, gives
    // the focus back to its name box.
    if (!GetFocus())
        SetActiveWindow(g_fileDialog);
    HWND focus = GetFocus();
    if (!focus)
        return;
    SetWindowTextA(focus, g_typedName.c_str());
    PostMessageA(g_fileDialog, WM_COMMAND, MAKEWPARAM(IDOK, BN_CLICKED), 0);
}

void TypeFileName(HWND dialog, const std::string& name)
{
    g_typedName = name;
    g_fileDialog = dialog;
    SetTimer(nullptr, 0, 200, TypeIntoFocus);
}

TEST(RunFileDialog, NoBufferMeansNoDialog)
{
    MessageBoxCatcher catcher(IDCANCEL);
    DWORD index = 1;
    EXPECT_EQ(RunFileDialog(nullptr, "All\0*.*\0", OFN_EXPLORER, nullptr, 520, index, nullptr, nullptr, true),
              0);
    EXPECT_TRUE(catcher.Caught().empty());
}

TEST(RunFileDialog, CancelGivesZeroAndKeepsTheFilterIndex)
{
    MessageBoxCatcher catcher(IDCANCEL);
    char file[520] = "left over";
    DWORD index = 2;
    EXPECT_EQ(RunFileDialog(nullptr, "Text File (*.txt)\0*.txt\0All\0*.*\0", 0x80804, file, sizeof file,
                            index, nullptr, ".txt", false),
              0);
    EXPECT_EQ(catcher.Caught().size(), 1u);
    EXPECT_EQ(index, 2u);
    EXPECT_EQ(file[0], '\0');  // the dialog started with an empty name
}

TEST(RunFileDialog, SaveDialogAddsTheDefaultExtension)
{
    std::string windows = WindowsFolder();
    MessageBoxCatcher catcher;
    catcher.SetAction([](HWND dialog) { TypeFileName(dialog, "quillmere-test-log"); });
    char file[520];
    DWORD index = 1;
    std::string folder = windows + "\\temp";
    CreateDirectoryA(folder.c_str(), nullptr);
    InFolder start(windows + "\\temp\\qm-start-folder");
    ASSERT_TRUE(start.ok());
    int result = RunFileDialog(nullptr, "Text File (*.txt)\0*.txt\0", 0x80804, file, sizeof file, index,
                               folder.c_str(), ".txt", false);
    EXPECT_NE(result, 0);
    EXPECT_EQ(lstrcmpiA(file, (folder + "\\quillmere-test-log.txt").c_str()), 0) << file;
    EXPECT_EQ(index, 1u);
    // The dialog does not leave the process in the folder it saved to.
    EXPECT_EQ(lstrcmpiA(CurrentFolder().c_str(), (windows + "\\temp\\qm-start-folder").c_str()), 0)
            << CurrentFolder();
}

TEST(RunFileDialog, OpenDialogLeavesTheCurrentFolderAsItWas)
{
    std::string windows = WindowsFolder();
    MessageBoxCatcher catcher;
    catcher.SetAction([](HWND dialog) { TypeFileName(dialog, "kernel32.dll"); });
    InFolder start(windows + "\\temp\\qm-start-folder");
    ASSERT_TRUE(start.ok());
    char file[520];
    DWORD index = 1;
    const std::string system = windows + "\\system32";
    // Add Files' flags: a multiple selection in the newer style.
    ASSERT_NE(RunFileDialog(nullptr, "All\0*.*\0", 0x81204, file, sizeof file, index, system.c_str(), nullptr,
                            true),
              0);
    EXPECT_EQ(lstrcmpiA(file, (system + "\\kernel32.dll").c_str()), 0) << file;
    EXPECT_EQ(lstrcmpiA(CurrentFolder().c_str(), (windows + "\\temp\\qm-start-folder").c_str()), 0)
            << CurrentFolder();
}

TEST(RunFileDialog, ASelectionTooLongForTheBufferAsksOnceMore)
{
    std::string windows = WindowsFolder();
    MessageBoxCatcher catcher;
    int shown = 0;
    catcher.SetAction([&](HWND dialog) {
        if (++shown == 1) {
            TypeFileName(dialog, WindowsFolder() + "\\system32\\kernel32.dll");
        } else {
            PostMessageA(dialog, WM_COMMAND, MAKEWPARAM(IDCANCEL, BN_CLICKED), 0);
        }
    });
    char file[12];
    DWORD index = 1;
    EXPECT_EQ(RunFileDialog(nullptr, "All\0*.*\0", 0x81204, file, sizeof file, index, windows.c_str(),
                            nullptr, true),
              0);
    EXPECT_EQ(shown, 2);
    EXPECT_EQ(file[0], '\0');
}

class OpenUrlFallback : public ::testing::Test {
protected:
    const std::string url = std::string(RecordingBrowser::kUnhandledScheme) + "photos/page?a=1&b=2";
};

TEST_F(OpenUrlFallback, QuotedPlaceholder)
{
    RecordingBrowser browser("{browser} \"%1\"");
    ASSERT_TRUE(browser.ok());
    EXPECT_GT(OpenUrl(url.c_str(), SW_SHOWNORMAL), 32u);
    EXPECT_EQ(browser.CommandLine(), browser.Quoted() + "  " + url);
}

TEST_F(OpenUrlFallback, BarePlaceholder)
{
    RecordingBrowser browser("{browser} %1");
    ASSERT_TRUE(browser.ok());
    EXPECT_GT(OpenUrl(url.c_str(), SW_SHOWNORMAL), 32u);
    EXPECT_EQ(browser.CommandLine(), browser.Quoted() + "  " + url);
}

TEST_F(OpenUrlFallback, NoPlaceholder)
{
    RecordingBrowser browser("{browser}");
    ASSERT_TRUE(browser.ok());
    EXPECT_GT(OpenUrl(url.c_str(), SW_SHOWNORMAL), 32u);
    EXPECT_EQ(browser.CommandLine(), browser.Quoted() + " " + url);
}

TEST_F(OpenUrlFallback, AddressLongerThanAnyFixedBuffer)
{
    RecordingBrowser browser("{browser} \"%1\"");
    ASSERT_TRUE(browser.ok());
    // Longer than the registry buffers and than the command line they could hold. (Wine 8's
    // own ShellExecute overruns its stack from about 1,000 characters, so the address stays
    // below that.)
    std::string longUrl = url + "&q=" + std::string(900, 'z') + "&end=1";
    EXPECT_GT(OpenUrl(longUrl.c_str(), SW_SHOWNORMAL), 32u);
    EXPECT_EQ(browser.CommandLine(), browser.Quoted() + "  " + longUrl);
}

TEST_F(OpenUrlFallback, NoRegisteredCommandReturnsTheShellsFailure)
{
    RecordingBrowser browser("");  // .htm names a class without an open command
    ASSERT_TRUE(browser.ok());
    EXPECT_LE(OpenUrl(url.c_str(), SW_SHOWNORMAL), 32u);
    PumpFor(300);
    EXPECT_FALSE(browser.Started());
}

}  // namespace

TEST(PickFolder, ReturnsALongFolderNamedInAnyScriptWhole)
{
    ASSERT_EQ(GetACP(), static_cast<UINT>(CP_UTF8)) << "the program's manifest sets UTF-8";
    ComForThisTest com;
    TempTree tree;
    // Fewer than MAX_PATH characters, but far more than MAX_PATH bytes in UTF-8.
    std::string cyrillic;
    for (int i = 0; i < 90; ++i)
        cyrillic += "\xD0\xAF";  // Я
    std::string cjk;
    for (int i = 0; i < 50; ++i)
        cjk += "\xE6\x97\xA5";  // 日
    const std::string folder = tree.Path(cyrillic) + "\\" + cjk;
    ASSERT_TRUE(CreateDirectoryA(tree.Path(cyrillic).c_str(), nullptr));
    ASSERT_TRUE(CreateDirectoryA(folder.c_str(), nullptr));
    ASSERT_GT(folder.size(), static_cast<size_t>(MAX_PATH));
    std::string initial = folder + "\\";
    // Selected again before OK: what is tested here is the way back, and where the picker opens
    // is the test above; a slow start-up selection must not stand in for it.
    std::wstring wide(MAX_PATH, L'\0');
    wide.resize(static_cast<size_t>(
            MultiByteToWideChar(CP_UTF8, 0, folder.c_str(), -1, wide.data(), MAX_PATH) - 1));
    MessageBoxCatcher catcher(IDOK);
    catcher.SetAction([&](HWND dialog) {
        SendMessageW(dialog, BFFM_SETSELECTIONW, TRUE, reinterpret_cast<LPARAM>(wide.c_str()));
        PostMessageA(dialog, WM_COMMAND, IDOK, 0);
    });
    char result[kPickedFolderBytes] = "";
    EXPECT_TRUE(PickFolder(nullptr, "Choose a folder", initial.data(), result, sizeof result));
    EXPECT_EQ(std::string(result), folder + "\\");
}

TEST(PickFolder, IsTheItemDialogWithThePathBoxShowingWhereItStarts)
{
    ComForThisTest com;
    TempTree tree;
    const std::string chosen = tree.Path("picked");
    ASSERT_TRUE(CreateDirectoryA(chosen.c_str(), nullptr));
    std::string initial = WindowsFolder();
    std::string startText;
    bool typed = false;
    MessageBoxCatcher catcher(IDOK);
    catcher.SetAction([&](HWND dialog) {
        startText = qmtest::PathBoxText(dialog);
        typed = qmtest::ChooseInPathBox(dialog, chosen);
        if (!typed)
            PostMessageA(dialog, WM_COMMAND, IDCANCEL, 0);
    });
    char result[520] = "";
    EXPECT_TRUE(PickFolder(nullptr, "Choose a folder", initial.data(), result, sizeof result));
    ASSERT_EQ(catcher.Caught().size(), 1u);
    // The item dialog takes the title as its caption; the older picker shows it inside.
    EXPECT_EQ(catcher.Caught()[0].caption, "Choose a folder");
    EXPECT_TRUE(typed) << "no path box";
    EXPECT_EQ(lstrcmpiA(startText.c_str(), WindowsFolder().c_str()), 0) << startText;
    EXPECT_EQ(lstrcmpiA(result, (chosen + "\\").c_str()), 0) << result;
}

// An enumeration callback must be stdcall on 32-bit Windows, which a lambda is not.
static BOOL CALLBACK NoteTreeView(HWND child, LPARAM found)
{
    char name[32] = "";
    GetClassNameA(child, name, sizeof name);
    if (lstrcmpiA(name, "SysTreeView32") == 0)
        *reinterpret_cast<bool*>(found) = true;
    return TRUE;
}

TEST(PickFolder, WithoutTheItemDialogTheOlderPickerServes)
{
    // A thread without COM cannot create the item dialog.
    std::string caption;
    bool tree = false;
    bool picked = false;
    char result[520] = "";
    std::thread([&] {
        MessageBoxCatcher catcher(IDOK);
        catcher.SetAction([&](HWND dialog) {
            EnumChildWindows(dialog, NoteTreeView, reinterpret_cast<LPARAM>(&tree));
            PostMessageA(dialog, WM_COMMAND, IDOK, 0);
        });
        std::string initial = WindowsFolder();
        picked = PickFolder(nullptr, "Choose a folder", initial.data(), result, sizeof result);
        if (!catcher.Caught().empty())
            caption = catcher.Caught()[0].caption;
    }).join();
    EXPECT_TRUE(tree) << "not the folder browser";
    EXPECT_NE(caption, "Choose a folder");
    EXPECT_TRUE(picked);
    EXPECT_EQ(lstrcmpiA(result, (WindowsFolder() + "\\").c_str()), 0) << result;
}
