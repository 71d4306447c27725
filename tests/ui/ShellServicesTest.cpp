// Shell services: text helpers directly; the browser fall-back, the folder picker and the
// file dialogs through the real registry, processes and common dialogs.
#include <gtest/gtest.h>

#include <cstring>
#include <fstream>
#include <sstream>
#include <string>

#include "tests/support/MessageBoxCatcher.h"
#include "tests/support/PumpUntil.h"
#include "toolkit/ShellServices.h"

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
    EXPECT_EQ(Split(",jpg,,tif,", ','), (Tokens{"jpg", "tif"}));
    EXPECT_EQ(Split("jpg", ','), (Tokens{"jpg"}));
    EXPECT_EQ(Split("a;b;c", ';'), (Tokens{"a", "b", "c"}));
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
    EXPECT_EQ(BrowserCommandLine("\"C:\\b\\browser.exe\" \"%1\"", "http://a/"), "\"C:\\b\\browser.exe\"  http://a/");
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

std::string WindowsFolder()
{
    char folder[MAX_PATH];
    UINT length = GetWindowsDirectoryA(folder, sizeof folder);
    return length > 0 && length < sizeof folder ? std::string(folder, length) : std::string();
}

TEST(PickFolder, OpensAtTheInitialFolderAndReturnsItWithABackslash)
{
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

TEST(PickFolder, DriveRootComesBackWithOneBackslash)
{
    MessageBoxCatcher catcher(IDOK);
    char initial[] = "C:\\";
    char result[520] = "";
    EXPECT_TRUE(PickFolder(nullptr, "Choose a folder", initial, result, sizeof result));
    EXPECT_STREQ(initial, "C:\\");
    EXPECT_EQ(lstrcmpiA(result, "C:\\"), 0) << result;
}

TEST(PickFolder, CancelAndTooSmallBufferGiveFalse)
{
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

// The file name box of the open and save dialogs (an edit control or a combo box).
void TypeFileName(HWND dialog, const char* name)
{
    SetDlgItemTextA(dialog, 0x480, name);
    SetDlgItemTextA(dialog, 0x47C, name);
}

TEST(RunFileDialog, NoBufferMeansNoDialog)
{
    MessageBoxCatcher catcher(IDCANCEL);
    DWORD index = 1;
    EXPECT_EQ(RunFileDialog(nullptr, "All\0*.*\0", OFN_EXPLORER, nullptr, 520, index, nullptr, nullptr, true), 0);
    EXPECT_TRUE(catcher.Caught().empty());
}

TEST(RunFileDialog, CancelGivesZeroAndKeepsTheFilterIndex)
{
    MessageBoxCatcher catcher(IDCANCEL);
    char file[520] = "left over";
    DWORD index = 2;
    EXPECT_EQ(RunFileDialog(nullptr, "Text File (*.txt)\0*.txt\0All\0*.*\0", 0x80804, file, sizeof file, index,
                            nullptr, ".txt", false),
              0);
    EXPECT_EQ(catcher.Caught().size(), 1u);
    EXPECT_EQ(index, 2u);
    EXPECT_EQ(file[0], '\0');  // the dialog started with an empty name
}

TEST(RunFileDialog, SaveDialogAddsTheDefaultExtension)
{
    std::string windows = WindowsFolder();
    MessageBoxCatcher catcher;
    catcher.SetAction([](HWND dialog) {
        TypeFileName(dialog, "quillmere-test-log");
        PostMessageA(dialog, WM_COMMAND, MAKEWPARAM(IDOK, BN_CLICKED), 0);
    });
    char file[520];
    DWORD index = 1;
    std::string folder = windows + "\\temp";
    CreateDirectoryA(folder.c_str(), nullptr);
    int result = RunFileDialog(nullptr, "Text File (*.txt)\0*.txt\0", 0x80804, file, sizeof file, index,
                               folder.c_str(), ".txt", false);
    EXPECT_NE(result, 0);
    EXPECT_EQ(lstrcmpiA(file, (folder + "\\quillmere-test-log.txt").c_str()), 0) << file;
    EXPECT_EQ(index, 1u);
}

TEST(RunFileDialog, ASelectionTooLongForTheBufferAsksOnceMore)
{
    std::string windows = WindowsFolder();
    MessageBoxCatcher catcher;
    int shown = 0;
    catcher.SetAction([&](HWND dialog) {
        if (++shown == 1) {
            TypeFileName(dialog, (WindowsFolder() + "\\system32\\kernel32.dll").c_str());
            PostMessageA(dialog, WM_COMMAND, MAKEWPARAM(IDOK, BN_CLICKED), 0);
        } else {
            PostMessageA(dialog, WM_COMMAND, MAKEWPARAM(IDCANCEL, BN_CLICKED), 0);
        }
    });
    char file[12];
    DWORD index = 1;
    EXPECT_EQ(RunFileDialog(nullptr, "All\0*.*\0", 0x81204, file, sizeof file, index, windows.c_str(), nullptr, true),
              0);
    EXPECT_EQ(shown, 2);
    EXPECT_EQ(file[0], '\0');
}

// Registers a stand-in browser as the open command of the .htm class for one test, and
// removes it again. Under Wine 8 HKEY_CLASSES_ROOT does not merge HKCU\Software\Classes,
// so the registration is made through HKEY_CLASSES_ROOT itself, the view OpenUrl reads.
class BrowserRegistration {
public:
    explicit BrowserRegistration(const std::string& command)
    {
        HKEY key = nullptr;
        hadHtm_ = RegOpenKeyExA(HKEY_CLASSES_ROOT, ".htm", 0, KEY_QUERY_VALUE, &key) == ERROR_SUCCESS;
        if (hadHtm_) {
            char value[520] = "";
            DWORD size = sizeof value - 1;
            if (RegQueryValueExA(key, nullptr, nullptr, nullptr, reinterpret_cast<BYTE*>(value), &size) ==
                ERROR_SUCCESS)
                oldClass_.assign(value, size > 0 && value[size - 1] == '\0' ? size - 1 : size);
            RegCloseKey(key);
        }
        ok_ = SetDefault(".htm", kClass) &&
              (command.empty() || SetDefault(std::string(kClass) + "\\shell\\open\\command", command));
    }
    ~BrowserRegistration()
    {
        RegDeleteTreeA(HKEY_CLASSES_ROOT, kClass);
        if (hadHtm_)
            SetDefault(".htm", oldClass_);
        else
            RegDeleteTreeA(HKEY_CLASSES_ROOT, ".htm");
    }
    bool ok() const { return ok_; }

private:
    static constexpr const char* kClass = "Quillmere.TestBrowserClass";
    static bool SetDefault(const std::string& subKey, const std::string& value)
    {
        HKEY key = nullptr;
        if (RegCreateKeyExA(HKEY_CLASSES_ROOT, subKey.c_str(), 0, nullptr, 0, KEY_SET_VALUE, nullptr, &key,
                            nullptr) != ERROR_SUCCESS)
            return false;
        LONG status = RegSetValueExA(key, nullptr, 0, REG_SZ, reinterpret_cast<const BYTE*>(value.c_str()),
                                     static_cast<DWORD>(value.size() + 1));
        RegCloseKey(key);
        return status == ERROR_SUCCESS;
    }
    bool hadHtm_ = false;
    bool ok_ = false;
    std::string oldClass_;
};

class OpenUrlFallback : public ::testing::Test {
protected:
    void SetUp() override
    {
        char folder[520];
        ASSERT_TRUE(GetProgramFolder(folder, sizeof folder));
        helper = std::string(folder) + "record_command_line.exe";
        ASSERT_NE(GetFileAttributesA(helper.c_str()), INVALID_FILE_ATTRIBUTES) << helper;
        char temp[MAX_PATH];
        ASSERT_GT(GetTempPathA(sizeof temp, temp), 0u);
        record = std::string(temp) + "quillmere-browser-command.txt";
        DeleteFileA(record.c_str());
        ASSERT_TRUE(SetEnvironmentVariableA("QM_RECORD_FILE", record.c_str()));
    }
    void TearDown() override
    {
        DeleteFileA(record.c_str());
        SetEnvironmentVariableA("QM_RECORD_FILE", nullptr);
    }

    // The command line the stand-in browser was started with ("" if it did not run).
    std::string RecordedCommandLine()
    {
        PumpUntil([&] { return GetFileAttributesA(record.c_str()) != INVALID_FILE_ATTRIBUTES; }, 10000);
        std::ifstream in(record, std::ios::binary);
        std::stringstream text;
        text << in.rdbuf();
        return text.str();
    }

    std::string Quoted() const { return "\"" + helper + "\""; }

    std::string helper;
    std::string record;
    // A scheme no program handles, so that the shell fails and the fall-back runs.
    const std::string url = "qmnohandler:photos/page?a=1&b=2";
};

TEST_F(OpenUrlFallback, QuotedPlaceholder)
{
    BrowserRegistration browser(Quoted() + " \"%1\"");
    ASSERT_TRUE(browser.ok());
    EXPECT_GT(OpenUrl(url.c_str(), SW_SHOWNORMAL), 32u);
    EXPECT_EQ(RecordedCommandLine(), Quoted() + "  " + url);
}

TEST_F(OpenUrlFallback, BarePlaceholder)
{
    BrowserRegistration browser(Quoted() + " %1");
    ASSERT_TRUE(browser.ok());
    EXPECT_GT(OpenUrl(url.c_str(), SW_SHOWNORMAL), 32u);
    EXPECT_EQ(RecordedCommandLine(), Quoted() + "  " + url);
}

TEST_F(OpenUrlFallback, NoPlaceholder)
{
    BrowserRegistration browser(Quoted());
    ASSERT_TRUE(browser.ok());
    EXPECT_GT(OpenUrl(url.c_str(), SW_SHOWNORMAL), 32u);
    EXPECT_EQ(RecordedCommandLine(), Quoted() + " " + url);
}

TEST_F(OpenUrlFallback, AddressLongerThanAnyFixedBuffer)
{
    BrowserRegistration browser(Quoted() + " \"%1\"");
    ASSERT_TRUE(browser.ok());
    // Longer than the registry buffers and than the command line they could hold. (Wine 8's
    // own ShellExecute overruns its stack from about 1,000 characters, so the address stays
    // below that.)
    std::string longUrl = url + "&q=" + std::string(900, 'z') + "&end=1";
    EXPECT_GT(OpenUrl(longUrl.c_str(), SW_SHOWNORMAL), 32u);
    EXPECT_EQ(RecordedCommandLine(), Quoted() + "  " + longUrl);
}

TEST_F(OpenUrlFallback, NoRegisteredCommandReturnsTheShellsFailure)
{
    BrowserRegistration browser("");  // .htm names a class without an open command
    ASSERT_TRUE(browser.ok());
    EXPECT_LE(OpenUrl(url.c_str(), SW_SHOWNORMAL), 32u);
    PumpFor(300);
    EXPECT_EQ(GetFileAttributesA(record.c_str()), INVALID_FILE_ATTRIBUTES);
}

}  // namespace
