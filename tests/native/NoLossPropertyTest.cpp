// The run's file steps, its journal and its undo against a file system in memory that is ended at
// every call it makes or runs out of space: whatever happens, every byte of every file exists whole
// under some name, no real name holds a broken file, the journal can still be read, and the undo
// (itself ended at random and then finished) gives back the tree as it was.
#include <gtest/gtest.h>

#include <algorithm>
#include <cstdio>
#include <cstdlib>
#include <map>
#include <random>
#include <set>

#include "MemoryFileOps.h"
#include "engine/FileTransfer.h"
#include "engine/OrganizeOptions.h"
#include "base/PathText.h"
#include "engine/RunJournal.h"
#include "engine/RunUndo.h"
#include "engine/TargetExists.h"

namespace {

const char kRuns[] = "C:\\runs\\";

struct Case {
    std::map<std::string, std::string> files;  // every file before the run
    std::vector<std::string> sources;
    std::vector<std::string> targets;  // wanted, one per source
    TargetExistsPolicy policy = TargetExistsPolicy::Skip;
    bool move = false;
    std::uint64_t capacityD = 0;  // 0: no limit
    std::vector<std::string> held;  // held for a moment by another program
};

Case MakeCase(std::mt19937& random)
{
    Case c;
    auto pick = [&](int n) { return static_cast<int>(random() % static_cast<unsigned>(n)); };
    const std::string out = pick(2) == 0 ? "C:\\out\\" : "D:\\out\\";
    const char* names[] = {"IMG_0001.JPG", "IMG_0001.XMP", "IMG_0002.JPG", "a.jpg", "A.JPG", "clip.mov"};
    const int sourceCount = 1 + pick(6);
    std::set<std::string> used;
    for (int i = 0; i < sourceCount; ++i) {
        const std::string folder = pick(3) == 0 ? "D:\\card\\" : (pick(2) == 0 ? "C:\\camA\\" : "C:\\camB\\");
        const std::string path = folder + names[pick(6)];
        if (!used.insert(MemoryFileOps::Upper(path)).second)
            continue;
        // Same-size contents that differ in their last byte now and then.
        std::string bytes =
                "photo " + std::to_string(pick(3)) + std::string(static_cast<std::size_t>(pick(40)), 'x');
        bytes += static_cast<char>('A' + i);
        c.files[path] = bytes;
        c.sources.push_back(path);
        c.targets.push_back(out + (pick(2) == 0 ? "2012\\" : "2013\\") + FileNameOf(path));
    }
    // Files already in the output folder: some the same as a source, some not.
    const int existing = pick(4);
    for (int i = 0; i < existing && !c.targets.empty(); ++i) {
        const std::size_t of = static_cast<std::size_t>(pick(static_cast<int>(c.targets.size())));
        std::string target = c.targets[of];
        if (pick(3) == 0) {
            const std::string ext = ExtensionOf(target).value_or("");
            target = target.substr(0, target.size() - ext.size()) + "_1" + ext;
        }
        if (std::any_of(c.files.begin(), c.files.end(), [&](const auto& f) {
                return MemoryFileOps::Upper(f.first) == MemoryFileOps::Upper(target);
            }))
            continue;
        c.files[target] =
                pick(2) == 0 ? c.files[c.sources[of]] : "old " + std::to_string(i) + " of the library";
    }
    const TargetExistsPolicy policies[] = {TargetExistsPolicy::RenameAutomatically,
                                           TargetExistsPolicy::Overwrite, TargetExistsPolicy::Skip,
                                           TargetExistsPolicy::RenameUnlessIdentical};
    c.policy = policies[pick(4)];
    c.move = pick(2) == 0;
    // A drive that fills during the run, never one already too full for what it held.
    if (pick(5) == 0) {
        std::uint64_t used = 0;
        for (const auto& [path, bytes] : c.files)
            used += path[0] == 'D' ? bytes.size() : 0;
        c.capacityD = used + static_cast<std::uint64_t>(pick(120));
    }
    if (pick(4) == 0 && !c.targets.empty())
        c.held.push_back(c.targets[static_cast<std::size_t>(pick(static_cast<int>(c.targets.size())))]);
    return c;
}

std::string Describe(const Case& c)
{
    std::string text = std::string(c.move ? " move" : " copy") + " policy " +
                       std::to_string(static_cast<unsigned>(c.policy)) + " capacity " +
                       std::to_string(c.capacityD);
    for (const auto& [path, bytes] : c.files)
        text += "\n  file " + path + " (" + std::to_string(bytes.size()) + ")";
    for (std::size_t i = 0; i < c.sources.size(); ++i)
        text += "\n  " + c.sources[i] + " -> " + c.targets[i];
    for (const std::string& held : c.held)
        text += "\n  held " + held;
    return text;
}

void Lay(MemoryFileOps& ops, const Case& c)
{
    std::uint64_t time = 5000;
    for (const auto& [path, bytes] : c.files) {
        std::string folder;
        FolderOf(path, folder);
        std::string walk;
        for (std::size_t at = folder.find('\\'); at != std::string::npos; at = folder.find('\\', at + 1))
            if (at > 2)
                ops.AddFolder(folder.substr(0, at));
        ops.AddFile(path, bytes, time++);
    }
    ops.AddFolder("C:\\runs");
    if (c.capacityD != 0)
        ops.SetCapacity("D:", c.capacityD);
    for (const std::string& path : c.held)
        ops.HoldFor(path, 3);
}

// The placing steps of a run, as the organize run takes them for each file.
void RunSteps(MemoryFileOps& ops, const Case& c, const std::string& name)
{
    OpsFileSystem real(ops);
    RunJournal journal(ops);
    JournalHeader header;
    header.started = "2026-12-09 10:00:00";
    header.move = c.move;
    header.policy = static_cast<std::uint32_t>(c.policy);
    if (!journal.Open(kRuns, name, header, 50))
        return;
    JournalFileSystem fs(real, journal);
    for (std::size_t i = 0; i < c.sources.size(); ++i) {
        std::string target = c.targets[i];
        bool replace = false;
        if (fs.Exists(target)) {
            const ExistingTarget decision =
                    ResolveExistingTarget(fs, c.sources[i], static_cast<std::uint32_t>(c.policy), target);
            if (decision != ExistingTarget::Free && decision != ExistingTarget::Replace)
                continue;
            replace = decision == ExistingTarget::Replace;
        }
        std::string folder;
        if (!FolderOf(target, folder) || !fs.EnsureFolder(folder))
            continue;
        if (replace)
            fs.Replace(c.sources[i], target, c.move);
        else
            fs.Transfer(c.sources[i], target, c.move);
    }
    journal.Close();
}

bool IsRealName(const std::string& path)
{
    return path.rfind(kRuns, 0) != 0 && path.find(".qmpart") == std::string::npos;
}

// Every original content whole under some name; every real name holds an original content whole.
void ExpectNothingLost(const MemoryFileOps& ops, const Case& c, const std::string& when)
{
    std::multiset<std::string> contents;
    const auto files = ops.Files();
    for (const auto& [path, bytes] : files)
        contents.insert(bytes);
    std::set<std::string> originals;
    for (const auto& [path, bytes] : c.files) {
        originals.insert(bytes);
        EXPECT_NE(contents.count(bytes), 0u) << when << ": the content of " << path << " is lost";
    }
    for (const auto& [path, bytes] : files) {
        if (IsRealName(path)) {
            EXPECT_NE(originals.count(bytes), 0u) << when << ": " << path << " holds a broken file";
        }
    }
}

class UndoCollector : public UndoSink {
public:
    void FileUndone(const std::string&, const std::string&, const std::string& result, bool left) override
    {
        if (left)
            leftRows.push_back(result);
    }
    std::vector<std::string> leftRows;
};

std::string OnlyJournal(MemoryFileOps& ops)
{
    const auto journals = KeptJournals(ops, kRuns);
    return journals.empty() ? std::string() : journals.back();
}

// One case: the run ended at killRun (0: not), then undos ended at killUndo, then one to the end.
void CheckCase(const Case& c, std::uint64_t killRun, std::uint64_t killUndo, const std::string& label)
{
    MemoryFileOps ops;
    Lay(ops, c);
    const auto before = ops.Files();
    ops.KillAt(killRun);
    try {
        RunSteps(ops, c, "run");
    } catch (const Killed&) { }
    ops.Revive();
    ExpectNothingLost(ops, c, label + " after the run");
    const std::string journal = OnlyJournal(ops);
    JournalData data;
    std::string error;
    if (journal.empty() ||
        (!LoadJournal(ops, journal, data, error) && error.find("first line") != std::string::npos)) {
        // No journal, or one ended while its first line was written: the run changed nothing.
        std::map<std::string, std::string> now;
        for (const auto& [path, bytes] : ops.Files()) {
            if (IsRealName(path))
                now[path] = bytes;
        }
        EXPECT_EQ(now, before) << label;
        return;
    }
    ASSERT_TRUE(LoadJournal(ops, journal, data, error)) << label << ": " << error;

    const std::uint64_t start = ops.Calls();
    ops.KillAt(killUndo == 0 ? 0 : start + killUndo);
    try {
        UndoCollector sink;
        UndoTally tally;
        UndoRun(ops, journal, false, "now", sink, tally, error);
    } catch (const Killed&) { }
    ops.Revive();
    ExpectNothingLost(ops, c, label + " after an undo ended by force");
    ASSERT_TRUE(LoadJournal(ops, journal, data, error)) << label << ": " << error;
    UndoCollector sink;
    UndoTally tally;
    error.clear();
    if (!data.undone) {
        EXPECT_TRUE(UndoRun(ops, journal, false, "now", sink, tally, error)) << label << ": " << error;
    }
    EXPECT_TRUE(sink.leftRows.empty()) << label << ": " << sink.leftRows.front();
    ASSERT_TRUE(LoadJournal(ops, journal, data, error)) << label << ": " << error;
    EXPECT_TRUE(data.undone) << label;
    std::map<std::string, std::string> now;
    // Names compare as Windows compares them: a replaced file comes back under the spelling of the
    // name that replaced it.
    std::map<std::string, std::string> then;
    for (const auto& [path, bytes] : before)
        then[MemoryFileOps::Upper(path)] = bytes;
    for (const auto& [path, bytes] : ops.Files()) {
        if (path.rfind(kRuns, 0) != 0)
            now[MemoryFileOps::Upper(path)] = bytes;
    }
    EXPECT_EQ(now, then) << label;
    for (const std::string& folder : ops.Folders()) {
        if (folder.find("\\OUT\\") == std::string::npos)
            continue;
        EXPECT_TRUE(std::any_of(
                before.begin(), before.end(),
                [&](const auto& f) { return MemoryFileOps::Upper(f.first).rfind(folder, 0) == 0; }))
                << label << ": folder left " << folder;
    }
}

std::uint64_t EnvNumber(const char* name, std::uint64_t fallback)
{
    const char* text = std::getenv(name);
    return text != nullptr && *text != '\0' ? std::strtoull(text, nullptr, 10) : fallback;
}

TEST(NoLossProperty, RunAndUndoEndedAtEveryStepLoseNothing)
{
    const std::uint64_t seed = EnvNumber("QM_PROPERTY_SEED", 20261209);
    const std::uint64_t cases = EnvNumber("QM_PROPERTY_CASES", 10000);
    std::mt19937 random(static_cast<std::mt19937::result_type>(seed));
    std::uint64_t checked = 0;
    for (std::uint64_t n = 0; n < cases && !HasFailure(); ++n) {
        const Case c = MakeCase(random);
        // How many calls a whole run makes: every one of them is a place to end it.
        MemoryFileOps probe;
        Lay(probe, c);
        RunSteps(probe, c, "run");
        const std::uint64_t calls = probe.Calls();
        const std::uint64_t killRun = random() % (calls + 2);
        const std::uint64_t killUndo = random() % 40;
        CheckCase(c, killRun, killUndo,
                  "seed " + std::to_string(seed) + " case " + std::to_string(n) + " kill " +
                          std::to_string(killRun) + "/" + std::to_string(calls) + " undo kill " +
                          std::to_string(killUndo) + Describe(c));
        ++checked;
    }
    RecordProperty("cases", std::to_string(checked));
    std::printf("no-loss property: %llu cases, seed %llu\n", static_cast<unsigned long long>(checked),
                static_cast<unsigned long long>(seed));
}

TEST(NoLossProperty, EveryStepOfOneOverwriteRunIsAPlaceToEndIt)
{
    // Two drives, a replaced target on each: the step-by-step sweep the random cases sample.
    Case c;
    c.files = {{"C:\\card\\clip.mov", std::string(300, 'n')},
               {"D:\\out\\2021\\clip.mov", std::string(200, 'o')},
               {"C:\\card\\b.jpg", "new b"},
               {"C:\\out\\2021\\b.jpg", "old b"}};
    c.sources = {"C:\\card\\clip.mov", "C:\\card\\b.jpg"};
    c.targets = {"D:\\out\\2021\\clip.mov", "C:\\out\\2021\\b.jpg"};
    c.policy = TargetExistsPolicy::Overwrite;
    for (const bool move : {false, true}) {
        c.move = move;
        MemoryFileOps probe;
        Lay(probe, c);
        RunSteps(probe, c, "run");
        for (std::uint64_t kill = 1; kill <= probe.Calls() + 1 && !HasFailure(); ++kill)
            for (std::uint64_t killUndo = 0; killUndo < 30 && !HasFailure(); killUndo += 3)
                CheckCase(c, kill, killUndo,
                          std::string(move ? "move" : "copy") + " kill " + std::to_string(kill) +
                                  " undo kill " + std::to_string(killUndo));
    }
}

}  // namespace

namespace {

TEST(NoLossProperty, TheNextRunRemovesTheUnfinishedCopiesOfARunEndedByForce)
{
    for (const bool replace : {false, true}) {
        Case c;
        c.files = {{"C:\\card\\clip.mov", std::string(300, 'n')}};
        if (replace)
            c.files["D:\\out\\2021\\clip.mov"] = std::string(100, 'o');
        c.sources = {"C:\\card\\clip.mov"};
        c.targets = {"D:\\out\\2021\\clip.mov"};
        c.policy = TargetExistsPolicy::Overwrite;
        // Ended in the middle of writing the copy, whatever else came before it.
        MemoryFileOps ops;
        Lay(ops, c);
        std::uint64_t kill = 1;
        for (;; ++kill) {
            MemoryFileOps probe;
            Lay(probe, c);
            probe.KillAt(kill);
            try {
                RunSteps(probe, c, "run");
            } catch (const Killed&) { }
            std::string cut;
            if (probe.Contents("D:\\out\\2021\\~clip.mov.qmpart", cut) && cut.size() == 150)
                break;
            ASSERT_LT(kill, 100u) << "no call ends the run with a cut copy";
        }
        ops.KillAt(kill);
        try {
            RunSteps(ops, c, "run");
        } catch (const Killed&) { }
        ops.Revive();
        ASSERT_EQ(ops.Files().count("D:\\out\\2021\\~clip.mov.qmpart"), 1u);
        // Another run, anywhere: its start looks at the journals the runs before it left.
        RunJournal next(ops);
        ASSERT_TRUE(next.Open(kRuns, "next", JournalHeader {}, 50));
        EXPECT_EQ(ops.Files().count("D:\\out\\2021\\~clip.mov.qmpart"), 0u);
        EXPECT_EQ(ops.Files().count("C:\\card\\clip.mov"), 1u);
        if (replace) {
            EXPECT_EQ(ops.Files().at("D:\\out\\2021\\clip.mov"), std::string(100, 'o'));
        }
    }
}

TEST(NoLossProperty, AnUndoRefusesAJournalItsRunStillHolds)
{
    Case c;
    c.files = {{"C:\\card\\a.jpg", "a photo"}};
    c.sources = {"C:\\card\\a.jpg"};
    c.targets = {"C:\\out\\a.jpg"};
    MemoryFileOps ops;
    Lay(ops, c);
    OpsFileSystem real(ops);
    RunJournal journal(ops);
    ASSERT_TRUE(journal.Open(kRuns, "run", JournalHeader {}, 50));
    JournalFileSystem fs(real, journal);
    ASSERT_TRUE(fs.EnsureFolder("C:\\out\\"));
    ASSERT_EQ(fs.Transfer(c.sources[0], c.targets[0], false), TransferOutcome::Done);
    const auto during = ops.Files();
    UndoCollector sink;
    UndoTally tally;
    std::string error;
    JournalData data;
    EXPECT_FALSE(LoadForUndo(ops, journal.Path(), data, error));
    EXPECT_NE(error.find("is still going"), std::string::npos) << error;
    EXPECT_FALSE(UndoRun(ops, journal.Path(), false, "now", sink, tally, error));
    EXPECT_NE(error.find("is still going"), std::string::npos) << error;
    EXPECT_EQ(ops.Files(), during);
    journal.Close();
    EXPECT_TRUE(UndoRun(ops, journal.Path(), false, "now", sink, tally, error)) << error;
    EXPECT_EQ(ops.Files().count("C:\\out\\a.jpg"), 0u);
}

}  // namespace

namespace {

TEST(NoLossProperty, AReplacedFileThatCannotGoBackKeepsTheRunOpenAndSaysWhereItIs)
{
    Case c;
    c.files = {{"C:\\card\\a.jpg", "the new photo"}, {"C:\\out\\a.jpg", "the old photo"}};
    c.sources = {"C:\\card\\a.jpg"};
    c.targets = {"C:\\out\\a.jpg"};
    c.policy = TargetExistsPolicy::Overwrite;
    MemoryFileOps ops;
    Lay(ops, c);
    RunSteps(ops, c, "run");
    const std::string journal = OnlyJournal(ops);
    // The user edits the new file after the run: undo may not take it away, so the old one stays kept.
    ASSERT_TRUE(ops.Delete("C:\\out\\a.jpg"));
    ops.AddFile("C:\\out\\a.jpg", "the new photo, edited", 9999);
    UndoCollector sink;
    UndoTally tally;
    std::string error;
    ASSERT_TRUE(UndoRun(ops, journal, false, "now", sink, tally, error)) << error;
    ASSERT_EQ(sink.leftRows.size(), 1u);
    EXPECT_NE(sink.leftRows[0].find(
                      "Target changed since the run; left; replaced file kept in \"C:\\runs\\run.kept\\"),
              std::string::npos)
            << sink.leftRows[0];
    ASSERT_EQ(tally.keptFiles.size(), 1u);
    std::string kept;
    ASSERT_TRUE(ops.Contents(tally.keptFiles[0], kept));
    EXPECT_EQ(kept, "the old photo");
    JournalData data;
    ASSERT_TRUE(LoadJournal(ops, journal, data, error)) << error;
    EXPECT_FALSE(data.undone);
    // Once the user puts the run's file back, a second undo finishes.
    ASSERT_TRUE(ops.Delete("C:\\out\\a.jpg"));
    ops.AddFile("C:\\out\\a.jpg", "the new photo", data.steps.back().targetStamp.writeTime);
    UndoCollector again;
    UndoTally second;
    ASSERT_TRUE(UndoRun(ops, journal, false, "now", again, second, error)) << error;
    EXPECT_TRUE(again.leftRows.empty());
    std::string now;
    ASSERT_TRUE(ops.Contents("C:\\out\\a.jpg", now));
    EXPECT_EQ(now, "the old photo");
    ASSERT_TRUE(LoadJournal(ops, journal, data, error)) << error;
    EXPECT_TRUE(data.undone);
}

}  // namespace
