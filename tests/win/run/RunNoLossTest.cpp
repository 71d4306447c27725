// Many seeded random runs over real files: modes, policies, existing targets (some of them
// copies of a source), name clashes, names in many scripts, cancel points, sources removed or
// locked mid-run, read-only targets, and (where the test wrapper provides a small drive) an output
// drive that fills up mid-run. After every run each original content still exists where the run's
// outcome says it must; only what Overwrite was asked to replace may be gone, an identical file
// left alone keeps its source, and nothing else appears, not even an unfinished copy. Then the run
// is undone from its journal: every original content is back at its own path, except the source
// the test removed.
#include <gtest/gtest.h>

#include <windows.h>

#include <map>
#include <random>
#include <cstdlib>
#include <set>

#include "engine/RunsFolder.h"
#include "engine/RunUndo.h"
#include "tests/support/JpegBuilder.h"
#include "tests/support/TempTree.h"
#include "tests/win/run/TestRunHost.h"
#include "tests/support/StatusCheck.h"

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

class LeftRows : public UndoSink {
public:
    void FileUndone(const std::string&, const std::string& source, const std::string&, bool left) override
    {
        if (left)
            sources.push_back(source);
    }
    std::vector<std::string> sources;
};

// Names in several scripts, with letter-case twins that name one file, and a combining accent.
const char* const kNames[] = {"img0",
                              "\xD0\x9F\xD1\x80\xD0\xB8\xD0\xB2\xD0\xB5\xD1\x82",
                              "\xD0\x9F\xD0\xA0\xD0\x98\xD0\x92\xD0\x95\xD0\xA2",
                              "\xE6\x97\xA5\xE6\x9C\xAC",
                              "\xF0\x9F\x98\x80",
                              "cafe\xCC\x81",
                              "\xC3\x84",
                              "\xC3\xA4"};

// The small drive of the test wrapper, or empty.
std::string SmallDrive()
{
    const char* drive = std::getenv("QM_SMALL_DRIVE");
    return drive != nullptr ? drive : "";
}

// A path as the file system tells paths apart: without regard to letter case, in any script.
std::string Key(const std::string& path)
{
    const int units = MultiByteToWideChar(CP_ACP, 0, path.data(), static_cast<int>(path.size()), nullptr, 0);
    std::wstring wide(static_cast<std::size_t>(units), L'\0');
    MultiByteToWideChar(CP_ACP, 0, path.data(), static_cast<int>(path.size()), wide.data(), units);
    CharUpperBuffW(wide.data(), static_cast<DWORD>(wide.size()));
    const int bytes = WideCharToMultiByte(CP_ACP, 0, wide.data(), units, nullptr, 0, nullptr, nullptr);
    std::string key(static_cast<std::size_t>(bytes), '\0');
    WideCharToMultiByte(CP_ACP, 0, wide.data(), units, key.data(), bytes, nullptr, nullptr);
    return key;
}

// Every file below folder, with its content, by full path.
void AddFilesBelow(const std::string& folder, std::map<std::string, std::string>& files,
                   const std::string& skip)
{
    for (const auto& [relative, content] : FilesBelow(folder))
        if (folder + relative != skip)
            files[folder + relative] = content;
}

struct Scenario {
    bool move;
    OrganizeMode mode;
    TargetExistsPolicy policy;
    int cancelRow;  // -1: no cancel
};

void RunSeed(unsigned seed)
{
    SCOPED_TRACE("seed " + std::to_string(seed));
    std::mt19937 rng(seed);
    TempTree tree;
    TempTree runs;
    SetEnvironmentVariableA(kRunsFolderVariable, runs.Root().c_str());
    TestRunHost host;
    const OrganizeMode modes[] = {OrganizeMode::Taken, OrganizeMode::Modified, OrganizeMode::Extension,
                                  OrganizeMode::TakenElseModified};
    const TargetExistsPolicy policies[] = {TargetExistsPolicy::RenameAutomatically,
                                           TargetExistsPolicy::Overwrite, TargetExistsPolicy::Skip,
                                           TargetExistsPolicy::RenameUnlessIdentical};
    Scenario s {rng() % 2 == 0, modes[rng() % 4], policies[rng() % 4], -1};

    host.settings.Mode = s.mode;
    host.settings.TargetExistsOpt = s.policy;
    host.settings.CreateDayFolder = 0;
    host.settings.OutputFolderType = rng() % 4 == 0 ? 0 : 1;
    // Now and then the output goes to the small drive, filled so that only some files fit.
    const std::string smallDrive = SmallDrive();
    const bool onSmallDrive = !smallDrive.empty() && host.settings.OutputFolderType == 1 && rng() % 3 == 0;
    const std::string outRoot = onSmallDrive ? smallDrive + "qm_noloss\\" : tree.Root();
    if (onSmallDrive) {
        RemoveTree(outRoot);
        ASSERT_TRUE(CreateDirectoryA(outRoot.c_str(), nullptr));
    }
    host.settings.CustomTargetFolder = outRoot + "out";
    host.settings.CreateYearFolder = rng() % 2;
    host.settings.CreateMonthFolder = rng() % 2;

    // Sources in two folders with clashing names; a few rows listed twice.
    std::map<std::string, std::string> original;  // key -> content, every file before the run
    std::map<std::string, std::string> spelling;  // key -> a path that reaches it
    std::vector<std::string> sources;
    int id = 0;
    const auto add = [&](const std::string& path, const std::string& content) {
        original[Key(path)] = content;
        spelling[Key(path)] = path;
        return WriteText(path, content);
    };
    for (const char* folder : {"a\\", "\xCE\xA6\xCF\x89\xCF\x84\xCE\xBF\\"}) {
        ASSERT_TRUE(CreateDirectoryA(tree.Path(folder).c_str(), nullptr));
        const int n = 2 + static_cast<int>(rng() % 4);
        for (int i = 0; i < n; ++i) {
            const std::string path = tree.Path(folder) + kNames[rng() % std::size(kNames)] + ".jpg";
            if (original.count(Key(path)))
                continue;
            ASSERT_TRUE(add(path, JpegContent(id++, rng))) << path;
            sources.push_back(path);
        }
    }
    std::shuffle(sources.begin(), sources.end(), rng);
    if (rng() % 3 == 0)
        sources.push_back(sources.front());
    for (const auto& path : sources)
        host.AddRow(path);

    // Existing targets where the run is likely to put files, some read-only.
    const char* existing[] = {"out\\2012\\2012_01\\img0.jpg", "out\\\xC3\xA4.jpg",
                              "out\\JPG\\\xE6\x97\xA5\xE6\x9C\xAC.jpg", "out\\2012\\img0.jpg",
                              "out\\2012_02\\\xD0\xBF\xD1\x80\xD0\xB8\xD0\xB2\xD0\xB5\xD1\x82.jpg"};
    std::set<std::string> readOnly;
    for (const char* rel : existing) {
        if (rng() % 2)
            continue;
        const std::string path = outRoot + rel;
        std::string folder = path.substr(0, path.rfind('\\'));
        for (size_t at = outRoot.size() - 1; (at = folder.find('\\', at + 1)) != std::string::npos;)
            CreateDirectoryA(folder.substr(0, at).c_str(), nullptr);
        CreateDirectoryA(folder.c_str(), nullptr);
        std::string content = "existing " + std::string(rel) + " " + std::to_string(id++);
        // Now and then a copy of a source: the same photo imported before.
        if (rng() % 3 == 0)
            content = original[Key(sources[rng() % sources.size()])];
        ASSERT_TRUE(add(path, content)) << path;
        if (rng() % 3 == 0) {
            SetFileAttributesA(path.c_str(), FILE_ATTRIBUTE_READONLY);
            readOnly.insert(path);
        }
    }
    std::string filler;
    if (onSmallDrive) {
        ULARGE_INTEGER free {}, total {}, totalFree {};
        ASSERT_TRUE(GetDiskFreeSpaceExA(outRoot.c_str(), &free, &total, &totalFree));
        const ULONGLONG leave = 4096 * (rng() % 6);
        filler = outRoot + "filler.bin";
        if (free.QuadPart > leave) {
            ASSERT_TRUE(WriteText(filler, std::string(static_cast<std::size_t>(free.QuadPart - leave), 'f')));
        }
    }

    // Mid-run trouble: a source removed, another locked, and perhaps a cancel.
    const int rows = static_cast<int>(sources.size());
    const int removeRow = rng() % 4 == 0 ? static_cast<int>(rng() % rows) : -1;
    const int lockRow = rng() % 4 == 0 ? static_cast<int>(rng() % rows) : -1;
    if (rng() % 4 == 0)
        s.cancelRow = static_cast<int>(rng() % rows);
    std::set<std::string> removed;  // keys
    HANDLE lock = INVALID_HANDLE_VALUE;
    host.onPump = [&](int pump) {
        if (pump < 2 || pump % 2 != 0)
            return;
        const int row = (pump - 2) / 2;
        // Only before any row of that file is done (a file listed twice may have been placed by
        // its first row already).
        const auto untouched = [&] {
            for (int other = 0; other < rows; ++other)
                if (Key(sources[other]) == Key(sources[row]) && !host.Result(other).empty())
                    return false;
            return true;
        };
        if (row == removeRow && untouched() && DeleteFileA(sources[row].c_str()))
            removed.insert(Key(sources[row]));
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
    std::map<std::string, std::string> at = original;  // key -> content
    std::set<std::string> replaced;  // contents Overwrite replaced
    std::set<std::string> twice;  // contents a move copied but whose source it kept
    // A move takes its source at its row's turn, so a removed source is gone from the start. A copy
    // run copies a batch's files when it plans the batch, before their rows: a source removed at its
    // row's turn may have been copied already, whole, and its row then places that copy.
    if (s.move) {
        for (const auto& key : removed)
            at.erase(key);
    }
    for (int row = 0; row < rows; ++row) {
        const std::string result = host.Result(row);
        if (result == "Identical file exists; skipped") {
            // Nothing was written or removed: the source stays beside its twin.
            ASSERT_EQ(s.policy, TargetExistsPolicy::RenameUnlessIdentical);
            ASSERT_TRUE(at.count(Key(sources[row]))) << "row " << row;
            ASSERT_TRUE(at.count(Key(host.Target(row)))) << "row " << row;
            EXPECT_EQ(at[Key(host.Target(row))], at[Key(sources[row])]) << "row " << row;
            continue;
        }
        const bool kept = result.rfind("Copied; the source was kept", 0) == 0;
        if (result != "OK" && !kept)
            continue;
        const std::string target = host.Target(row);
        const std::string source = Key(sources[row]);
        ASSERT_FALSE(target.empty());
        ASSERT_TRUE(at.count(source))
                << "row " << row << " moved a file that was not there: " << sources[row];
        const std::string content = at[source];
        if (at.count(Key(target))) {
            ASSERT_EQ(s.policy, TargetExistsPolicy::Overwrite)
                    << "a target was replaced without Overwrite: " << target;
            replaced.insert(at[Key(target)]);
        }
        at[Key(target)] = content;
        spelling[Key(target)] = target;
        if (kept)
            twice.insert(content);
        else if (s.move)
            at.erase(source);
    }
    for (const auto& key : removed)
        at.erase(key);
    std::map<std::string, std::string> now;
    AddFilesBelow(tree.Root(), now, filler);
    if (onSmallDrive)
        AddFilesBelow(outRoot, now, filler);
    std::multiset<std::string> contentsNow;
    for (const auto& [path, content] : now)
        contentsNow.insert(content);
    // Every file is where the replay says, with its content.
    for (const auto& [key, content] : at)
        EXPECT_EQ(ReadText(spelling[key]), content) << spelling[key];
    // Every original content survives unless the test removed it or Overwrite replaced it.
    for (const auto& [key, content] : original) {
        if (removed.count(key) || replaced.count(content))
            continue;
        EXPECT_GE(contentsNow.count(content), 1u) << "lost: " << spelling[key];
    }
    // A move leaves no copy behind (a content may stand as often as it stood before the run);
    // nothing new appears, not even an unfinished copy.
    std::multiset<std::string> known;
    for (const auto& [key, content] : original)
        known.insert(content);
    for (const auto& [path, content] : now) {
        EXPECT_TRUE(known.count(content)) << "unexpected file " << path;
        EXPECT_EQ(path.find(".qmpart"), std::string::npos) << "unfinished copy left: " << path;
        if (s.move && !twice.count(content)) {
            EXPECT_LE(contentsNow.count(content), known.count(content))
                    << "moved file exists twice: " << path;
        }
    }

    // Undo: the tree before the run comes back, but for the source the test removed (a copy made
    // of it by an earlier row is kept and reported).
    const std::string journal = LatestJournal(SystemFileOps(), RunsFolder());
    SetEnvironmentVariableA(kRunsFolderVariable, nullptr);
    LeftRows sink;
    if (!journal.empty()) {
        JournalData data;
        ASSERT_TRUE(Succeeded(LoadForUndo(SystemFileOps(), journal, data)));
        UndoTally tally;
        ASSERT_TRUE(Succeeded(UndoRun(SystemFileOps(), journal, false, "now", sink, tally)));
    }
    for (const auto& source : sink.sources)
        EXPECT_TRUE(removed.count(Key(source))) << "left by undo: " << source;
    std::size_t expectedFiles = sink.sources.size();
    for (const auto& [path, content] : original) {
        if (removed.count(path))
            continue;
        ++expectedFiles;
        EXPECT_EQ(ReadText(path), content) << "after undo: " << path;
    }
    std::map<std::string, std::string> afterUndo;
    AddFilesBelow(tree.Root(), afterUndo, filler);
    if (onSmallDrive)
        AddFilesBelow(outRoot, afterUndo, filler);
    EXPECT_EQ(afterUndo.size(), expectedFiles);
    if (onSmallDrive)
        RemoveTree(outRoot);
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
