// Long steps of a run: Cancel heard while a large file is compared or copied stops that step, and
// the row is left as the rows the run did not reach, with nothing moved, copied or left behind;
// the bytes line moves while a batch's copies are written.
#include <gtest/gtest.h>

#include <windows.h>

#include <algorithm>
#include <cstdio>
#include <set>
#include <string>
#include <vector>

#include "engine/DryRunFileSystem.h"
#include "engine/OrganizeOptions.h"
#include "engine/RunsFolder.h"
#include "tests/win/run/RunFixture.h"
#include "resource.h"

namespace {

constexpr LONGLONG kLongSize = 1LL << 30;

bool AnyPartialBelow(const std::string& folder)
{
    WIN32_FIND_DATAA found;
    HANDLE find = FindFirstFileA((folder + "*").c_str(), &found);
    if (find == INVALID_HANDLE_VALUE)
        return false;
    bool any = false;
    do {
        const std::string name = found.cFileName;
        if (name == "." || name == "..")
            continue;
        if ((found.dwFileAttributes & FILE_ATTRIBUTE_DIRECTORY) != 0)
            any = any || AnyPartialBelow(folder + name + "\\");
        else
            any = any || name.find(".qmpart") != std::string::npos;
    } while (FindNextFileA(find, &found));
    FindClose(find);
    return any;
}

class LongStepsTest : public RunFixture {
protected:
    void SetUp() override
    {
        RunFixture::SetUp();
        host.settings.Mode = OrganizeMode::Extension;  // by extension: no metadata needed
        runs = tree.Path("runs");
        CreateDirectoryA(runs.c_str(), nullptr);
        SetEnvironmentVariableA(kRunsFolderVariable, runs.c_str());
    }
    void TearDown() override { SetEnvironmentVariableA(kRunsFolderVariable, nullptr); }

    // Clicks Cancel at the first pump after the run's own ones that finds row still without a
    // result and ready() true: a pump from within the row's work.
    template <class Ready> void CancelDuringRow(int row, int firstPump, Ready ready)
    {
        host.onPump = [this, row, firstPump, ready](int pump) {
            if (clicked || pump < firstPump || !host.Result(row).empty() || !ready())
                return;
            PostMessageA(GetDlgItem(host.progressWindow, IDC_PROGRESS_CANCEL), BM_CLICK, 0, 0);
            clicked = true;
        };
    }

    void CancelDuringAComparison();

    std::string runs;
    bool clicked = false;
};

}  // namespace

// Rename unless identical compares a large file with the one at its target; Cancel during the
// comparison must not let its cut-short answer move the file under a numbered name.
void LongStepsTest::CancelDuringAComparison()
{
    host.settings.TargetExistsOpt = TargetExistsPolicy::RenameUnlessIdentical;
    CreateDirectoryA(tree.Path("out").c_str(), nullptr);
    CreateDirectoryA(tree.Path("out\\MOV").c_str(), nullptr);
    const std::string source = tree.Path("src\\a.mov");
    ASSERT_TRUE(WriteSparseFile(source, "the same video", kLongSize));
    ASSERT_TRUE(WriteSparseFile(tree.Path("out\\MOV\\a.mov"), "the same video", kLongSize));
    host.AddRow(source);
    // Pump 2 starts the row: a later one before its result comes from within the comparison.
    CancelDuringRow(0, 3, [] { return true; });
    host.Run(true);
    ASSERT_TRUE(clicked) << "the window was not kept alive during the comparison";
    EXPECT_EQ(host.Result(0), "");
    EXPECT_TRUE(Exists(source));
    EXPECT_TRUE(Exists(tree.Path("out\\MOV\\a.mov")));
    EXPECT_FALSE(Exists(tree.Path("out\\MOV\\a_1.mov")));
}

TEST_F(LongStepsTest, CancelDuringAComparisonMovesNothing)
{
    CancelDuringAComparison();
}

// A preview's comparisons read the real files: they too keep the window alive and hear Cancel.
TEST_F(LongStepsTest, CancelDuringAPreviewsComparisonShowsNothingMoved)
{
    DryRunFileSystem preview;
    host.fileSystem = &preview;
    CancelDuringAComparison();
}

// A photo's large sidecar copied after it: Cancel during that copy leaves the photo's row done and
// the sidecar's row not reached, with no part of the sidecar's copy anywhere.
TEST_F(LongStepsTest, CancelDuringACompanionsCopyLeavesItsRowUnreached)
{
    host.settings.CompanionFiles = 1;
    const std::string photo = Source("a.jpg", "a small photo");
    const std::string sidecar = tree.Path("src\\a.xmp");
    ASSERT_TRUE(WriteSparseFile(sidecar, "<x:xmpmeta", kLongSize));
    host.AddRow(sidecar);
    const std::string partial = tree.Path("out\\JPG\\~a.xmp.qmpart");
    CancelDuringRow(1, 4, [&] { return Exists(partial); });
    host.Run(false);
    ASSERT_TRUE(clicked) << "the window was not kept alive during the copy";
    EXPECT_EQ(host.Result(0), "OK");
    EXPECT_TRUE(Exists(tree.Path("out\\JPG\\a.jpg")));
    EXPECT_EQ(host.Result(1), "");
    EXPECT_FALSE(Exists(tree.Path("out\\JPG\\a.xmp")));
    EXPECT_FALSE(AnyPartialBelow(tree.Path("out\\")));
    EXPECT_TRUE(Exists(photo));
    EXPECT_TRUE(Exists(sidecar));
}

// A batch's copies written ahead count as each is written, so that the bytes line rises through
// the batch instead of standing still and jumping after it; each byte counts once: a copy's
// rename at its row's turn adds nothing, and the line ends at the total, never above it.
TEST_F(LongStepsTest, TheBytesOfABatchCopiedAheadRiseCopyByCopyAndCountOnce)
{
    constexpr int kCopies = 20;
    for (int i = 0; i < kCopies; ++i)
        Source("p" + std::to_string(100 + i) + ".jpg", std::string(1024, static_cast<char>('a' + i % 26)));
    // Last, a row skipped as its target is there: its bytes are behind the run only when it ends.
    host.settings.TargetExistsOpt = TargetExistsPolicy::Skip;
    Source("z.jpg", std::string(10 * 1024, 'z'));
    ASSERT_TRUE(CreateDirectoryA(tree.Path("out").c_str(), nullptr));
    ASSERT_TRUE(CreateDirectoryA(tree.Path("out\\JPG").c_str(), nullptr));
    ASSERT_TRUE(WriteText(tree.Path("out\\JPG\\z.jpg"), "there"));
    // A window slow to answer while the batch is copied: every copy after the first two is then
    // followed by a pump, which shows the bytes line.
    host.onCancelAsked = [&] {
        const bool rowsBegun = std::any_of(host.details.begin(), host.details.end(),
                                           [](const ShownDetail& shown) { return !shown.row.empty(); });
        if (!rowsBegun && AnyPartialBelow(tree.Path("out\\")))
            Sleep(120);
    };
    host.Run(false);
    for (int i = 0; i < kCopies; ++i)
        EXPECT_EQ(host.Result(i), "OK") << i;

    // The bytes each line shows, in kilobytes (every file is a whole number of them).
    std::string shown;
    std::vector<double> whileCopied, atRows;
    double last = -1;
    for (const ShownDetail& line : host.details) {
        shown += line.row + " | " + line.detail + "\n";
        double done = 0, total = 0;
        char unit[8] = "", totalUnit[8] = "";
        ASSERT_EQ(std::sscanf(line.detail.c_str(), "%lf %7s of %lf %7s", &done, unit, &total, totalUnit), 4)
                << line.detail;
        if (std::string(unit) != "KB")
            done /= 1024;
        EXPECT_EQ(std::string(totalUnit), "KB");
        EXPECT_EQ(total, kCopies + 10);
        EXPECT_LE(done, total) << shown;
        EXPECT_GE(done, last) << shown;
        last = done;
        (line.row.empty() ? whileCopied : atRows).push_back(done);
    }
    // Within the batch, before its first row: more than one step between none and all.
    std::set<double> steps;
    for (const double done : whileCopied)
        if (done > 0 && done < kCopies)
            steps.insert(done);
    EXPECT_GE(steps.size(), 2u) << shown;
    // From the first row on, the copies' bytes are all counted; their renames add none.
    ASSERT_FALSE(atRows.empty()) << shown;
    for (std::size_t i = 0; i + 1 < atRows.size(); ++i)
        EXPECT_EQ(atRows[i], kCopies) << shown;
    EXPECT_EQ(atRows.back(), kCopies + 10) << shown;
}
