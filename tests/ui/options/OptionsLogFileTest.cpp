// The Options dialog's Open and Browse buttons on a real file system: the note for a log that
// does not exist yet, the shell opening one that does, and the save dialog picking a new path.
#include <gtest/gtest.h>

#include <cctype>
#include <fstream>

#include <windows.h>

#include <commdlg.h>

#include "engine/PathUtils.h"
#include "resource.h"
#include "tests/support/ClassKeyForTest.h"
#include "tests/support/PumpUntil.h"
#include "tests/ui/options/ModalScript.h"
#include "tests/ui/options/OptionsFixture.h"
#include "ui/OptionsDialog.h"

namespace {

// A class of documents whose "open" action copies the document to a marker file, so that a test
// can see the shell open a file without starting an editor.
constexpr const char* kTestExtension = ".qmlogtest";
constexpr const char* kTestClass = "Quillmere.LogTest";

std::string Lower(std::string text)
{
    for (char& c : text)
        c = static_cast<char>(std::tolower(static_cast<unsigned char>(c)));
    return text;
}

std::string WithoutTrailingBackslash(std::string path)
{
    while (!path.empty() && path.back() == '\\')
        path.pop_back();
    return path;
}

class OptionsLogFileTest : public OptionsFixture {
protected:
    void SetUp() override
    {
        OptionsFixture::SetUp();
        ASSERT_GT(GetCurrentDirectoryA(sizeof workingFolder_, workingFolder_), 0u);
        char temp[MAX_PATH] = {};
        const DWORD length = GetTempPathA(sizeof temp, temp);
        ASSERT_GT(length, 0u);
        ASSERT_LT(length, sizeof temp);
        folder_ = std::string(temp) + "qm options " + std::to_string(GetCurrentProcessId()) + "." +
                  std::to_string(GetTickCount()) + "\\";
        ASSERT_TRUE(EnsureFolder(folder_, true)) << folder_;
    }

    void TearDown() override
    {
        // The save dialog makes the chosen folder the current one, which would keep it alive.
        SetCurrentDirectoryA(workingFolder_);
        RemoveTree(folder_);
        OptionsFixture::TearDown();
    }

    static void RemoveTree(const std::string& folder)
    {
        WIN32_FIND_DATAA found;
        HANDLE search = FindFirstFileA((folder + "*").c_str(), &found);
        if (search != INVALID_HANDLE_VALUE) {
            do {
                const std::string name = found.cFileName;
                if (name == "." || name == "..")
                    continue;
                if (found.dwFileAttributes & FILE_ATTRIBUTE_DIRECTORY)
                    RemoveTree(folder + name + "\\");
                else
                    DeleteFileA((folder + name).c_str());
            } while (FindNextFileA(search, &found));
            FindClose(search);
        }
        RemoveDirectoryA(folder.c_str());
    }

    static void WriteFile(const std::string& path, const std::string& content)
    {
        std::ofstream out(path, std::ios::binary);
        out << content;
        ASSERT_TRUE(out.good()) << path;
    }

    static std::string ReadFile(const std::string& path)
    {
        std::ifstream in(path, std::ios::binary);
        return std::string(std::istreambuf_iterator<char>(in), std::istreambuf_iterator<char>());
    }

    // Per user, as a user without administrator rights registers it (see ClassKeyForTest).
    void RegisterCopyingOpenAction(const std::string& marker)
    {
        EXPECT_TRUE(extension_.SetDefault("", kTestClass));
        EXPECT_TRUE(class_.SetDefault("shell\\open\\command", "cmd.exe /c copy \"%1\" \"" + marker + "\""));
    }

    qmtest::ClassKeyForTest extension_ {kTestExtension};
    qmtest::ClassKeyForTest class_ {kTestClass};

    char workingFolder_[MAX_PATH] = {};
    std::string folder_;
};

TEST_F(OptionsLogFileTest, OpeningALogThatDoesNotExistYetExplainsIt)
{
    const std::string path = folder_ + "not yet.txt";
    OrganizeOptions given;
    given.SaveToLog = 1;
    given.LogFile = path;
    OptionsDialog dialog(given);
    FrontDialogs catcher(dialog);
    ASSERT_TRUE(catcher.Installed());
    HWND shown = nullptr;
    RunModalScript(dialog, [&](HWND hwnd) {
        shown = hwnd;
        ClickButton(hwnd, IDC_OPT_LOG_OPEN);
        EXPECT_TRUE(IsWindowVisible(hwnd));
        ClickButton(hwnd, IDCANCEL);
    });
    ASSERT_EQ(catcher.Caught().size(), 1u);
    const FrontDialog& message = catcher.Caught()[0];
    EXPECT_EQ(message.text,
              "File \"" + path +
                      "\" isn't available yet.\n\nThe program will create the file automatically when "
                      "organizing photos.");
    EXPECT_EQ(message.caption, "Quillmere");
    EXPECT_EQ(message.icon, MessageIcon::Information);
    EXPECT_EQ(message.owner, shown);
    EXPECT_FALSE(FileExists(path));
}

TEST_F(OptionsLogFileTest, OpenUsesThePathAsTypedNow)
{
    const std::string path = folder_ + "typed.txt";
    OrganizeOptions given;
    given.SaveToLog = 1;
    given.LogFile = folder_ + "given.txt";
    OptionsDialog dialog(given);
    FrontDialogs catcher(dialog);
    ASSERT_TRUE(catcher.Installed());
    RunModalScript(dialog, [&](HWND hwnd) {
        SetControlText(hwnd, IDC_OPT_LOG_FILE, path.c_str());
        ClickButton(hwnd, IDC_OPT_LOG_OPEN);
        ClickButton(hwnd, IDCANCEL);
    });
    ASSERT_EQ(catcher.Caught().size(), 1u);
    EXPECT_NE(catcher.Caught()[0].text.find("\"" + path + "\""), std::string::npos)
            << catcher.Caught()[0].text;
}

TEST_F(OptionsLogFileTest, OpenWithNoPathDoesNothing)
{
    OrganizeOptions given;
    given.SaveToLog = 1;
    OptionsDialog dialog(given);
    FrontDialogs catcher(dialog);
    ASSERT_TRUE(catcher.Installed());
    const INT_PTR result = RunModalScript(dialog, [&](HWND hwnd) {
        ClickButton(hwnd, IDC_OPT_LOG_OPEN);
        EXPECT_TRUE(IsWindowVisible(hwnd));
        ClickButton(hwnd, IDCANCEL);
    });
    EXPECT_EQ(result, IDCANCEL);
    EXPECT_TRUE(catcher.Caught().empty());
}

TEST_F(OptionsLogFileTest, OpeningAnExistingLogHandsItToItsProgram)
{
    const std::string path = folder_ + "run log" + kTestExtension;
    const std::string marker = folder_ + "opened.txt";
    WriteFile(path, "2026-12-08 moved a.jpg\r\n");
    RegisterCopyingOpenAction(marker);

    OrganizeOptions given;
    given.SaveToLog = 1;
    given.LogFile = path;
    OptionsDialog dialog(given);
    FrontDialogs catcher(dialog);
    ASSERT_TRUE(catcher.Installed());
    RunModalScript(dialog, [&](HWND hwnd) {
        ClickButton(hwnd, IDC_OPT_LOG_OPEN);
        ClickButton(hwnd, IDCANCEL);
    });
    EXPECT_TRUE(catcher.Caught().empty());
    ASSERT_TRUE(PumpUntil([&] { return ReadFile(marker) == "2026-12-08 moved a.jpg\r\n"; }, 15000))
            << "the shell did not open " << path;
}

TEST_F(OptionsLogFileTest, BrowseStartsInTheLogFolderAndTakesTheChosenPath)
{
    const std::string logs = folder_ + "logs\\";
    ASSERT_TRUE(EnsureFolder(logs, true));
    OrganizeOptions given;
    given.SaveToLog = 1;
    given.LogFile = logs + "old.txt";
    OptionsDialog dialog(given);

    // The dialog browses to its start folder after it is shown: look a moment later.
    static std::string startFolder;
    startFolder.clear();
    struct Answer {
        static void CALLBACK Tick(HWND fileDialog, UINT, UINT_PTR id, DWORD)
        {
            KillTimer(fileDialog, id);
            char folder[MAX_PATH] = {};
            if (SendMessageA(fileDialog, CDM_GETFOLDERPATH, sizeof folder, reinterpret_cast<LPARAM>(folder)) >
                0)
                startFolder = folder;
            // The name box has the focus when the dialog opens; its control ID differs between
            // the dialog's versions, so it is not used. A program started by an earlier test
            // may hold the activation: the dialog, activated, gives the focus back to that box.
            if (!GetFocus())
                SetActiveWindow(fileDialog);
            SetWindowTextA(GetFocus(), "picked");
            PostMessageA(fileDialog, WM_COMMAND, MAKEWPARAM(IDOK, BN_CLICKED), 0);
        }
    };
    FrontDialogs answer(dialog);
    ASSERT_TRUE(answer.Installed());
    answer.SetAction([](HWND fileDialog) { SetTimer(fileDialog, 1, 200, Answer::Tick); });
    HWND shown = nullptr;
    std::string shownText;
    const INT_PTR result = RunModalScript(dialog, [&](HWND hwnd) {
        shown = hwnd;
        ClickButton(hwnd, IDC_OPT_LOG_BROWSE);
        shownText = ControlText(hwnd, IDC_OPT_LOG_FILE);
        ClickButton(hwnd, IDOK);
    });
    EXPECT_EQ(result, IDOK);
    // Only dialogs of the older kind answer CDM_GETFOLDERPATH without a hook procedure.
    if (!startFolder.empty())
        EXPECT_EQ(Lower(WithoutTrailingBackslash(startFolder)), Lower(WithoutTrailingBackslash(logs)));
    else
        EXPECT_FALSE(qmtest::RunningUnderWine()) << "Wine's file dialog answers CDM_GETFOLDERPATH";
    ASSERT_EQ(answer.Caught().size(), 1u);
    EXPECT_EQ(answer.Caught()[0].owner, shown);
    EXPECT_EQ(Lower(dialog.Result().LogFile), Lower(logs + "picked.txt"));
    EXPECT_EQ(shownText, dialog.Result().LogFile);
    EXPECT_EQ(StoredHistory("LogFile"), std::vector<std::string> {dialog.Result().LogFile});
}

TEST_F(OptionsLogFileTest, CancelledBrowseKeepsThePath)
{
    OrganizeOptions given;
    given.SaveToLog = 1;
    given.LogFile = folder_ + "kept.txt";
    OptionsDialog dialog(given);
    bool asked = false;
    FrontDialogs answer(dialog);
    ASSERT_TRUE(answer.Installed());
    answer.SetAction([&](HWND fileDialog) {
        asked = true;
        PostMessageA(fileDialog, WM_COMMAND, MAKEWPARAM(IDCANCEL, BN_CLICKED), 0);
    });
    std::string shownText;
    RunModalScript(dialog, [&](HWND hwnd) {
        SetControlText(hwnd, IDC_OPT_LOG_FILE, (folder_ + "typed.txt").c_str());
        ClickButton(hwnd, IDC_OPT_LOG_BROWSE);
        shownText = ControlText(hwnd, IDC_OPT_LOG_FILE);
        ClickButton(hwnd, IDOK);
    });
    EXPECT_TRUE(asked);
    EXPECT_EQ(shownText, folder_ + "typed.txt");
    EXPECT_EQ(dialog.Result().LogFile, folder_ + "typed.txt");
}

}  // namespace
