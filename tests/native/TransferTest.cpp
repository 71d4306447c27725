// One move or copy at a time through the transfer steps, on the file system in memory: the guards
// of each step, each of which a test here fails without.
#include <gtest/gtest.h>

#include <map>
#include <utility>
#include <vector>

#include "MemoryFileOps.h"
#include "engine/BackupCopy.h"
#include "engine/CopyCheck.h"
#include "engine/FileTransfer.h"

namespace {

class TransferTest : public ::testing::Test {
protected:
    void SetUp() override
    {
        ops.AddFolder("C:\\card");
        ops.AddFolder("D:\\out");
        ops.AddFile("C:\\card\\a.jpg", "a photo of some length", 700);
    }

    TransferResult Move(const std::string& target = "D:\\out\\a.jpg")
    {
        std::string partial;
        EXPECT_TRUE(FreePartialName(ops, target, partial));
        return TransferFile(ops, "C:\\card\\a.jpg", target, true, false, partial);
    }

    MemoryFileOps ops;
};

// Records each report and asks for a stop at the report numbered stopAt (0: never).
class Reports : public ByteProgress {
public:
    explicit Reports(std::size_t stopAt) : stopAt_(stopAt) { }
    bool Advance(std::uint64_t done, std::uint64_t total) override
    {
        seen.emplace_back(done, total);
        return seen.size() != stopAt_;
    }
    std::vector<std::pair<std::uint64_t, std::uint64_t>> seen;

private:
    std::size_t stopAt_;
};

TEST_F(TransferTest, AMoveAcrossDrivesDeletesItsSourceOnlyAfterTheCopyHasItsName)
{
    // Ended at every call: the photo is always whole under its source or its target name.
    for (std::uint64_t kill = 1; kill < 20; ++kill) {
        MemoryFileOps run;
        run.AddFolder("C:\\card");
        run.AddFolder("D:\\out");
        run.AddFile("C:\\card\\a.jpg", "a photo of some length", 700);
        run.KillAt(kill);
        std::string partial;
        try {
            FreePartialName(run, "D:\\out\\a.jpg", partial);
            static_cast<void>(TransferFile(run, "C:\\card\\a.jpg", "D:\\out\\a.jpg", true, false, partial));
        } catch (const Killed&) { }
        std::string source, target;
        const bool atSource = run.Contents("C:\\card\\a.jpg", source) && source == "a photo of some length";
        const bool atTarget = run.Contents("D:\\out\\a.jpg", target) && target == "a photo of some length";
        EXPECT_TRUE(atSource || atTarget) << "kill " << kill;
        if (run.Contents("D:\\out\\a.jpg", target)) {
            EXPECT_EQ(target, "a photo of some length") << "kill " << kill;
        }
    }
}

TEST_F(TransferTest, ACopyThatCannotFinishLeavesNothingBehind)
{
    ops.SetCapacity("D:", 10);
    std::string partial;
    ASSERT_TRUE(FreePartialName(ops, "D:\\out\\a.jpg", partial));
    EXPECT_EQ(TransferFile(ops, "C:\\card\\a.jpg", "D:\\out\\a.jpg", false, false, partial),
              TransferOutcome::Failed);
    EXPECT_EQ(ops.LastError(), FileError::kDiskFull);
    EXPECT_EQ(ops.Files().size(), 1u);
}

// Each outcome carries why it was not done: the failed call's number with the system's words, a
// copy that read back different as damaged, a kept source with why it could not be deleted.
TEST_F(TransferTest, EachOutcomeCarriesItsReason)
{
    ops.AddFolder("C:\\out");
    const TransferResult done = Move("C:\\out\\a.jpg");
    ASSERT_EQ(done, TransferOutcome::Done);
    EXPECT_TRUE(done.status.Ok());

    ops.SetCapacity("D:", 10);
    std::string partial;
    ASSERT_TRUE(FreePartialName(ops, "D:\\out\\a.jpg", partial));
    const TransferResult full = TransferFile(ops, "C:\\out\\a.jpg", "D:\\out\\a.jpg", false, false, partial);
    ASSERT_EQ(full, TransferOutcome::Failed);
    ASSERT_FALSE(full.status.Ok());
    EXPECT_EQ(full.status.Kind(), FailureKind::System);
    EXPECT_EQ(full.status.Code(), FileError::kDiskFull);
    EXPECT_EQ(full.status.Reason(), FileErrorText(FileError::kDiskFull));

    const TransferResult missing =
            TransferFile(ops, "C:\\out\\none.jpg", "C:\\card\\none.jpg", true, false, partial);
    ASSERT_EQ(missing, TransferOutcome::Failed);
    EXPECT_EQ(missing.status.Kind(), FailureKind::System);
    EXPECT_EQ(missing.status.Code(), FileError::kFileNotFound);

    MemoryFileOps garbled;
    garbled.AddFolder("C:\\card");
    garbled.AddFolder("D:\\out");
    garbled.AddFile("C:\\card\\a.jpg", "a photo of some length", 700);
    garbled.GarbleReadBacks(1);
    CopyCheck check;
    check.verify = true;
    ASSERT_TRUE(FreePartialName(garbled, "D:\\out\\a.jpg", partial));
    const TransferResult differs =
            TransferFile(garbled, "C:\\card\\a.jpg", "D:\\out\\a.jpg", false, false, partial, &check);
    ASSERT_EQ(differs, TransferOutcome::Failed);
    EXPECT_EQ(differs.status.Kind(), FailureKind::Damaged);
    EXPECT_EQ(differs.status.Code(), FileError::kCopyDiffers);
    EXPECT_EQ(differs.status.Reason(), FileError::kCopyDiffersText);

    MemoryFileOps lying;
    lying.AddFolder("C:\\card");
    lying.AddFolder("D:\\out");
    lying.AddFile("C:\\card\\a.jpg", "a photo of some length", 700);
    lying.LieAboutDeleting("C:\\card\\a.jpg");
    ASSERT_TRUE(FreePartialName(lying, "D:\\out\\a.jpg", partial));
    const TransferResult kept =
            TransferFile(lying, "C:\\card\\a.jpg", "D:\\out\\a.jpg", true, false, partial);
    ASSERT_EQ(kept, TransferOutcome::SourceKept);
    ASSERT_FALSE(kept.status.Ok());
    EXPECT_EQ(kept.status.Kind(), FailureKind::System);
    EXPECT_EQ(kept.status.Code(), FileError::kAccessDenied);
}

// Every deletion refused with a number of its own, as by a drive that refuses the clean-up after
// a step that failed.
class RefusedDeletes : public ForwardingFileOps {
public:
    using ForwardingFileOps::ForwardingFileOps;
    Status Delete(const std::string&) override
    {
        SetLastError(FileError::kSharingViolation);
        return FileFailure(FileError::kSharingViolation);
    }
};

TEST_F(TransferTest, AFailedBackupCarriesTheReasonOfTheStepThatFailedNotOfItsCleanUp)
{
    ops.AddFolder("E:\\backup");
    ops.AddFile("E:\\backup\\2013", "a file where a folder belongs", 700);
    ops.SetCapacity("E:", 40);
    RefusedDeletes refusing(ops);
    OpsFileSystem fs(refusing);

    std::string backup = "E:\\backup\\2012\\a.jpg";
    const BackupResult full = MakeBackupCopy(fs, "C:\\card\\a.jpg", TargetExistsPolicy::Skip, backup);
    EXPECT_EQ(full.outcome, BackupOutcome::Failed);
    EXPECT_EQ(full.status.Kind(), FailureKind::System);
    EXPECT_EQ(full.status.Code(), FileError::kDiskFull);
    EXPECT_EQ(full.status.Reason(), FileErrorText(FileError::kDiskFull));

    backup = "E:\\backup\\2013\\a.jpg";
    const BackupResult blocked = MakeBackupCopy(fs, "C:\\card\\a.jpg", TargetExistsPolicy::Skip, backup);
    EXPECT_EQ(blocked.outcome, BackupOutcome::Failed);
    EXPECT_EQ(blocked.status.Code(), FileError::kAlreadyExists);
    EXPECT_EQ(blocked.status.Reason(), FileErrorText(FileError::kAlreadyExists));

    ops.SetCapacity("E:", 1024);
    backup = "E:\\backup\\2012\\a.jpg";
    const BackupResult made = MakeBackupCopy(fs, "C:\\card\\a.jpg", TargetExistsPolicy::Skip, backup);
    EXPECT_EQ(made.outcome, BackupOutcome::Made);
    EXPECT_TRUE(made.status.Ok());
    std::string bytes;
    EXPECT_TRUE(ops.Contents(backup, bytes));
    EXPECT_EQ(bytes, "a photo of some length");
}

TEST_F(TransferTest, ADeletionTheDriveOnlyPretendedIsReportedAsASourceKept)
{
    ops.LieAboutDeleting("C:\\card\\a.jpg");
    EXPECT_EQ(Move(), TransferOutcome::SourceKept);
    std::string target;
    EXPECT_TRUE(ops.Contents("D:\\out\\a.jpg", target));
    EXPECT_TRUE(ops.Contents("C:\\card\\a.jpg", target));
}

TEST_F(TransferTest, AnotherProgramHoldingTheFileForAMomentIsWaitedFor)
{
    ops.AddFolder("C:\\out");
    ops.HoldFor("C:\\card\\a.jpg", 3);
    EXPECT_EQ(Move("C:\\out\\a.jpg"), TransferOutcome::Done);
    EXPECT_GT(ops.Waited(), 0u);
    // Held for longer than a few seconds: the row fails with the reason, nothing moved.
    ops.HoldFor("C:\\out\\a.jpg", 100);
    std::string partial;
    EXPECT_EQ(TransferFile(ops, "C:\\out\\a.jpg", "C:\\card\\a.jpg", true, false, partial),
              TransferOutcome::Failed);
    EXPECT_EQ(ops.LastError(), FileError::kSharingViolation);
    std::string bytes;
    EXPECT_TRUE(ops.Contents("C:\\out\\a.jpg", bytes));
    EXPECT_LE(ops.Waited(), 5000u);
}

TEST_F(TransferTest, ATargetThatAppearedMeanwhileIsNeverReplaced)
{
    ops.AddFile("D:\\out\\a.jpg", "someone else's photo", 900);
    std::string partial = "D:\\out\\~a.jpg.qmpart";
    EXPECT_EQ(TransferFile(ops, "C:\\card\\a.jpg", "D:\\out\\a.jpg", false, false, partial),
              TransferOutcome::Failed);
    EXPECT_EQ(ops.LastError(), FileError::kFileExists);
    std::string bytes;
    ASSERT_TRUE(ops.Contents("D:\\out\\a.jpg", bytes));
    EXPECT_EQ(bytes, "someone else's photo");
    EXPECT_EQ(ops.Files().count("D:\\out\\~a.jpg.qmpart"), 0u);
}

TEST_F(TransferTest, UnfinishedCopiesOfOtherRunsAreNeverTakenOver)
{
    ops.AddFile("D:\\out\\~a.jpg.qmpart", "another run's copy", 1);
    std::string partial;
    ASSERT_TRUE(FreePartialName(ops, "D:\\out\\a.jpg", partial));
    EXPECT_EQ(partial, "D:\\out\\~a.jpg.1.qmpart");
    EXPECT_EQ(TransferFile(ops, "C:\\card\\a.jpg", "D:\\out\\a.jpg", false, false, partial),
              TransferOutcome::Done);
    std::string bytes;
    ASSERT_TRUE(ops.Contents("D:\\out\\~a.jpg.qmpart", bytes));
    EXPECT_EQ(bytes, "another run's copy");
}

TEST_F(TransferTest, AMoveAcrossDrivesStoppedMidCopyLeavesNoCopyAndKeepsItsSource)
{
    ReportingFileOps reporting(ops);
    Reports stop(1);
    reporting.ReportTo(&stop);
    std::string partial;
    ASSERT_TRUE(FreePartialName(reporting, "D:\\out\\a.jpg", partial));
    EXPECT_EQ(TransferFile(reporting, "C:\\card\\a.jpg", "D:\\out\\a.jpg", true, false, partial),
              TransferOutcome::Failed);
    EXPECT_EQ(ops.LastError(), FileError::kCancelled);
    EXPECT_EQ(stop.seen, (std::vector<std::pair<std::uint64_t, std::uint64_t>> {{11, 22}}));
    EXPECT_EQ(ops.Files(),
              (std::map<std::string, std::string> {{"C:\\card\\a.jpg", "a photo of some length"}}));
}

TEST_F(TransferTest, ACopyThatIsLetGoOnIsReportedAndFinishes)
{
    ReportingFileOps reporting(ops);
    Reports goOn(0);
    reporting.ReportTo(&goOn);
    std::string partial;
    ASSERT_TRUE(FreePartialName(reporting, "D:\\out\\a.jpg", partial));
    EXPECT_EQ(TransferFile(reporting, "C:\\card\\a.jpg", "D:\\out\\a.jpg", false, false, partial),
              TransferOutcome::Done);
    EXPECT_EQ(goOn.seen, (std::vector<std::pair<std::uint64_t, std::uint64_t>> {{11, 22}}));
    std::string bytes;
    EXPECT_TRUE(ops.Contents("D:\\out\\a.jpg", bytes));
    // Reports go to the progress given last; none after it is taken back.
    reporting.ReportTo(nullptr);
    EXPECT_EQ(
            TransferFile(reporting, "C:\\card\\a.jpg", "D:\\out\\b.jpg", false, false, "D:\\out\\~b.qmpart"),
            TransferOutcome::Done);
    EXPECT_EQ(goOn.seen.size(), 1u);
}

// Records the copies a batch tells it of, with their sizes.
class WrittenCopies : public BatchProgress {
public:
    void Written(const BatchCopy& copy) override { told.emplace_back(copy.target, copy.expectedSize); }
    std::vector<std::pair<std::string, std::uint64_t>> told;
};

TEST_F(TransferTest, TheRunsFileSystemTellsEachCopyOfABatchOnceWrittenAndNoFailedOne)
{
    ops.AddFile("C:\\card\\b.jpg", "another photo", 700);
    ReportingFileOps reporting(ops);
    WrittenCopies written;
    reporting.ReportTo(nullptr, &written);
    std::vector<BatchCopy> copies {{"C:\\card\\a.jpg", "D:\\out\\~a.qmpart", 22},
                                   {"C:\\card\\gone.jpg", "D:\\out\\~gone.qmpart", 5},
                                   {"C:\\card\\b.jpg", "D:\\out\\~b.qmpart", 13}};
    std::vector<std::size_t> toldWhenAsked;
    reporting.CopyNewTogether(copies, [&] {
        toldWhenAsked.push_back(written.told.size());
        return false;
    });
    EXPECT_EQ(toldWhenAsked, (std::vector<std::size_t> {0, 1, 1}));
    EXPECT_EQ(written.told, (std::vector<std::pair<std::string, std::uint64_t>> {
                                    {"D:\\out\\~a.qmpart", 22}, {"D:\\out\\~b.qmpart", 13}}));
    EXPECT_FALSE(copies[1].done);
    // None once taken back.
    reporting.ReportTo(nullptr);
    std::vector<BatchCopy> more {{"C:\\card\\a.jpg", "D:\\out\\~c.qmpart", 22}};
    reporting.CopyNewTogether(more, {});
    EXPECT_TRUE(more[0].done);
    EXPECT_EQ(written.told.size(), 2u);
}

TEST_F(TransferTest, AComparisonReportsEachBlockAndStopsWhenAsked)
{
    const std::string big(2 * kCompareBlockSize + 100, 'x');
    ops.AddFile("C:\\card\\big.mov", big, 1);
    ops.AddFile("D:\\out\\big.mov", big, 2);
    Reports goOn(0);
    EXPECT_TRUE(SameBytes(ops, "C:\\card\\big.mov", "D:\\out\\big.mov", &goOn));
    const std::uint64_t size = big.size();
    EXPECT_EQ(goOn.seen, (std::vector<std::pair<std::uint64_t, std::uint64_t>> {
                                 {kCompareBlockSize, size}, {2 * kCompareBlockSize, size}, {size, size}}));
    // Stopped: not the same, with the reason, however alike the files are.
    Reports stop(2);
    EXPECT_FALSE(SameBytes(ops, "C:\\card\\big.mov", "D:\\out\\big.mov", &stop));
    EXPECT_EQ(ops.LastError(), FileError::kCancelled);
    EXPECT_EQ(stop.seen.size(), 2u);
}

TEST_F(TransferTest, AReplacingFileKeepsItsOwnCreationTimeNotTheReplacedOnes)
{
    // The old file was created at 100; the source at 700 (AddFile takes the write time for both).
    ops.AddFolder("C:\\out");
    ops.AddFile("C:\\out\\a.jpg", "the old photo", 100);
    std::string partial;
    ASSERT_TRUE(FreePartialName(ops, "C:\\out\\a.jpg", partial));
    ASSERT_EQ(TransferFile(ops, "C:\\card\\a.jpg", "C:\\out\\a.jpg", true, true, partial),
              TransferOutcome::Done);
    FileState moved;
    ASSERT_TRUE(ops.Stat("C:\\out\\a.jpg", moved));
    EXPECT_EQ(moved.creationTime, 700u);

    // A copy is a new file: the creation time it got when it was written, not 100.
    ops.AddFile("D:\\out\\a.jpg", "the old photo", 100);
    ASSERT_TRUE(FreePartialName(ops, "D:\\out\\a.jpg", partial));
    ASSERT_EQ(TransferFile(ops, "C:\\out\\a.jpg", "D:\\out\\a.jpg", false, true, partial),
              TransferOutcome::Done);
    FileState copied;
    ASSERT_TRUE(ops.Stat("D:\\out\\a.jpg", copied));
    EXPECT_NE(copied.creationTime, 100u);
    EXPECT_NE(copied.creationTime, 0u);
}

// The unfinished name is eight characters longer than the target's: where that is too long for a
// name or a path, the short one is taken, and a path where not even that fits is refused.
TEST_F(TransferTest, TheUnfinishedNameFitsAsANameAndAsAPath)
{
    std::string partial;
    ASSERT_TRUE(PartialNameFor(ops, "D:\\out\\" + std::string(243, 'n') + ".jpg", 0, partial));
    EXPECT_EQ(partial, "D:\\out\\~" + std::string(243, 'n') + ".jpg.qmpart");
    ASSERT_TRUE(PartialNameFor(ops, "D:\\out\\" + std::string(244, 'n') + ".jpg", 2, partial));
    EXPECT_EQ(partial, "D:\\out\\~qm2.qmpart");

    const std::string deep = "D:\\" + std::string(kMaxRunPathLength - 3 - 12, 'd') + "\\";
    ASSERT_TRUE(PartialNameFor(ops, deep + "abc.jpg", 0, partial));
    EXPECT_EQ(partial, deep + "~qm0.qmpart");
    ASSERT_EQ(partial.size(), kMaxRunPathLength);
    ASSERT_TRUE(PartialNameFor(ops, deep + "ab", 0, partial));
    EXPECT_EQ(partial, deep + "~ab.qmpart");
    EXPECT_FALSE(PartialNameFor(ops, deep + "abc.jpg", 10, partial));
    EXPECT_EQ(ops.LastError(), FileError::kFilenameTooLong);
}

// The hash of bytes taken in one piece.
ContentHash HashOf(const std::string& bytes)
{
    ContentHasher hasher;
    hasher.Update(bytes.data(), bytes.size());
    return hasher.Digest();
}

TEST(ContentHash, IsXxh3Of128BitsWrittenHighHalfFirst)
{
    // The published hash of no bytes, as xxh128sum prints it.
    EXPECT_EQ(HashText(HashOf("")), "99aa06d3014798d86001c324468d497f");
    // Taken in pieces, the same bytes hash alike; other bytes do not.
    const std::string bytes(300000, 'x');
    ContentHasher pieces;
    pieces.Update(bytes.data(), 1);
    pieces.Update(bytes.data() + 1, 70000);
    pieces.Update(bytes.data() + 70001, bytes.size() - 70001);
    EXPECT_EQ(pieces.Digest(), HashOf(bytes));
    EXPECT_NE(HashOf(bytes + "y"), HashOf(bytes));
}

TEST_F(TransferTest, ACopyIsHashedAsItIsMadeAndVerifiedWhenAsked)
{
    CopyCheck check;
    check.verify = true;
    std::string partial;
    ASSERT_TRUE(FreePartialName(ops, "D:\\out\\a.jpg", partial));
    EXPECT_EQ(TransferFile(ops, "C:\\card\\a.jpg", "D:\\out\\a.jpg", false, false, partial, &check),
              TransferOutcome::Done);
    EXPECT_TRUE(check.copied);
    EXPECT_EQ(check.hash, HashOf("a photo of some length"));
    std::string copy;
    ASSERT_TRUE(ops.Contents("D:\\out\\a.jpg", copy));
    EXPECT_EQ(copy, "a photo of some length");
}

TEST_F(TransferTest, ACopyThatReadsBackDifferentFailsIsRemovedAndKeepsItsSource)
{
    for (const bool move : {false, true}) {
        MemoryFileOps run;
        run.AddFolder("C:\\card");
        run.AddFolder("D:\\out");
        run.AddFile("C:\\card\\a.jpg", "a photo of some length", 700);
        run.GarbleReadBacks(1);
        CopyCheck check;
        check.verify = true;
        std::string partial;
        ASSERT_TRUE(FreePartialName(run, "D:\\out\\a.jpg", partial));
        EXPECT_EQ(TransferFile(run, "C:\\card\\a.jpg", "D:\\out\\a.jpg", move, false, partial, &check),
                  TransferOutcome::Failed)
                << move;
        EXPECT_EQ(run.LastError(), FileError::kCopyDiffers) << move;
        // Only the source is left, whole: neither the copy nor its unfinished name.
        EXPECT_EQ(run.Files().size(), 1u) << move;
        std::string source;
        EXPECT_TRUE(run.Contents("C:\\card\\a.jpg", source) && source == "a photo of some length") << move;
    }
}

TEST_F(TransferTest, AnUnverifiedCopyIsNotReadBack)
{
    ops.GarbleReadBacks(1);
    CopyCheck check;
    std::string partial;
    ASSERT_TRUE(FreePartialName(ops, "D:\\out\\a.jpg", partial));
    EXPECT_EQ(TransferFile(ops, "C:\\card\\a.jpg", "D:\\out\\a.jpg", false, false, partial, &check),
              TransferOutcome::Done);
    EXPECT_EQ(check.hash, HashOf("a photo of some length"));
}

TEST_F(TransferTest, AMoveOnOneDriveIsARenameWithNothingCopiedToVerify)
{
    ops.AddFolder("C:\\out");
    ops.GarbleReadBacks(1);
    CopyCheck check;
    check.verify = true;
    std::string partial;
    ASSERT_TRUE(FreePartialName(ops, "C:\\out\\a.jpg", partial));
    EXPECT_EQ(TransferFile(ops, "C:\\card\\a.jpg", "C:\\out\\a.jpg", true, false, partial, &check),
              TransferOutcome::Done);
    EXPECT_FALSE(check.copied);
}

TEST_F(TransferTest, AVerifiedMoveEndedAtAnyStepLosesNothing)
{
    for (std::uint64_t kill = 1; kill < 24; ++kill) {
        for (const int garbled : {0, 1}) {
            MemoryFileOps run;
            run.AddFolder("C:\\card");
            run.AddFolder("D:\\out");
            run.AddFile("C:\\card\\a.jpg", "a photo of some length", 700);
            run.GarbleReadBacks(garbled);
            run.KillAt(kill);
            CopyCheck check;
            check.verify = true;
            std::string partial;
            try {
                FreePartialName(run, "D:\\out\\a.jpg", partial);
                static_cast<void>(
                        TransferFile(run, "C:\\card\\a.jpg", "D:\\out\\a.jpg", true, false, partial, &check));
            } catch (const Killed&) { }
            std::string source, target;
            const bool atSource =
                    run.Contents("C:\\card\\a.jpg", source) && source == "a photo of some length";
            const bool atTarget =
                    run.Contents("D:\\out\\a.jpg", target) && target == "a photo of some length";
            EXPECT_TRUE(atSource || atTarget) << "kill " << kill;
            // A copy that read back different never takes the target's name.
            if (garbled == 1) {
                EXPECT_FALSE(run.Contents("D:\\out\\a.jpg", target)) << "kill " << kill;
            }
        }
    }
}

}  // namespace
