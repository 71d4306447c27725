// A long copy from the main window: the window answers its messages throughout, the progress
// window shows the bytes of the run, and Cancel stops the copy under way with nothing of it left
// and the source as it was.
#include <algorithm>
#include <atomic>
#include <regex>
#include <string>
#include <thread>

#include "engine/RunsFolder.h"
#include "tests/ui/main/MainWindowFixture.h"

using namespace mainwindow;

namespace {

constexpr LONGLONG kSourceSize = 2LL << 30;
const char kMark[] = "the start of a long video";

bool StampOf(const std::string& path, WIN32_FILE_ATTRIBUTE_DATA& data)
{
    return GetFileAttributesExA(path.c_str(), GetFileExInfoStandard, &data) != 0;
}

LONGLONG SizeOf(const WIN32_FILE_ATTRIBUTE_DATA& data)
{
    return static_cast<LONGLONG>((static_cast<ULONGLONG>(data.nFileSizeHigh) << 32) | data.nFileSizeLow);
}

std::string FirstBytes(const std::string& path, DWORD count)
{
    HANDLE file =
            CreateFileA(path.c_str(), GENERIC_READ, FILE_SHARE_READ, nullptr, OPEN_EXISTING, 0, nullptr);
    if (file == INVALID_HANDLE_VALUE)
        return {};
    std::string bytes(count, '\0');
    DWORD got = 0;
    if (!ReadFile(file, bytes.data(), count, &got, nullptr))
        got = 0;
    CloseHandle(file);
    bytes.resize(got);
    return bytes;
}

BOOL CALLBACK FindProgressWindow(HWND window, LPARAM found)
{
    if (GetDlgItem(window, IDC_PROGRESS_CANCEL) == nullptr)
        return TRUE;
    *reinterpret_cast<HWND*>(found) = window;
    return FALSE;
}

// The progress window of the run on thread, found from another thread.
HWND ProgressWindowOf(DWORD thread)
{
    HWND found = nullptr;
    EnumThreadWindows(thread, FindProgressWindow, reinterpret_cast<LPARAM>(&found));
    return found;
}

// Watches the main window from a thread of its own while a run works in the window's thread:
// how long the window takes to answer, and a click on Cancel once the copy is well under way.
struct Watcher {
    HWND window = nullptr;
    DWORD windowThread = 0;
    std::string partial;
    std::atomic<bool> running {true};
    std::atomic<bool> ended {false};
    DWORD slowestMs = 0;
    int answersDuringCopy = 0;
    bool clicked = false;
    std::string bytesLine;

    void Run()
    {
        constexpr LONGLONG kClickFrom = 256LL << 20;
        while (running) {
            const DWORD start = GetTickCount();
            DWORD_PTR result = 0;
            const bool answered = SendMessageTimeoutA(window, WM_NULL, 0, 0, SMTO_NORMAL, 5000, &result) != 0;
            const DWORD took = answered ? GetTickCount() - start : 5000;
            slowestMs = std::max(slowestMs, took);
            WIN32_FILE_ATTRIBUTE_DATA data;
            const bool copying = StampOf(partial, data);
            if (copying)
                ++answersDuringCopy;
            HWND progress = ProgressWindowOf(windowThread);
            if (!clicked && copying && SizeOf(data) >= kClickFrom && progress != nullptr) {
                char text[256] = "";
                SendMessageTimeoutA(GetDlgItem(progress, IDC_PROGRESS_DETAIL), WM_GETTEXT, sizeof text,
                                    reinterpret_cast<LPARAM>(text), SMTO_NORMAL, 5000, &result);
                bytesLine = text;
                PostMessageA(GetDlgItem(progress, IDC_PROGRESS_CANCEL), BM_CLICK, 0, 0);
                clicked = true;
            }
            Sleep(10);
        }
        ended = true;
    }
};

}  // namespace

TEST_F(MainWindowTest, ALongCopyKeepsTheWindowAnsweringAndCancelStopsItWithNothingLeft)
{
    TempTree tree;
    TempTree runs;
    SetEnvironmentVariableA(kRunsFolderVariable, runs.Root().c_str());
    const std::string source = tree.Path("clip.mov");
    ASSERT_TRUE(WriteSparseFile(source, std::string(kMark, sizeof kMark), kSourceSize));
    WIN32_FILE_ATTRIBUTE_DATA before;
    ASSERT_TRUE(StampOf(source, before));
    SetDword("MoveType", 500);  // by extension: no metadata needed
    HWND w = Open();
    ASSERT_TRUE(SendDrop(w, {source}));
    ASSERT_EQ(Rows(), 1);

    Watcher watcher;
    watcher.window = w;
    watcher.windowThread = GetCurrentThreadId();
    watcher.partial = tree.Path("MOV\\~clip.mov.qmpart");
    std::thread watching([&watcher] { watcher.Run(); });
    Click(w, IDC_COPY_FILES);
    // The window goes on answering the watcher's last question.
    watcher.running = false;
    PumpUntil([&watcher] { return watcher.ended.load(); }, 10000);
    watching.join();
    SetEnvironmentVariableA(kRunsFolderVariable, nullptr);

    ASSERT_TRUE(watcher.clicked) << "the copy was never seen under way";
    EXPECT_GE(watcher.answersDuringCopy, 3);
    EXPECT_LT(watcher.slowestMs, 1000u);
    // The bytes copied so far of the run's.
    EXPECT_TRUE(std::regex_match(watcher.bytesLine, std::regex("[1-9][0-9.]* (KB|MB|GB) of 2\\.0 GB.*")))
            << watcher.bytesLine;
    // Stopped mid-copy: no unfinished copy, no target, the source as it was.
    EXPECT_FALSE(Exists(watcher.partial));
    EXPECT_FALSE(Exists(tree.Path("MOV\\clip.mov")));
    WIN32_FIND_DATAA found;
    HANDLE find = FindFirstFileA(tree.Path("MOV\\*.qmpart").c_str(), &found);
    EXPECT_EQ(find, INVALID_HANDLE_VALUE);
    if (find != INVALID_HANDLE_VALUE)
        FindClose(find);
    WIN32_FILE_ATTRIBUTE_DATA after;
    ASSERT_TRUE(StampOf(source, after));
    EXPECT_EQ(SizeOf(after), kSourceSize);
    EXPECT_EQ(CompareFileTime(&after.ftLastWriteTime, &before.ftLastWriteTime), 0);
    EXPECT_EQ(FirstBytes(source, sizeof kMark), std::string(kMark, sizeof kMark));
    // The row reads as the rows a cancelled run did not reach.
    EXPECT_EQ(Cell(0, 1), "");
    EXPECT_EQ(Cell(0, 2), "Not processed: the run was cancelled");
    EXPECT_EQ(Summary(w), "1 file: 0 copied, 0 failed, 0 skipped, cancelled after 0");
}
