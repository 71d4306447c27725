// Long steps of a run: Cancel heard while a large file is compared or copied stops that step, and
// the row is left as the rows the run did not reach, with nothing moved, copied or left behind.
#include <gtest/gtest.h>

#include <windows.h>

#include <string>

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
