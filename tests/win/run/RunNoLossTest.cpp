// Many seeded random runs over real files: modes, policies, existing targets (some of them
// copies of a source), name clashes, cancel points, sources removed or locked mid-run, read-only
// targets. After every run each original content still exists where the run's outcome says it
// must; only what Overwrite was asked to replace may be gone, an identical file left alone keeps
// its source, and nothing else appears.
#include <gtest/gtest.h>

#include <windows.h>

#include <map>
#include <random>
#include <set>

#include "tests/support/JpegBuilder.h"
#include "tests/support/TempTree.h"
#include "tests/win/run/TestRunHost.h"

namespace {

std::string JpegContent(int id, std::mt19937& rng)
{
    qmtest::Ifd exif;
    const int month = 1 + static_cast<int>(rng() % 2);
    exif.Ascii(0x9003, "2012:0" + std::to_string(month) + ":1" + std::to_string(rng() % 2) + " 10:00:00");
    // A unique maker text keeps every file's content unique.
    qmtest::Ifd ifd0;
    ifd0.Ascii(0x010F, "file " + std::to_string(id)).Sub(0x8769, exif);
    auto bytes = qmtest::MinimalJpeg(ifd0);
    return std::string(bytes.begin(), bytes.end());
}

struct Scenario {
    bool move;
    std::uint32_t mode;
    std::uint32_t policy;
    int cancelRow;  // -1: no cancel
};

void RunSeed(unsigned seed)
{
    SCOPED_TRACE("seed " + std::to_string(seed));
    std::mt19937 rng(seed);
    TempTree tree;
    TestRunHost host;
    const std::uint32_t modes[] = {100, 200, 500, 600};
    const std::uint32_t policies[] = {11, 22, 33, 44};
    Scenario s {rng() % 2 == 0, modes[rng() % 4], policies[rng() % 4], -1};

    host.settings.Mode = s.mode;
    host.settings.TargetExistsOpt = s.policy;
    host.settings.CreateDayFolder = 0;
    host.settings.OutputFolderType = rng() % 4 == 0 ? 0 : 1;
    host.settings.CustomTargetFolder = tree.Path("out");
    host.settings.CreateYearFolder = rng() % 2;
    host.settings.CreateMonthFolder = rng() % 2;

    // Sources in two folders with clashing names; a few rows listed twice.
    std::map<std::string, std::string> original;  // path -> content, every file before the run
    std::vector<std::string> sources;
    int id = 0;
    for (const char* folder : {"a\\", "b\\"}) {
        CreateDirectoryA(tree.Path(folder).c_str(), nullptr);
        const int n = 2 + static_cast<int>(rng() % 4);
        for (int i = 0; i < n; ++i) {
            const std::string path = tree.Path(folder) + "img" + std::to_string(rng() % 3) + ".jpg";
            if (original.count(path))
                continue;
            original[path] = JpegContent(id++, rng);
            ASSERT_TRUE(WriteText(path, original[path]));
            sources.push_back(path);
        }
    }
    std::shuffle(sources.begin(), sources.end(), rng);
    if (rng() % 3 == 0)
        sources.push_back(sources.front());
    for (const auto& path : sources)
        host.AddRow(path);

    // Existing targets where the run is likely to put files, some read-only.
    const char* existing[] = {"out\\2012\\2012_01\\img0.jpg", "out\\img1.jpg", "out\\JPG\\img2.jpg",
                              "out\\2012\\img0.jpg", "out\\2012_02\\img1.jpg"};
    std::set<std::string> readOnly;
    for (const char* rel : existing) {
        if (rng() % 2)
            continue;
        const std::string path = tree.Path(rel);
        std::string folder = path.substr(0, path.rfind('\\'));
        for (size_t at = tree.Root().size(); (at = folder.find('\\', at + 1)) != std::string::npos;)
            CreateDirectoryA(folder.substr(0, at).c_str(), nullptr);
        CreateDirectoryA(folder.c_str(), nullptr);
        original[path] = "existing " + std::string(rel) + " " + std::to_string(id++);
        // Now and then a copy of a source: the same photo imported before.
        if (rng() % 3 == 0)
            original[path] = original[sources[rng() % sources.size()]];
        ASSERT_TRUE(WriteText(path, original[path]));
        if (rng() % 3 == 0) {
            SetFileAttributesA(path.c_str(), FILE_ATTRIBUTE_READONLY);
            readOnly.insert(path);
        }
    }

    // Mid-run trouble: a source removed, another locked, and perhaps a cancel.
    const int rows = static_cast<int>(sources.size());
    const int removeRow = rng() % 4 == 0 ? static_cast<int>(rng() % rows) : -1;
    const int lockRow = rng() % 4 == 0 ? static_cast<int>(rng() % rows) : -1;
    if (rng() % 4 == 0)
        s.cancelRow = static_cast<int>(rng() % rows);
    std::set<std::string> removed;
    HANDLE lock = INVALID_HANDLE_VALUE;
    host.onPump = [&](int pump) {
        if (pump < 2 || pump % 2 != 0)
            return;
        const int row = (pump - 2) / 2;
        if (row == removeRow && DeleteFileA(sources[row].c_str()))
            removed.insert(sources[row]);
        if (row == lockRow && lock == INVALID_HANDLE_VALUE)
            lock = CreateFileA(sources[row].c_str(), GENERIC_READ, 0, nullptr, OPEN_EXISTING, 0, nullptr);
        if (row == s.cancelRow)
            PostMessageA(GetDlgItem(host.progressWindow, 1119), BM_CLICK, 0, 0);
    };
    host.Run(s.move);
    if (lock != INVALID_HANDLE_VALUE)
        CloseHandle(lock);
    for (const auto& path : readOnly)
        SetFileAttributesA(path.c_str(), FILE_ATTRIBUTE_NORMAL);

    // Replay what the rows say happened, in row order: where each content must be now, and which
    // contents Overwrite was asked to replace (a pre-existing target, or one an earlier row put there).
    std::map<std::string, std::string> at = original;  // path -> content
    std::set<std::string> replaced;  // contents Overwrite replaced
    for (const auto& path : removed)
        at.erase(path);
    for (int row = 0; row < rows; ++row) {
        if (host.Result(row) == "Identical file exists; skipped") {
            // Nothing was written or removed: the source stays beside its twin.
            ASSERT_EQ(s.policy, 44u);
            ASSERT_TRUE(at.count(sources[row])) << "row " << row;
            ASSERT_TRUE(at.count(host.Target(row))) << "row " << row;
            EXPECT_EQ(at[host.Target(row)], at[sources[row]]) << "row " << row;
            continue;
        }
        if (host.Result(row) != "OK")
            continue;
        const std::string target = host.Target(row);
        const std::string& source = sources[row];
        ASSERT_FALSE(target.empty());
        ASSERT_TRUE(at.count(source)) << "row " << row << " moved a file that was not there: " << source;
        const std::string content = at[source];
        if (at.count(target)) {
            ASSERT_EQ(s.policy, 22u) << "a target was replaced without Overwrite: " << target;
            replaced.insert(at[target]);
        }
        at[target] = content;
        if (s.move)
            at.erase(source);
    }
    std::map<std::string, std::string> expectedAt = at;
    const auto now = FilesBelow(tree.Root());
    std::multiset<std::string> contentsNow;
    for (const auto& [rel, content] : now)
        contentsNow.insert(content);
    // Every file is where the replay says, with its content.
    for (const auto& [path, content] : expectedAt)
        EXPECT_EQ(ReadText(path), content) << path;
    // Every original content survives unless the test removed it or Overwrite replaced it.
    for (const auto& [path, content] : original) {
        if (removed.count(path) || replaced.count(content))
            continue;
        EXPECT_GE(contentsNow.count(content), 1u) << "lost: " << path;
    }
    // A move leaves no copy behind (a content may stand as often as it stood before the run);
    // nothing new appears.
    std::multiset<std::string> known;
    for (const auto& [path, content] : original)
        known.insert(content);
    for (const auto& [rel, content] : now) {
        EXPECT_TRUE(known.count(content)) << "unexpected file " << rel;
        if (s.move) {
            EXPECT_LE(contentsNow.count(content), known.count(content)) << "moved file exists twice: " << rel;
        }
    }
}

}  // namespace

TEST(RunNoLoss, ManySeededRandomRuns)
{
    for (unsigned seed = 1; seed <= 60; ++seed) {
        RunSeed(seed);
        if (HasFatalFailure())
            return;
    }
}
