// The progress window during a copy of many files: its title says what the run does, it can be
// moved by its title bar, and once the run has found its pace the bytes line gives the bytes done,
// the time left and the pace in bytes and files a second.
#include <atomic>
#include <regex>
#include <string>
#include <thread>

#include "engine/RunsFolder.h"
#include "tests/ui/main/MainWindowFixture.h"

using namespace mainwindow;

namespace {

constexpr int kFiles = 60;
constexpr LONGLONG kFileSize = 64LL << 20;

BOOL CALLBACK FindProgress(HWND window, LPARAM found)
{
    if (GetDlgItem(window, IDC_PROGRESS_CANCEL) == nullptr)
        return TRUE;
    *reinterpret_cast<HWND*>(found) = window;
    return FALSE;
}

std::string TextOf(HWND window)
{
    char text[256] = "";
    DWORD_PTR copied = 0;
    if (!SendMessageTimeoutA(window, WM_GETTEXT, sizeof text, reinterpret_cast<LPARAM>(text), SMTO_NORMAL,
                             5000, &copied))
        return {};
    return text;
}

// Reads the progress window from another thread while the run works in the window's thread, and
// cancels once the bytes line shows the pace.
struct Watcher {
    DWORD windowThread = 0;
    std::atomic<bool> running {true};
    std::atomic<bool> ended {false};
    std::string title;
    std::string paceLine;
    LRESULT titleHit = HTNOWHERE;
    bool captioned = false;

    void Run()
    {
        const std::regex pace(".* of 3\\.7 GB, .* left \\([0-9.]+ (bytes|KB|MB|GB)/s, [0-9.]+ files/s\\)");
        while (running) {
            HWND progress = nullptr;
            EnumThreadWindows(windowThread, FindProgress, reinterpret_cast<LPARAM>(&progress));
            if (progress && paceLine.empty()) {
                const std::string line = TextOf(GetDlgItem(progress, IDC_PROGRESS_DETAIL));
                if (std::regex_match(line, pace)) {
                    paceLine = line;
                    title = TextOf(progress);
                    captioned = (GetWindowLongA(progress, GWL_STYLE) & WS_CAPTION) == WS_CAPTION;
                    // The middle of the title bar, just below the window's top edge.
                    RECT frame {};
                    GetWindowRect(progress, &frame);
                    const int y =
                            frame.top + GetSystemMetrics(SM_CYFRAME) + GetSystemMetrics(SM_CYCAPTION) / 2;
                    DWORD_PTR hit = HTNOWHERE;
                    SendMessageTimeoutA(progress, WM_NCHITTEST, 0,
                                        MAKELPARAM((frame.left + frame.right) / 2, y), SMTO_NORMAL, 5000,
                                        &hit);
                    titleHit = static_cast<LRESULT>(hit);
                    PostMessageA(GetDlgItem(progress, IDC_PROGRESS_CANCEL), BM_CLICK, 0, 0);
                }
            }
            Sleep(20);
        }
        ended = true;
    }
};

}  // namespace

TEST_F(MainWindowTest, ProgressWindowShowsThePaceOfACopyAndIsMovable)
{
    TempTree tree;
    TempTree runs;
    SetEnvironmentVariableA(kRunsFolderVariable, runs.Root().c_str());
    std::vector<std::string> sources;
    for (int i = 0; i < kFiles; ++i) {
        sources.push_back(tree.Path("clip" + std::to_string(i) + ".mov"));
        ASSERT_TRUE(WriteSparseFile(sources.back(), "a generated clip", kFileSize));
    }
    SetDword("MoveType", 500);  // by extension: no metadata needed
    HWND w = Open();
    ASSERT_TRUE(SendDrop(w, sources));
    ASSERT_EQ(Rows(), kFiles);

    Watcher watcher;
    watcher.windowThread = GetCurrentThreadId();
    std::thread watching([&watcher] { watcher.Run(); });
    Click(w, IDC_COPY_FILES);
    watcher.running = false;
    PumpUntil([&watcher] { return watcher.ended.load(); }, 10000);
    watching.join();
    SetEnvironmentVariableA(kRunsFolderVariable, nullptr);

    ASSERT_FALSE(watcher.paceLine.empty()) << "the bytes line never showed the pace";
    EXPECT_EQ(watcher.title, "Copying files - Quillmere");
    EXPECT_TRUE(watcher.captioned);
    EXPECT_EQ(watcher.titleHit, HTCAPTION);
    // Cancelled once seen: the summary says so.
    EXPECT_NE(Summary(w).find("cancelled"), std::string::npos) << Summary(w);
}
