#include <windows.h>

#include <gtest/gtest.h>

#include <string>
#include <vector>

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

TEST_F(PathUtilsTest, EnsureFolderRefusesATooLongPathAndCreatesNothing)
{
    std::string path = root_;
    while (path.size() < 300)
        path += "\\" + std::string(40, 'n');
    path.resize(300);
    ASSERT_GT(path.size(), kMaxEnsureFolderLength);

    SetLastError(ERROR_SUCCESS);
    EXPECT_FALSE(EnsureFolder(path, true));
    EXPECT_EQ(GetLastError(), static_cast<DWORD>(ERROR_FILENAME_EXCED_RANGE));
    EXPECT_FALSE(EnsureFolder(path + "\\", true));
    EXPECT_TRUE(Entries(root_).empty());
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
