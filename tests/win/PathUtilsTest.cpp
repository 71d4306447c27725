#include <windows.h>

#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "base/WidePath.h"
#include "engine/PathUtils.h"
#include "tests/support/TempTree.h"

namespace {

// The names directly inside a folder.
std::vector<std::string> Entries(const std::string& folder)
{
    std::vector<std::string> names;
    WIN32_FIND_DATAA data;
    HANDLE find = FindFirstFileA((folder + "\\*").c_str(), &data);
    if (find == INVALID_HANDLE_VALUE)
        return names;
    do {
        const std::string name = data.cFileName;
        if (name != "." && name != "..")
            names.push_back(name);
    } while (FindNextFileA(find, &data));
    FindClose(find);
    return names;
}

bool CreateEmptyFile(const std::string& path)
{
    HANDLE file =
            CreateFileA(path.c_str(), GENERIC_WRITE, 0, nullptr, CREATE_NEW, FILE_ATTRIBUTE_NORMAL, nullptr);
    if (file == INVALID_HANDLE_VALUE)
        return false;
    CloseHandle(file);
    return true;
}

class PathUtilsTest : public ::testing::Test {
protected:
    void SetUp() override
    {
        char temp[MAX_PATH];
        const DWORD length = GetTempPathA(MAX_PATH, temp);
        ASSERT_GT(length, 0u);
        ASSERT_LT(length, static_cast<DWORD>(MAX_PATH));
        std::string base(temp, length);
        if (base.back() != '\\')
            base += '\\';
        root_ = base + "qm_core_" + std::to_string(GetCurrentProcessId()) + "_" +
                ::testing::UnitTest::GetInstance()->current_test_info()->name();
        RemoveTree(root_);
        ASSERT_TRUE(CreateDirectoryA(root_.c_str(), nullptr)) << root_;
    }

    void TearDown() override
    {
        RemoveTree(root_);
        EXPECT_EQ(GetFileAttributesA(root_.c_str()), INVALID_FILE_ATTRIBUTES);
    }

    std::string root_;  // an existing, empty folder without trailing backslash
};

}  // namespace

TEST_F(PathUtilsTest, FileExistsForFilesAndFolders)
{
    const std::string file = root_ + "\\photo.jpg";
    ASSERT_TRUE(CreateEmptyFile(file));
    EXPECT_TRUE(FileExists(file));
    EXPECT_TRUE(FileExists(root_));
    EXPECT_TRUE(FileExists(root_ + "\\"));
    EXPECT_FALSE(FileExists(root_ + "\\missing.jpg"));
    EXPECT_FALSE(FileExists(root_ + "\\missing\\photo.jpg"));
}

TEST_F(PathUtilsTest, FolderExistsOnlyForFolders)
{
    const std::string file = root_ + "\\photo.jpg";
    ASSERT_TRUE(CreateEmptyFile(file));
    EXPECT_FALSE(FolderExists(file));
    EXPECT_TRUE(FolderExists(root_));
    EXPECT_TRUE(FolderExists(root_ + "\\"));
    EXPECT_FALSE(FolderExists(root_ + "\\missing"));
}

TEST_F(PathUtilsTest, EnsureFolderAcceptsAnExistingFolderWithoutCreating)
{
    EXPECT_TRUE(EnsureFolder(root_, false));
    EXPECT_TRUE(EnsureFolder(root_ + "\\", false));
    EXPECT_TRUE(EnsureFolder(root_ + "\\", true));
    EXPECT_TRUE(Entries(root_).empty());
}

TEST_F(PathUtilsTest, EnsureFolderWithoutCreateRefusesAMissingFolder)
{
    EXPECT_FALSE(EnsureFolder(root_ + "\\a\\b\\", false));
    EXPECT_TRUE(Entries(root_).empty());
}

TEST_F(PathUtilsTest, EnsureFolderCreatesEveryLevelFromTheOutermostInwards)
{
    ASSERT_TRUE(EnsureFolder(root_ + "\\a\\b\\c\\", true));
    EXPECT_EQ(Entries(root_), std::vector<std::string> {"a"});
    EXPECT_EQ(Entries(root_ + "\\a"), std::vector<std::string> {"b"});
    EXPECT_EQ(Entries(root_ + "\\a\\b"), std::vector<std::string> {"c"});
    EXPECT_TRUE(FolderExists(root_ + "\\a\\b\\c"));
    EXPECT_TRUE(Entries(root_ + "\\a\\b\\c").empty());
}

TEST_F(PathUtilsTest, EnsureFolderCreatesTheLastComponentWithoutTrailingBackslash)
{
    ASSERT_TRUE(EnsureFolder(root_ + "\\x\\y", true));
    EXPECT_TRUE(FolderExists(root_ + "\\x\\y"));
}

TEST_F(PathUtilsTest, EnsureFolderKeepsWhatAlreadyExists)
{
    ASSERT_TRUE(CreateDirectoryA((root_ + "\\a").c_str(), nullptr));
    ASSERT_TRUE(CreateEmptyFile(root_ + "\\a\\keep.txt"));
    ASSERT_TRUE(EnsureFolder(root_ + "\\a\\b\\", true));
    EXPECT_TRUE(FileExists(root_ + "\\a\\keep.txt"));
    EXPECT_TRUE(FolderExists(root_ + "\\a\\b"));
}

TEST_F(PathUtilsTest, EnsureFolderRefusesAFileInThePathAndCreatesNothing)
{
    ASSERT_TRUE(CreateEmptyFile(root_ + "\\a"));
    EXPECT_FALSE(EnsureFolder(root_ + "\\a\\b\\c\\", true));
    EXPECT_EQ(Entries(root_), std::vector<std::string> {"a"});
    EXPECT_FALSE(FolderExists(root_ + "\\a"));
    SetLastError(ERROR_SUCCESS);
    EXPECT_FALSE(EnsureFolder(root_ + "\\a\\b\\c\\", true));
    EXPECT_EQ(GetLastError(), static_cast<DWORD>(ERROR_ALREADY_EXISTS));
}

TEST_F(PathUtilsTest, EnsureFolderRefusesAFileAsTheLastComponent)
{
    ASSERT_TRUE(CreateEmptyFile(root_ + "\\a"));
    EXPECT_FALSE(EnsureFolder(root_ + "\\a", true));
    EXPECT_FALSE(EnsureFolder(root_ + "\\a\\", true));
    EXPECT_EQ(Entries(root_), std::vector<std::string> {"a"});
}

TEST_F(PathUtilsTest, EnsureFolderReportsAFailedCreation)
{
    // '?' is not allowed in a name: the folder cannot be created.
    EXPECT_FALSE(EnsureFolder(root_ + "\\bad?name\\", true));
    EXPECT_NE(GetLastError(), static_cast<DWORD>(ERROR_SUCCESS));
    EXPECT_TRUE(Entries(root_).empty());
}

TEST_F(PathUtilsTest, EnsureFolderOnAPathBeginningWithABackslash)
{
    // Make the path relative to the root of the temp folder's drive.
    char previous[MAX_PATH];
    ASSERT_GT(GetCurrentDirectoryA(MAX_PATH, previous), 0u);
    ASSERT_TRUE(SetCurrentDirectoryA(root_.c_str()));
    ASSERT_GT(root_.size(), 2u);
    ASSERT_EQ(root_[1], ':');
    const std::string rooted = root_.substr(2);

    EXPECT_TRUE(EnsureFolder(rooted, true));
    EXPECT_TRUE(EnsureFolder(rooted + "\\", false));
    EXPECT_FALSE(EnsureFolder(rooted + "\\new\\", true));
    EXPECT_EQ(GetLastError(), static_cast<DWORD>(ERROR_INVALID_NAME));
    EXPECT_FALSE(EnsureFolder("\\\\qm-no-such-server\\share\\folder\\", true));
    EXPECT_TRUE(SetCurrentDirectoryA(previous));
    EXPECT_TRUE(Entries(root_).empty());
}

// Folders far beyond MAX_PATH are made, listed and found; a part longer than a name can be is
// refused before anything is created.
TEST_F(PathUtilsTest, EnsureFolderCreatesALongPathAndRefusesAPartLongerThan255)
{
    std::string path = root_;
    while (path.size() < 330)
        path += "\\" + std::string(40, 'n');
    ASSERT_TRUE(EnsureFolder(path, true)) << GetLastError();
    EXPECT_TRUE(FolderExists(path));
    EXPECT_TRUE(FileExists(path));
    EXPECT_TRUE(EnsureFolder(path + "\\", false));
    std::vector<std::string> listed;
    EXPECT_TRUE(ListFolder(path.substr(0, path.rfind('\\')),
                           [&](const FolderEntry& entry) { listed.push_back(entry.name); }));
    EXPECT_EQ(listed, std::vector<std::string> {std::string(40, 'n')});

    const std::string tooLong = root_ + "\\first\\" + std::string(256, 'x') + "\\last";
    SetLastError(ERROR_SUCCESS);
    EXPECT_FALSE(EnsureFolder(tooLong, true));
    EXPECT_EQ(GetLastError(), static_cast<DWORD>(ERROR_FILENAME_EXCED_RANGE));
    EXPECT_FALSE(FolderExists(root_ + "\\first"));
    EXPECT_TRUE(EnsureFolder(root_ + "\\first\\" + std::string(255, 'x'), true)) << GetLastError();
}

TEST_F(PathUtilsTest, EnsureFolderRefusesAPathLongerThanTheSystemTakesAndCreatesNothing)
{
    std::string path = root_;
    while (path.size() <= kMaxRunPathLength)
        path += "\\" + std::string(200, 'n');
    path.resize(kMaxRunPathLength + 1);
    SetLastError(ERROR_SUCCESS);
    EXPECT_FALSE(EnsureFolder(path, true));
    EXPECT_EQ(GetLastError(), static_cast<DWORD>(ERROR_FILENAME_EXCED_RANGE));
    EXPECT_TRUE(Entries(root_).empty());
}

// The long form turns the system's normalisation off: relative parts, "." and ".." and forward
// slashes are resolved first.
TEST_F(PathUtilsTest, LongPathsTakeTheLongFormMadeFull)
{
    const std::string parts = "\\" + std::string(120, 'a') + "\\" + std::string(120, 'b');
    const std::string full = root_ + parts;
    const std::string spelled = root_ + "/x/.././" + std::string(120, 'a') + "/" + std::string(120, 'b');
    EXPECT_EQ(WidePath(spelled), L"\\\\?\\" + WideText(full));
    EXPECT_EQ(FullPath(spelled), full);
    // The long form from CreateDirectory's limit on, MAX_PATH - 12: 248 characters.
    const std::string at248 = "C:\\" + std::string(245, 'c');
    ASSERT_EQ(at248.size(), 248u);
    EXPECT_EQ(WidePath(at248), L"\\\\?\\" + WideText(at248));
    EXPECT_EQ(WidePath(at248.substr(0, 247)), WideText(at248.substr(0, 247)));
    EXPECT_EQ(WidePath("\\\\server\\share\\" + std::string(240, 's')),
              L"\\\\?\\UNC\\server\\share\\" + std::wstring(240, L's'));
    // A path in the long form already stays as it is.
    const std::string given = "\\\\?\\" + full;
    EXPECT_EQ(WidePath(given), WideText(given));

    ASSERT_TRUE(EnsureFolder(full, true)) << GetLastError();
    EXPECT_TRUE(FolderExists(spelled));
    EXPECT_FALSE(FolderExists(root_ + "\\x"));
}

// A relative path that is short as given but long made full takes the long form too.
TEST_F(PathUtilsTest, AShortRelativePathIsMadeFullAgainstTheCurrentFolder)
{
    char previous[MAX_PATH];
    ASSERT_GT(GetCurrentDirectoryA(MAX_PATH, previous), 0u);
    ASSERT_TRUE(SetCurrentDirectoryA(root_.c_str()));
    const std::string relative = std::string(200, 'r') + "\\" + std::string(100, 'q');
    EXPECT_EQ(WidePath(relative), L"\\\\?\\" + WideText(root_ + "\\" + relative));
    EXPECT_TRUE(EnsureFolder(relative, true)) << GetLastError();
    EXPECT_TRUE(SetCurrentDirectoryA(previous));
    EXPECT_TRUE(FolderExists(root_ + "\\" + relative));
}

// A path from the root of the current drive is one the system makes longer: "\\x" is "C:\\x".
TEST_F(PathUtilsTest, APathFromTheRootOfTheCurrentDriveIsMadeFullToo)
{
    char previous[MAX_PATH];
    ASSERT_GT(GetCurrentDirectoryA(MAX_PATH, previous), 0u);
    ASSERT_TRUE(SetCurrentDirectoryA(root_.c_str()));
    const std::string fromRoot = "\\" + std::string(246, 'd');
    ASSERT_EQ(fromRoot.size(), 247u);
    const std::string drive = root_.substr(0, 2);
    EXPECT_EQ(WidePath(fromRoot), L"\\\\?\\" + WideText(drive + fromRoot));
    EXPECT_TRUE(SetCurrentDirectoryA(previous));
}

TEST_F(PathUtilsTest, EnsureFolderRefusesAnEmptyPathOrAZeroCharacter)
{
    EXPECT_FALSE(EnsureFolder("", true));
    const std::string withZero = root_ + "\\a" + std::string(1, '\0') + "b";
    EXPECT_FALSE(EnsureFolder(withZero, true));
    EXPECT_TRUE(Entries(root_).empty());
}

TEST(SystemErrorText, GivesTheSystemTextWithoutLineBreaks)
{
    std::string text;
    ASSERT_TRUE(SystemErrorText(ERROR_FILE_NOT_FOUND, text));
    EXPECT_FALSE(text.empty());
    EXPECT_EQ(text.find('\r'), std::string::npos);
    EXPECT_EQ(text.find('\n'), std::string::npos);

    // The same text as the system's, less its line breaks.
    char* raw = nullptr;
    const DWORD length = FormatMessageA(
            FORMAT_MESSAGE_ALLOCATE_BUFFER | FORMAT_MESSAGE_FROM_SYSTEM | FORMAT_MESSAGE_IGNORE_INSERTS,
            nullptr, ERROR_FILE_NOT_FOUND, MAKELANGID(LANG_NEUTRAL, SUBLANG_DEFAULT),
            reinterpret_cast<char*>(&raw), 0, nullptr);
    ASSERT_GT(length, 0u);
    std::string expected(raw, length);
    LocalFree(raw);
    EXPECT_NE(expected.find('\n'), std::string::npos) << "the system text should end in a line break";
    std::erase(expected, '\r');
    std::erase(expected, '\n');
    EXPECT_EQ(text, expected);

    std::string other;
    ASSERT_TRUE(SystemErrorText(ERROR_ACCESS_DENIED, other));
    EXPECT_NE(other, text);
}

TEST(SystemErrorText, FailsForACodeWithoutTextAndKeepsTheOutput)
{
    std::string text = "unchanged";
    EXPECT_FALSE(SystemErrorText(0x2000FFFFu, text));
    EXPECT_EQ(text, "unchanged");
}

namespace {

// The key as the system upper-cases the path's UTF-16 form, one unit at a time.
std::string SystemUpperCase(const std::string& path)
{
    std::wstring wide = WideOf(path);
    CharUpperBuffW(wide.data(), static_cast<DWORD>(wide.size()));
    return AnsiOf(wide);
}

}  // namespace

TEST(PathKey, UpperCasesEveryAsciiCharacterAsTheSystemDoes)
{
    for (int c = 1; c < 0x80; ++c) {
        const std::string path = std::string("a") + static_cast<char>(c) + "z";
        EXPECT_EQ(PathKey(path), SystemUpperCase(path)) << "character " << c;
    }
    EXPECT_EQ(PathKey("c:\\Photos 2024\\dcim\\img_0001.jpg"), "C:\\PHOTOS 2024\\DCIM\\IMG_0001.JPG");
    EXPECT_EQ(PathKey(""), "");
}

TEST(PathKey, UpperCasesTheWholePathAroundALetterBeyondAscii)
{
    // Letters before and after it are upper-cased, and it is too.
    const std::string lower = AnsiOf(L"c:\\fotos\\\u00e4rger\\bild.jpg");
    const std::string upper = AnsiOf(L"C:\\FOTOS\\\u00c4RGER\\BILD.JPG");
    ASSERT_NE(lower, upper);
    EXPECT_EQ(PathKey(lower), upper);
    EXPECT_EQ(PathKey(lower), SystemUpperCase(lower));
    EXPECT_EQ(PathKey(upper), upper);
}

TEST(SystemLength, CountsTheUnitsTheSystemConvertsTheTextInto)
{
    // Every ASCII character is one unit, whatever the code page.
    for (int c = 1; c < 0x80; ++c)
        EXPECT_EQ(SystemLength(std::string(3, static_cast<char>(c))), 3u) << "character " << c;
    EXPECT_EQ(SystemLength("C:\\Photos\\IMG_0001.JPG"), 22u);
    EXPECT_EQ(SystemLength(""), 0u);
    // Beyond ASCII: a letter of two bytes (one of them 0x80), of three, and one outside the
    // basic plane (two units), each beside ASCII text; an invalid byte counts as one unit.
    EXPECT_EQ(SystemLength(AnsiOf(L"a\u0100b")), 3u);
    EXPECT_EQ(SystemLength(AnsiOf(L"\u00e4rger.jpg")), 9u);
    EXPECT_EQ(SystemLength(AnsiOf(L"x\u65e5\u672c.jpg")), 7u);
    EXPECT_EQ(SystemLength(AnsiOf(L"\U0001F600.jpg")), 6u);
    EXPECT_EQ(SystemLength(std::string("a\xff") + "b"), 3u);
    EXPECT_EQ(SystemLength(AnsiOf(L"C:\\\u00e4")), WideOf(AnsiOf(L"C:\\\u00e4")).size());
}
