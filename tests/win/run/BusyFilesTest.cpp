// Other programs at work: a virus scanner, an indexer or a sync client opens every new file the
// moment it appears and holds it for a while. Every row of a copy or a move must still succeed and
// no unfinished copy may be left.
#include <gtest/gtest.h>

#include <windows.h>

#include <atomic>
#include <set>
#include <thread>

#include "engine/RunsFolder.h"
#include "tests/support/JpegBuilder.h"
#include "tests/win/run/RunFixture.h"

namespace {

std::vector<unsigned char> Photo(int i)
{
    qmtest::Ifd exif;
    exif.Ascii(0x9003, "2012:01:27 10:00:" + std::string(i < 10 ? "0" : "") + std::to_string(i));
    qmtest::Ifd ifd0;
    ifd0.Ascii(0x010F, "maker " + std::to_string(i)).Sub(0x8769, exif);
    return qmtest::MinimalJpeg(ifd0);
}

// Opens each new file below folder with read sharing only (as scanners do) and holds it 300 ms.
class Scanner {
public:
    explicit Scanner(std::string folder) : folder_(std::move(folder)), thread_([this] { Watch(); }) { }
    ~Scanner()
    {
        stop_ = true;
        thread_.join();
    }
    int Held() const { return held_; }

private:
    void Visit(const std::string& folder)
    {
        WIN32_FIND_DATAA found;
        HANDLE find = FindFirstFileA((folder + "*").c_str(), &found);
        if (find == INVALID_HANDLE_VALUE)
            return;
        do {
            const std::string name = found.cFileName;
            if (name == "." || name == "..")
                continue;
            const std::string path = folder + name;
            if (found.dwFileAttributes & FILE_ATTRIBUTE_DIRECTORY) {
                Visit(path + "\\");
            } else if (seen_.insert(path).second) {
                HANDLE h = CreateFileA(path.c_str(), GENERIC_READ, FILE_SHARE_READ, nullptr, OPEN_EXISTING, 0,
                                       nullptr);
                if (h != INVALID_HANDLE_VALUE) {
                    ++held_;
                    Sleep(300);
                    CloseHandle(h);
                }
            }
        } while (!stop_ && FindNextFileA(find, &found));
        FindClose(find);
    }

    void Watch()
    {
        while (!stop_) {
            Visit(folder_);
            Sleep(1);
        }
    }

    std::string folder_;
    std::set<std::string> seen_;
    std::atomic<bool> stop_ {false};
    std::atomic<int> held_ {0};
    std::thread thread_;
};

class BusyFilesTest : public RunFixture {
protected:
    // Organizes twelve photos while the scanner opens each new file below the output folder.
    void RunWithScanner(bool move)
    {
        TempTree runs;
        SetEnvironmentVariableA(kRunsFolderVariable, runs.Root().c_str());
        for (int i = 0; i < 12; ++i)
            Source(std::to_string(i) + ".jpg", Photo(i));
        CreateDirectoryA(tree.Path("out").c_str(), nullptr);
        int held = 0;
        {
            Scanner scanner(tree.Path("out\\"));
            // Half way, the run waits until the scanner holds a file it placed, so that the rest
            // of the run meets the scanner however fast it is.
            host.onPump = [&](int pump) {
                for (int waited = 0; pump == 2 * 6 + 2 && scanner.Held() == 0 && waited < 3000; waited += 10)
                    Sleep(10);
            };
            host.Run(move);
            host.onPump = nullptr;
            held = scanner.Held();
        }
        SetEnvironmentVariableA(kRunsFolderVariable, nullptr);
        EXPECT_GT(held, 0);
        for (int row = 0; row < host.Rows().Count(); ++row)
            EXPECT_EQ(host.Result(row), "OK") << host.Rows().Source(row);
        const auto out = FilesBelow(tree.Path("out"));
        for (const auto& [path, content] : out)
            EXPECT_EQ(path.find(".qmpart"), std::string::npos) << path;
        EXPECT_EQ(out.size(), 12u);
        EXPECT_EQ(FilesBelow(tree.Path("src")).size(), move ? 0u : 12u);
    }
};

TEST_F(BusyFilesTest, CopiesOfFilesAnotherProgramOpensAtOnceAllSucceed)
{
    RunWithScanner(false);
}

TEST_F(BusyFilesTest, MovesOfFilesAnotherProgramOpensAtOnceAllSucceed)
{
    RunWithScanner(true);
}

}  // namespace
