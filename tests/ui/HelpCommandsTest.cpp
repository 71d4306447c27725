// The help command against a stand-in help window and against the real help viewer, and the
// addresses of the web and mail commands.
#include <gtest/gtest.h>

#include <string>

#include "tests/support/PumpUntil.h"
#include "ui/HelpCommands.h"
#include "ui/ProductInfo.h"
#include "toolkit/ShellServices.h"

namespace {

TEST(WebCommands, Addresses)
{
    EXPECT_EQ(HomepageAddress(), "https://quillmere.example/");
    EXPECT_EQ(CheckForUpdatesAddress(), "https://quillmere.example/checkforupdates/?ver=2.4&build=745");
    EXPECT_EQ(FeedbackAddress(), "mailto:support@quillmere.example");
    EXPECT_EQ(TellAFriendAddress(), "mailto:?subject=Quillmere - a photo organizer&body=Download from "
                                    "https://quillmere.example/");
    EXPECT_EQ(std::string(ProductInfo::kHomePage).back(), '/');
}

BOOL CALLBACK CountIfHelp(HWND window, LPARAM counter)
{
    char title[64] = "";
    if (GetWindowTextA(window, title, sizeof title) > 0 && lstrcmpA(title, "Quillmere Help") == 0)
        ++*reinterpret_cast<int*>(counter);
    return TRUE;
}

int CountHelpWindows()
{
    int count = 0;
    EnumWindows(CountIfHelp, reinterpret_cast<LPARAM>(&count));
    return count;
}

// A top-level window titled like the help viewer, recording its activations.
class FakeHelpWindow {
public:
    FakeHelpWindow()
    {
        WNDCLASSA windowClass {};
        windowClass.lpfnWndProc = Proc;
        windowClass.hInstance = GetModuleHandleA(nullptr);
        windowClass.lpszClassName = "QuillmereFakeHelp";
        RegisterClassA(&windowClass);
        window_ = CreateWindowExA(0, "QuillmereFakeHelp", "Quillmere Help", WS_OVERLAPPEDWINDOW, 100, 100,
                                  400, 300, nullptr, nullptr, GetModuleHandleA(nullptr), nullptr);
    }
    ~FakeHelpWindow()
    {
        if (window_)
            DestroyWindow(window_);
    }
    HWND window() const { return window_; }
    static int activations;

private:
    static LRESULT CALLBACK Proc(HWND window, UINT message, WPARAM wParam, LPARAM lParam)
    {
        if (message == WM_ACTIVATE && LOWORD(wParam) != WA_INACTIVE)
            ++activations;
        return DefWindowProcA(window, message, wParam, lParam);
    }
    HWND window_ = nullptr;
};
int FakeHelpWindow::activations = 0;

TEST(OpenHelp, BringsAnOpenHelpWindowBackInsteadOfOpeningAnother)
{
    ASSERT_EQ(CountHelpWindows(), 0);
    FakeHelpWindow help;
    ASSERT_NE(help.window(), nullptr);
    ShowWindow(help.window(), SW_SHOWMINIMIZED);
    HWND other = CreateWindowExA(0, "Static", "Something else", WS_OVERLAPPEDWINDOW | WS_VISIBLE, 0, 0, 200,
                                 100, nullptr, nullptr, nullptr, nullptr);
    // Windows gives the foreground only to the process that has it (or was started last); a
    // test run from a console or a service may not have it, and then nothing can be brought
    // forward by anyone in it.
    const bool mayTakeForeground = SetForegroundWindow(other) != FALSE;
    PumpFor(100);
    ASSERT_TRUE(IsIconic(help.window()));
    FakeHelpWindow::activations = 0;

    OpenHelp();
    PumpFor(200);
    EXPECT_FALSE(IsIconic(help.window()));
    EXPECT_GE(FakeHelpWindow::activations, 1);
    if (mayTakeForeground) {
        EXPECT_EQ(GetForegroundWindow(), help.window());
    }
    EXPECT_EQ(CountHelpWindows(), 1);  // nothing was opened

    CloseHelpWindow();
    EXPECT_TRUE(PumpUntil([&] { return !IsWindow(help.window()); }, 2000));
    DestroyWindow(other);
}

TEST(OpenHelp, OpensTheHelpFileOnceThenFindsItsWindow)
{
    ASSERT_EQ(CountHelpWindows(), 0);
    char folder[520];
    ASSERT_TRUE(GetProgramFolder(folder, sizeof folder));
    std::string file = std::string(folder) + "quillmere.chm";
    ASSERT_NE(GetFileAttributesA(file.c_str()), INVALID_FILE_ATTRIBUTES) << file;

    OpenHelp();
    ASSERT_TRUE(PumpUntil([] { return FindHelpWindow() != nullptr; }, 30000))
            << "the help viewer did not open";
    HWND viewer = FindHelpWindow();
    OpenHelp();  // the second time finds the window
    PumpFor(1500);
    EXPECT_EQ(CountHelpWindows(), 1);
    EXPECT_EQ(FindHelpWindow(), viewer);

    CloseHelpWindow();
    EXPECT_TRUE(PumpUntil([] { return FindHelpWindow() == nullptr; }, 10000));
}

}  // namespace
