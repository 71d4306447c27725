// What a dry run shows is the plan the real run then carries out: for random trees, every mode,
// policy and transfer, the dry run prints line for line what the real run does next, and changes
// nothing. The trees are made to collide: same names in several folders, the same photo twice,
// files without a date, targets taken by an earlier run, by other files and by folders.
#include <windows.h>

#include <gtest/gtest.h>

#include <cstdlib>
#include <random>
#include <sstream>

#include "base/WidePath.h"
#include "tests/support/JpegBuilder.h"
#include "tests/support/TempTree.h"
#include "tests/win/cli/CliProcess.h"

namespace {

std::vector<unsigned char> Photo(const std::string& date, const std::string& maker)
{
    qmtest::Ifd exif;
    exif.Ascii(0x9003, date);
    qmtest::Ifd ifd0;
    ifd0.Ascii(0x010F, maker).Sub(0x8769, exif);
    return qmtest::MinimalJpeg(ifd0);
}

template <typename T> const T& Pick(std::mt19937& random, const std::vector<T>& from)
{
    return from[std::uniform_int_distribution<std::size_t>(0, from.size() - 1)(random)];
}

bool Chance(std::mt19937& random, int percent)
{
    return std::uniform_int_distribution<int>(0, 99)(random) < percent;
}

struct PlanCase {
    std::vector<std::string> args;  // the real run's
    std::vector<std::string> earlier;  // an earlier real run that fills the output first, if any
    std::string text;  // what the case is, for a failure's message
};

// Lays out a random tree below root and draws the run to make over it.
PlanCase MakeCase(std::mt19937& random, const TempTree& tree)
{
    const std::vector<std::string> folders {"src\\", "src\\card\\", "src\\phone\\"};
    const std::vector<std::string> names {"IMG_0001.jpg", "IMG_0001.JPG", "IMG_0002.jpg", "a b.jpg",
                                          "Ünïcode.jpg",  "IMG_0001.xmp", "clip.png"};
    const std::vector<std::string> dates {"2012:01:27 10:00:00", "2012:01:27 23:59:59", "2019:12:31 00:00:01",
                                          "2019:02:03 04:05:06"};
    const std::vector<std::string> makers {"Canon", "NIKON"};
    for (const std::string& folder : folders)
        CreateDirectoryW(WidePath(tree.Path(folder)).c_str(), nullptr);
    std::vector<std::string> sources;
    const int files = std::uniform_int_distribution<int>(3, 10)(random);
    for (int i = 0; i < files; ++i) {
        const std::string path = tree.Path(Pick(random, folders) + Pick(random, names));
        // A name drawn twice in one folder keeps its first content (on a case-blind system
        // IMG_0001.jpg and IMG_0001.JPG are one file).
        if (GetFileAttributesW(WidePath(path).c_str()) != INVALID_FILE_ATTRIBUTES)
            continue;
        const bool dated = !Chance(random, 15) && path.find(".xmp") == std::string::npos;
        const bool written = dated ? WriteData(path, Photo(Pick(random, dates), Pick(random, makers)))
                                   : WriteText(path, "no date in here " + std::to_string(i));
        if (written)
            sources.push_back(path);
    }

    PlanCase c;
    const std::string out = tree.Path("out\\");
    const std::vector<std::string> modes {"taken", "taken-else-modified", "modified", "extension"};
    const std::vector<std::string> policies {"rename", "overwrite", "skip", "identical"};
    const std::string mode = Pick(random, modes);
    const std::string policy = Pick(random, policies);
    const bool move = Chance(random, 50);
    c.args = {"organize", move ? "--move" : "--copy", "--mode", mode, "--exists", policy, "--out", out};
    std::ostringstream text;
    text << mode << ", " << policy << ", " << (move ? "move" : "copy");
    if (Chance(random, 30)) {
        c.args.insert(c.args.end(), {"--rename", "%Y%m%d"});
        text << ", renamed by date";
    }
    if (Chance(random, 30)) {
        c.args.push_back("--companions");
        text << ", companions";
    }
    if (Chance(random, 20)) {
        c.args.push_back("--no-day");
        text << ", no day folders";
    }
    c.args.push_back(tree.Path("src\\"));
    // Half the cases meet an output folder that an earlier copy of some of the files filled.
    if (Chance(random, 50) && !sources.empty()) {
        c.earlier = {"organize", "--copy", "--mode", mode, "--out", out};
        for (const std::string& source : sources)
            if (Chance(random, 50))
                c.earlier.push_back(source);
        text << ", after an earlier copy of " << c.earlier.size() - 6 << " files";
    }
    text << "; " << sources.size() << " files";
    c.text = text.str();
    return c;
}

std::uint32_t CaseCount()
{
    const char* value = std::getenv("QM_PLAN_CASES");
    const long count = value != nullptr ? std::strtol(value, nullptr, 10) : 0;
    return count > 0 ? static_cast<std::uint32_t>(count) : 12;
}

TEST(CliPlan, TheDryRunShowsWhatTheRunThenDoesForRandomTrees)
{
    if (GetFileAttributesA(CliProgram().c_str()) == INVALID_FILE_ATTRIBUTES)
        FAIL() << "quillmere-cli.exe is not built: " << CliProgram();
    int changed = 0;
    const std::uint32_t cases = CaseCount();
    for (std::uint32_t seed = 1; seed <= cases; ++seed) {
        TempTree tree;
        std::mt19937 random(seed);
        const PlanCase c = MakeCase(random, tree);
        SCOPED_TRACE("seed " + std::to_string(seed) + ": " + c.text);
        if (!c.earlier.empty()) {
            ASSERT_TRUE(RunCli(c.earlier).started);
        }
        const auto before = Snapshot(tree.Root());
        std::vector<std::string> dryArgs = c.args;
        dryArgs.insert(dryArgs.begin() + 1, "--dry-run");
        const CliOutcome dry = RunCli(dryArgs);
        ASSERT_TRUE(dry.started);
        EXPECT_EQ(Snapshot(tree.Root()), before) << "the dry run changed the tree";
        const CliOutcome real = RunCli(c.args);
        ASSERT_TRUE(real.started);
        EXPECT_EQ(dry.out, real.out);
        EXPECT_EQ(dry.exitCode, real.exitCode);
        changed += Snapshot(tree.Root()) != before;
    }
    // Nearly every case must move or copy something, or the comparison proves little.
    EXPECT_GE(changed, static_cast<int>(cases * 3 / 4));
}

}  // namespace
