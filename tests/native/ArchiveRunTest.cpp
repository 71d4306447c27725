// A file inside a zip archive copied as the run copies it, on the simulated file system: staged
// whole on the output drive, renamed into the run's unfinished name and then its own, the archive
// never changed, and nothing of the stage left when it ends, also when the run is ended at any call.
#include <gtest/gtest.h>

#include <functional>
#include <map>
#include <memory>
#include <optional>
#include <set>
#include <string>

#include "MemoryFileOps.h"
#include "base/PathText.h"
#include "engine/ArchiveRun.h"
#include "engine/FileTransfer.h"
#include "engine/TakeoutJson.h"
#include "tests/support/ZipBuilder.h"

namespace {

const char kArchive[] = "D:\\in\\t.zip";
const char kMember[] = "D:\\in\\t.zip\\DCIM\\a.jpg";
const char kStage[] = "C:\\out\\~qmzip.qmpart";
const char kTarget[] = "C:\\out\\2012\\a.jpg";
const char kPartial[] = "C:\\out\\2012\\~a.jpg.qmpart";

std::string Photo()
{
    std::string bytes(70000, '\0');
    unsigned value = 7;
    for (char& c : bytes) {
        value = value * 1103515245u + 12345u;
        c = static_cast<char>(value >> 16);
    }
    return bytes;
}

std::string ArchiveBytes()
{
    ZipBuilder zip;
    zip.Add("DCIM/a.jpg", Photo(), true);
    zip.Add("DCIM/b.jpg", Photo());
    return zip.Build();
}

void Prepare(MemoryFileOps& ops)
{
    ops.AddFolder("D:\\in");
    ops.AddFolder("C:\\out");
    ops.AddFolder("C:\\out\\2012");
    ops.AddFile(kArchive, ArchiveBytes(), 1);
}

}  // namespace

TEST(ArchiveRun, AMemberIsCopiedThroughItsStagedCopyAndTheStageLeavesNothing)
{
    MemoryFileOps ops;
    Prepare(ops);
    {
        ArchiveStage stage(ops, kStage);
        ArchiveFileOps archive(ops, stage);
        EXPECT_TRUE(stage.IsMember(kMember));
        EXPECT_FALSE(stage.IsMember("C:\\out\\t.zip\\a.jpg"));
        EXPECT_EQ(stage.Refusal(kMember, false, true), "");
        FileState state;
        ASSERT_TRUE(archive.Stat(kMember, state));
        EXPECT_EQ(state.stamp.size, Photo().size());
        EXPECT_EQ(TransferFile(archive, kMember, kTarget, false, false, kPartial), TransferOutcome::Done);
        // Each member waits in the staging folder under its own name.
        std::string copyB, reason;
        ASSERT_TRUE(stage.Staged("D:\\in\\t.zip\\DCIM\\b.jpg", copyB, reason)) << reason;
        std::string copyA;
        ASSERT_TRUE(stage.Staged(kMember, copyA, reason)) << reason;
        EXPECT_NE(copyA, copyB);
        // The first copy became the target: the member was staged again.
        FileState again;
        EXPECT_TRUE(ops.Stat(copyA, again)) << copyA;
        EXPECT_EQ(copyA.rfind(std::string(kStage) + "\\", 0), 0u) << copyA;
    }
    std::string bytes;
    ASSERT_TRUE(ops.Contents(kTarget, bytes));
    EXPECT_EQ(bytes, Photo());
    ASSERT_TRUE(ops.Contents(kArchive, bytes));
    EXPECT_EQ(bytes, ArchiveBytes());
    EXPECT_EQ(ops.Files().size(), 2u);
    EXPECT_EQ(ops.Folders().count(kStage), 0u);
}

TEST(ArchiveRun, AMemberIsNeverChanged)
{
    MemoryFileOps ops;
    Prepare(ops);
    ArchiveStage stage(ops, kStage);
    ArchiveFileOps archive(ops, stage);
    EXPECT_FALSE(archive.Delete(kMember));
    EXPECT_FALSE(archive.Rename(kMember, kTarget, false, false));
    EXPECT_FALSE(archive.SetReadOnly(kMember, true));
    EXPECT_FALSE(archive.HardLink(kMember, kTarget));
    // A move is refused before anything is read; the archive stays as it was.
    EXPECT_EQ(stage.Refusal(kMember, true, true), kArchiveMoveText);
    EXPECT_EQ(stage.Refusal(kMember, false, false), kArchiveOutputText);
    EXPECT_EQ(TransferFile(archive, kMember, kTarget, true, false, kPartial), TransferOutcome::Failed);
    std::string bytes;
    ASSERT_TRUE(ops.Contents(kArchive, bytes));
    EXPECT_EQ(bytes, ArchiveBytes());
    EXPECT_FALSE(ops.Contents(kTarget, bytes));
}

namespace {

// A lookup that finds nothing in any file: what the archive's own lookup adds is what is tested.
class NothingFound : public DateLookup {
public:
    Result<std::optional<FoundDate>> DateFrom(const std::string&, const DateSources&) override
    {
        return std::optional<FoundDate>();
    }
    Result<std::optional<std::string>> OrientationText(const std::string&) override
    {
        return std::optional<std::string>();
    }
    Result<std::optional<GeoPosition>> PositionOf(const std::string&) override
    {
        return std::optional<GeoPosition>();
    }
    Result<std::optional<std::string>> ContentIdentifier(const std::string&) override
    {
        return std::optional<std::string>();
    }
    Result<std::optional<TakeoutRole>> TakeoutRoleOf(const std::string&) override
    {
        return std::optional<TakeoutRole>();
    }
    void SetWaitHook(std::function<bool()>) override { }
};

}  // namespace

// A member that cannot be staged fails its lookups and its transfer with the stage's reason.
TEST(ArchiveRun, AMemberThatCannotBeStagedFailsWithTheStagesReason)
{
    MemoryFileOps ops;
    Prepare(ops);
    ArchiveStage stage(ops, kStage);
    const std::string gone = "D:\\in\\t.zip\\DCIM\\gone.jpg";
    std::string copy, reason;
    ASSERT_FALSE(stage.Staged(gone, copy, reason));
    ASSERT_FALSE(reason.empty());

    NothingFound inner;
    ArchiveLookup lookup(inner, stage);
    DateSources sources;
    sources.captureDate = true;
    const auto date = lookup.DateFrom(gone, sources);
    ASSERT_FALSE(date);
    EXPECT_EQ(date.GetStatus().Reason(), reason);
    const auto oriented = lookup.OrientationText(gone);
    ASSERT_FALSE(oriented);
    EXPECT_EQ(oriented.GetStatus().Reason(), reason);
    // A member that is there is asked about as its staged copy, and answers as the file does.
    const auto there = lookup.DateFrom(kMember, sources);
    ASSERT_TRUE(there.Ok()) << there.GetStatus().Reason();
    EXPECT_FALSE(there->has_value());

    OpsFileSystem real(ops);
    ArchiveRunFileSystem fs(real, stage);
    const TransferResult copied = fs.Transfer(gone, kTarget, false);
    ASSERT_EQ(copied, TransferOutcome::Failed);
    EXPECT_EQ(copied.status.Reason(), reason);
    const TransferResult replaced = fs.Replace(gone, kTarget, false);
    ASSERT_EQ(replaced, TransferOutcome::Failed);
    EXPECT_EQ(replaced.status.Reason(), reason);
    std::string bytes;
    EXPECT_FALSE(ops.Contents(kTarget, bytes));
}

TEST(ArchiveRun, EndedAtAnyCallNoPhotoNameHoldsAnIncompleteFile)
{
    for (std::uint64_t kill = 1;; ++kill) {
        MemoryFileOps ops;
        Prepare(ops);
        ops.KillAt(kill);
        bool finished = false;
        // Held outside the attempt: a killed program runs no clean-up, so the stage's runs only
        // after the files are checked.
        auto stage = std::make_unique<ArchiveStage>(ops, kStage);
        try {
            ArchiveFileOps archive(ops, *stage);
            finished =
                    TransferFile(archive, kMember, kTarget, false, false, kPartial) == TransferOutcome::Done;
        } catch (const Killed&) { }
        ops.Revive();
        std::string bytes;
        if (ops.Contents(kTarget, bytes)) {
            EXPECT_EQ(bytes, Photo()) << "killed at call " << kill;
        }
        ASSERT_TRUE(ops.Contents(kArchive, bytes));
        EXPECT_EQ(bytes, ArchiveBytes()) << "killed at call " << kill;
        stage.reset();
        if (finished) {
            EXPECT_TRUE(ops.Contents(kTarget, bytes));
            break;
        }
        ASSERT_LT(kill, 200u);
    }
}

TEST(ArchiveRun, ExportsSplitOverNumberedArchivesAreOneTree)
{
    MemoryFileOps ops;
    ops.AddFolder("D:\\in");
    ZipBuilder first, second, other;
    first.Add("Takeout/Photos/IMG_1.jpg", Photo());
    first.Add("Takeout/Photos/IMG_2.jpg", Photo());
    second.Add("Takeout/Photos/IMG_1.jpg.json", "{\"title\": \"IMG_1.jpg\"}");
    // Another export's archive: its sidecar is not IMG_2's.
    other.Add("Takeout/Photos/IMG_2.jpg.json", "{\"title\": \"IMG_2.jpg\"}");
    ops.AddFile("D:\\in\\takeout-20250203T030726Z-001.zip", first.Build(), 1);
    ops.AddFile("D:\\in\\takeout-20250203T030726Z-002.zip", second.Build(), 1);
    ops.AddFile("D:\\in\\takeout-20250203T030726Z-x.zip", other.Build(), 1);
    ops.AddFile("D:\\in\\takeout-20240101T000000Z-001.zip", other.Build(), 1);
    // Numbered without the dash: no export's.
    ops.AddFile("D:\\in\\photos001.zip", first.Build(), 1);
    ops.AddFile("D:\\in\\photos002.zip", second.Build(), 1);
    ArchiveStage stage(ops, kStage);
    const std::string one = "D:\\in\\takeout-20250203T030726Z-001.zip\\Takeout\\Photos\\";
    const auto role = stage.TakeoutRoleOf(one + "IMG_1.jpg");
    ASSERT_TRUE(role);
    EXPECT_EQ(role->kind, TakeoutRole::Kind::Media);
    EXPECT_EQ(role->partner, "D:\\in\\takeout-20250203T030726Z-002.zip\\Takeout\\Photos\\IMG_1.jpg.json");
    const auto alone = stage.TakeoutRoleOf(one + "IMG_2.jpg");
    ASSERT_TRUE(alone);
    EXPECT_EQ(alone->partner, "");
    const auto undashed = stage.TakeoutRoleOf("D:\\in\\photos001.zip\\Takeout\\Photos\\IMG_1.jpg");
    ASSERT_TRUE(undashed);
    EXPECT_EQ(undashed->partner, "");
    // An archive not numbered so is a tree of its own.
    const auto own =
            stage.TakeoutRoleOf("D:\\in\\takeout-20250203T030726Z-x.zip\\Takeout\\Photos\\IMG_2.jpg.json");
    ASSERT_TRUE(own);
    EXPECT_EQ(own->kind, TakeoutRole::Kind::Sidecar);
    EXPECT_EQ(own->partner, "");
}

TEST(ArchiveRun, AStageOnAnotherDriveIsCopiedFrom)
{
    MemoryFileOps ops;
    Prepare(ops);
    ops.AddFolder("E:\\temp");
    {
        ArchiveStage stage(ops, "E:\\temp\\~qmzip.qmpart");
        ArchiveFileOps archive(ops, stage);
        EXPECT_EQ(TransferFile(archive, kMember, kTarget, false, false, kPartial), TransferOutcome::Done);
    }
    std::string bytes;
    ASSERT_TRUE(ops.Contents(kTarget, bytes));
    EXPECT_EQ(bytes, Photo());
    EXPECT_EQ(ops.Files().size(), 2u);
}

TEST(ArchiveRun, ASidecarTooLargeToBeOneIsNotStaged)
{
    MemoryFileOps ops;
    ops.AddFolder("D:\\in");
    ZipBuilder zip;
    zip.Add("IMG_1.jpg", Photo());
    zip.Add("IMG_1.jpg.json", "{\"title\": \"IMG_1.jpg\"}");
    zip.Add("IMG_2.jpg", Photo());
    zip.Add("IMG_2.jpg.json", "{\"title\": \"IMG_2.jpg\"" + std::string(kMaxTakeoutJsonBytes, ' ') + "}",
            true);
    ops.AddFile(kArchive, zip.Build(), 1);
    ArchiveStage stage(ops, kStage);
    stage.UseTakeout(true);
    std::string copy, reason;
    for (const char* name : {"IMG_1.jpg", "IMG_2.jpg"})
        ASSERT_TRUE(stage.Staged(std::string(kArchive) + "\\" + name, copy, reason)) << reason;
    EXPECT_TRUE(stage.StagedWithSidecar(std::string(kArchive) + "\\IMG_1.jpg"));
    EXPECT_FALSE(stage.StagedWithSidecar(std::string(kArchive) + "\\IMG_2.jpg"));
    std::string folder, bytes;
    ASSERT_TRUE(FolderOf(copy, folder));
    EXPECT_FALSE(ops.Contents(folder + "IMG_2.jpg.json", bytes));
}

// A member staged with its sidecar waits in a folder of its own; once its copy is placed, the
// folder goes with the sidecar's copy, so that the staging folder never fills up with them.
TEST(ArchiveRun, AMembersFolderGoesWhenItsCopyIsPlaced)
{
    MemoryFileOps ops;
    ops.AddFolder("D:\\in");
    ops.AddFolder("C:\\out");
    ops.AddFolder("C:\\out\\2012");
    ZipBuilder zip;
    zip.Add("t/IMG_1.jpg", Photo());
    zip.Add("t/IMG_1.jpg.json", "{\"title\": \"IMG_1.jpg\"}");
    zip.Add("t/IMG_2.jpg", Photo());
    zip.Add("t/IMG_2.jpg.json", "{\"title\": \"IMG_2.jpg\"}");
    ops.AddFile(kArchive, zip.Build(), 1);
    const std::string one = std::string(kArchive) + "\\t\\IMG_1.jpg";
    const std::string two = std::string(kArchive) + "\\t\\IMG_2.jpg";
    std::string folderOne, folderTwo;
    {
        ArchiveStage stage(ops, kStage);
        stage.UseTakeout(true);
        ArchiveFileOps archive(ops, stage);
        std::string copyOne, copyTwo, reason, bytes;
        ASSERT_TRUE(stage.Staged(one, copyOne, reason)) << reason;
        ASSERT_TRUE(stage.Staged(two, copyTwo, reason)) << reason;
        ASSERT_TRUE(stage.StagedWithSidecar(one));
        ASSERT_TRUE(FolderOf(copyOne, folderOne));
        ASSERT_TRUE(FolderOf(copyTwo, folderTwo));
        ASSERT_NE(folderOne, folderTwo);
        ASSERT_TRUE(ops.Contents(folderOne + "IMG_1.jpg.json", bytes));
        EXPECT_EQ(TransferFile(archive, one, kTarget, false, false, kPartial), TransferOutcome::Done);
        EXPECT_FALSE(ops.Contents(folderOne + "IMG_1.jpg.json", bytes));
        FileState state;
        EXPECT_FALSE(ops.Stat(folderOne, state)) << folderOne;
        EXPECT_TRUE(ops.Stat(folderTwo, state)) << folderTwo;
        // The other member still waits with its sidecar.
        EXPECT_TRUE(ops.Contents(folderTwo + "IMG_2.jpg.json", bytes));
        EXPECT_TRUE(ops.Contents(copyTwo, bytes));
    }
    std::string bytes;
    ASSERT_TRUE(ops.Contents(kTarget, bytes));
    EXPECT_EQ(bytes, Photo());
    EXPECT_EQ(ops.Files().size(), 2u);
    FileState state;
    EXPECT_FALSE(ops.Stat(kStage, state));
}

namespace {

const char kStagePath[] = "C:\\out\\~qmzip.qmpart\\";

std::string LeftoverArchive()
{
    ZipBuilder zip;
    zip.Add("DCIM/a.jpg", Photo(), true);
    zip.Add("DCIM/b.jpg", Photo());
    zip.Add("x/a.jpg", Photo());  // the same name again: staged in a numbered folder
    zip.Add("t/IMG_1.jpg", Photo());
    zip.Add("t/IMG_1.jpg.json", "{\"title\": \"IMG_1.jpg\"}");  // staged beside its photo
    return zip.Build();
}

// What a stage leaves on the drive when its program is killed while every member waits staged:
// the files and folders as they are while it runs, on a drive where nobody holds them any more.
void KilledStage(MemoryFileOps& left)
{
    MemoryFileOps running;
    running.AddFolder("D:\\in");
    running.AddFolder("C:\\out");
    running.AddFile(kArchive, LeftoverArchive(), 1);
    ArchiveStage stage(running, kStage);
    stage.UseTakeout(true);
    std::string copy, reason;
    for (const char* member : {"DCIM\\a.jpg", "DCIM\\b.jpg", "x\\a.jpg", "t\\IMG_1.jpg"})
        ASSERT_TRUE(stage.Staged(std::string(kArchive) + "\\" + member, copy, reason)) << reason;
    ASSERT_TRUE(stage.StagedWithSidecar(std::string(kArchive) + "\\t\\IMG_1.jpg"));
    for (const std::string& folder : running.Folders())
        left.AddFolder(folder);
    for (const auto& [path, bytes] : running.Files())
        left.AddFile(path, bytes, 1);
}

}  // namespace

TEST(ArchiveRun, AKilledRunsStageIsSweptByTheNextAndOnlyWhatItMade)
{
    MemoryFileOps ops;
    KilledStage(ops);
    ASSERT_FALSE(::testing::Test::HasFatalFailure());
    const std::string stage = kStagePath;
    ASSERT_GE(ops.Files().size(), 7u);  // the archive, five staged files, the record
    ASSERT_EQ(ops.Folders().count(MemoryFileOps::Upper(stage + "1")), 1u);
    // Files nobody staged, beside and inside the stage's own folders, and a record naming what
    // no stage makes; a text file that names a file is no record.
    const std::map<std::string, std::string> mine = {
            {stage + "mine.txt", "kept.jpg\n"}, {stage + "~qmstagex.qmlock", "kept.jpg\n"},
            {stage + "kept.jpg", "mine"},       {stage + "mine.jp", "mine"},
            {stage + "1\\mine.jpg", "mine"},    {stage + "keep\\k.jpg", "mine"},
            {stage + "2\\sub\\k.jpg", "mine"},  {"C:\\out\\2012\\a.jpg", "mine"}};
    ops.AddFolder(stage + "keep");
    ops.AddFolder(stage + "2\\sub");
    ops.AddFolder("C:\\out\\2012");
    for (const auto& [path, bytes] : mine)
        ops.AddFile(path, bytes, 1);
    ops.AddFile(stage + "~qmstage9.qmlock", "keep\\k.jpg\n2\\sub\\k.jpg\n\\kept.jpg\nmine.jp", 1);

    // A record a running program holds: the stage may be in use, nothing is touched.
    {
        std::unique_ptr<AppendStream> held = ops.OpenAppend(stage + "~qmstage1.qmlock", false);
        ASSERT_TRUE(held);
        const auto before = ops.Files();
        ArchiveStage next(ops, kStage);
        next.SweepLeftovers();
        EXPECT_EQ(ops.Files(), before);
    }
    {
        ArchiveStage next(ops, kStage);
        next.SweepLeftovers();
    }
    std::map<std::string, std::string> expected = mine;
    expected.emplace(kArchive, LeftoverArchive());
    EXPECT_EQ(ops.Files(), expected);
    EXPECT_EQ(ops.Folders().count(MemoryFileOps::Upper(stage + "1")), 1u);  // it holds a file of mine
    EXPECT_EQ(ops.Folders().count(MemoryFileOps::Upper(stage + "2")), 1u);
}

TEST(ArchiveRun, AKilledRunsStageAloneIsRemovedWhole)
{
    MemoryFileOps ops;
    KilledStage(ops);
    ASSERT_FALSE(::testing::Test::HasFatalFailure());
    {
        ArchiveStage next(ops, kStage);
        next.SweepLeftovers();
    }
    EXPECT_EQ(ops.Files().size(), 1u);
    EXPECT_EQ(ops.Folders(), (std::set<std::string> {"C:", "C:\\OUT", "D:", "D:\\IN"}));
    // A stage that runs on after the sweep keeps its own record until it ends.
    {
        ArchiveStage stage(ops, kStage);
        std::string copy, reason;
        ASSERT_TRUE(stage.Staged(kMember, copy, reason)) << reason;
        std::string record;
        ASSERT_TRUE(ops.Contents(std::string(kStagePath) + "~qmstage1.qmlock", record));
        EXPECT_EQ(record, "a.jpg\n");
    }
    EXPECT_EQ(ops.Files().size(), 1u);
    EXPECT_EQ(ops.Folders(), (std::set<std::string> {"C:", "C:\\OUT", "D:", "D:\\IN"}));
}
