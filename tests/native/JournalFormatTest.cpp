#include <gtest/gtest.h>

#include <cstdio>

#include "engine/JournalFormat.h"

namespace {

JournalHeader Header()
{
    JournalHeader header;
    header.started = "2026-12-08 07:54:18";
    header.mode = 100;
    header.move = true;
    header.policy = 22;
    header.outFolder = "C:\\Out 100%\\";
    header.nameTemplate = "<YYYY>\t<NAME>";
    header.order = 7;
    return header;
}

JournalStep Transfer(std::uint64_t seq, bool replace)
{
    JournalStep step;
    step.seq = seq;
    step.move = seq % 2 == 1;
    step.replace = replace;
    step.sourceStamp = {1234, 133000000000000000ull + seq};
    step.source = "C:\\In\\Fotos\xC3\xA9\\a" + std::to_string(seq) + ".jpg";
    step.target = "C:\\Out 100%\\2012\\a" + std::to_string(seq) + ".jpg";
    if (replace)
        step.kept = "C:\\Runs\\x.kept\\" + std::to_string(seq) + "-a.jpg";
    return step;
}

// A journal of a run that created a folder, moved one file, replaced one, failed one and was
// ended during a fourth.
std::string SampleJournal()
{
    return HeaderLine(Header()) + FolderLine("C:\\Out 100%\\2012\\") + TransferLine(Transfer(1, false)) +
           DoneLine(1, {1234, 99}) + TransferLine(Transfer(2, true)) + DoneLine(2, {1234, 100}) +
           TransferLine(Transfer(3, false)) + FailedLine(3, "Access is denied.") +
           TransferLine(Transfer(4, false));
}

TEST(JournalFormat, WritesAndReadsEveryRecord)
{
    JournalData data;
    std::string error;
    ASSERT_TRUE(ParseJournal(SampleJournal(), data, error)) << error;
    EXPECT_EQ(data.header.started, "2026-12-08 07:54:18");
    EXPECT_EQ(data.header.mode, 100u);
    EXPECT_TRUE(data.header.move);
    EXPECT_EQ(data.header.policy, 22u);
    EXPECT_EQ(data.header.outFolder, "C:\\Out 100%\\");
    EXPECT_EQ(data.header.nameTemplate, "<YYYY>\t<NAME>");
    ASSERT_EQ(data.steps.size(), 5u);
    EXPECT_TRUE(data.steps[0].isFolder);
    EXPECT_EQ(data.steps[0].folder, "C:\\Out 100%\\2012\\");
    const JournalStep& moved = data.steps[1];
    EXPECT_EQ(moved.source, Transfer(1, false).source);
    EXPECT_EQ(moved.target, Transfer(1, false).target);
    EXPECT_TRUE(moved.move);
    EXPECT_FALSE(moved.replace);
    EXPECT_EQ(moved.sourceStamp, (FileStamp {1234, 133000000000000001ull}));
    EXPECT_EQ(moved.outcome, StepOutcome::Done);
    EXPECT_EQ(moved.targetStamp, (FileStamp {1234, 99}));
    EXPECT_EQ(data.steps[2].kept, "C:\\Runs\\x.kept\\2-a.jpg");
    EXPECT_FALSE(data.steps[2].move);
    EXPECT_EQ(data.steps[3].outcome, StepOutcome::Failed);
    EXPECT_EQ(data.steps[3].failure, "Access is denied.");
    EXPECT_EQ(data.steps[4].outcome, StepOutcome::Unknown);
    EXPECT_FALSE(data.tornTail);
    EXPECT_FALSE(data.undone);

    const JournalCounts counts = CountSteps(data);
    EXPECT_EQ(counts.moved, 1);
    EXPECT_EQ(counts.copied, 1);
    EXPECT_EQ(counts.replaced, 1);
    EXPECT_EQ(counts.failed, 1);
    EXPECT_EQ(counts.unfinished, 1);
    EXPECT_EQ(counts.folders, 1);
}

TEST(JournalFormat, UndoMarks)
{
    JournalData data;
    std::string error;
    ASSERT_TRUE(ParseJournal(SampleJournal() + UndoneStepLine(2) + UndoneStepLine(1) +
                                     UndoneLine("2026-12-09 10:00:00"),
                             data, error))
            << error;
    EXPECT_TRUE(data.steps[1].undone);
    EXPECT_TRUE(data.steps[2].undone);
    EXPECT_FALSE(data.steps[4].undone);
    EXPECT_TRUE(data.undone);
    EXPECT_EQ(data.undoneAt, "2026-12-09 10:00:00");

    // Nothing may follow the mark, a step is undone once, and only steps that exist.
    EXPECT_FALSE(ParseJournal(SampleJournal() + UndoneLine("x") + UndoneStepLine(1) + UndoneStepLine(2), data,
                              error));
    EXPECT_FALSE(ParseJournal(SampleJournal() + UndoneStepLine(1) + UndoneStepLine(1) + FolderLine("C:\\"),
                              data, error));
    EXPECT_FALSE(ParseJournal(SampleJournal() + UndoneStepLine(9) + FolderLine("C:\\"), data, error));
    EXPECT_EQ(error, "line 10 of the journal does not fit the lines before it");
}

TEST(JournalFormat, TornLastLineIsLeftOutAndEveryCutKeepsTheLinesBeforeIt)
{
    const std::string text = SampleJournal();
    const std::size_t headerEnd = text.find('\n') + 1;
    std::size_t wholeLines = 0;
    for (std::size_t cut = headerEnd; cut <= text.size(); ++cut) {
        JournalData data;
        std::string error;
        ASSERT_TRUE(ParseJournal(text.substr(0, cut), data, error)) << cut << ": " << error;
        const bool atLineEnd = text[cut - 1] == '\n';
        EXPECT_EQ(data.tornTail, !atLineEnd) << cut;
        if (atLineEnd)
            ++wholeLines;
    }
    EXPECT_EQ(wholeLines, 9u);

    // A last line the disk filled with zeros is torn too.
    JournalData data;
    std::string error;
    ASSERT_TRUE(ParseJournal(text + std::string(40, '\0'), data, error)) << error;
    EXPECT_TRUE(data.tornTail);
    EXPECT_EQ(data.steps.size(), 5u);
}

TEST(JournalFormat, DamageBeforeTheLastLineRefusesTheJournal)
{
    const std::string text = SampleJournal();
    // Every single changed byte outside the last line is caught (a line feed turned into another
    // control byte too, which would otherwise join two lines into one that looks cut short).
    const std::size_t lastLine = text.rfind('\n', text.size() - 2) + 1;
    for (std::size_t at = 0; at < lastLine; ++at) {
        std::string damaged = text;
        damaged[at] = static_cast<char>(damaged[at] ^ 0x01);
        JournalData data;
        std::string error;
        EXPECT_FALSE(ParseJournal(damaged, data, error)) << at;
        EXPECT_FALSE(error.empty());
    }
    JournalData data;
    std::string error;
    EXPECT_FALSE(ParseJournal("", data, error));
    EXPECT_EQ(error, "the journal is empty");
    EXPECT_FALSE(ParseJournal("hello\nworld\n", data, error));
    EXPECT_EQ(error, "this is not a run journal, or its first line is damaged");
    JournalHeader future = Header();
    future.version = 3;
    EXPECT_FALSE(ParseJournal(HeaderLine(future), data, error));
    EXPECT_EQ(error, "the journal was written by another version of the program (format 3)");
    // A line missing in the middle: the outcome names a step never announced.
    EXPECT_FALSE(ParseJournal(HeaderLine(Header()) + DoneLine(1, {}) + FolderLine("C:\\"), data, error));
    EXPECT_EQ(error, "line 2 of the journal does not fit the lines before it");
    // Steps out of order and an outcome given twice.
    EXPECT_FALSE(ParseJournal(HeaderLine(Header()) + TransferLine(Transfer(2, false)) +
                                      TransferLine(Transfer(1, false)) + FolderLine("C:\\"),
                              data, error));
    EXPECT_FALSE(ParseJournal(HeaderLine(Header()) + TransferLine(Transfer(1, false)) + DoneLine(1, {}) +
                                      FailedLine(1, "x") + FolderLine("C:\\"),
                              data, error));
}

TEST(JournalFormat, KeptPartialAndRepairRecordsAreReadInTheirPlaceOnly)
{
    JournalStep replacing = Transfer(1, true);
    replacing.partial = "C:\\Out 100%\\2012\\~a1.jpg.qmpart";
    const std::string head = HeaderLine(Header()) + TransferLine(replacing);
    JournalData data;
    std::string error;
    ASSERT_TRUE(ParseJournal(head + KeptLine(1, {1234, 77}) + DoneLine(1, {1234, 99}) +
                                     UndoPartialLine(1, "C:\\In\\~a1.jpg.qmpart") + RepairLine(12),
                             data, error))
            << error;
    ASSERT_EQ(data.steps.size(), 1u);
    EXPECT_EQ(data.header.order, 7u);
    EXPECT_EQ(data.steps[0].partial, replacing.partial);
    EXPECT_TRUE(data.steps[0].keptComplete);
    EXPECT_EQ(data.steps[0].keptStamp, (FileStamp {1234, 77}));
    EXPECT_EQ(data.steps[0].undoPartial, "C:\\In\\~a1.jpg.qmpart");
    // A kept file is recorded once, before the outcome, and only for a replacing step.
    EXPECT_FALSE(ParseJournal(head + KeptLine(1, {1, 1}) + KeptLine(1, {1, 1}), data, error));
    EXPECT_FALSE(ParseJournal(head + DoneLine(1, {1, 1}) + KeptLine(1, {1, 1}), data, error));
    EXPECT_FALSE(ParseJournal(HeaderLine(Header()) + TransferLine(Transfer(1, false)) + KeptLine(1, {1, 1}),
                              data, error));
    // An order number of 0 belongs to no journal of this version.
    JournalHeader unordered = Header();
    unordered.order = 0;
    EXPECT_FALSE(ParseJournal(HeaderLine(unordered), data, error));
}

TEST(JournalFormat, VersionOneJournalsAreStillReadAndTakeNoNewRecords)
{
    JournalHeader old = Header();
    old.version = 1;
    // The transfer record of version 1 has no unfinished-copy name.
    const std::string transfer = "T\t1\tmove\tnew\t5\t6\tC:\\a.jpg\tD:\\a.jpg\t\t";
    char crc[9];
    std::snprintf(crc, sizeof crc, "%08x", Crc32(transfer));
    const std::string v1 = HeaderLine(old) + transfer + crc + "\n" + DoneLine(1, {5, 6});
    JournalData data;
    std::string error;
    ASSERT_TRUE(ParseJournal(v1, data, error)) << error;
    EXPECT_EQ(data.header.version, 1);
    EXPECT_EQ(data.header.order, 0u);
    ASSERT_EQ(data.steps.size(), 1u);
    EXPECT_EQ(data.steps[0].outcome, StepOutcome::Done);
    EXPECT_FALSE(ParseJournal(v1 + RepairLine(3), data, error));
    EXPECT_FALSE(ParseJournal(v1 + UndoPartialLine(1, "C:\\x"), data, error));
}

TEST(JournalFormat, AStepAnnouncedTwiceOrGivenASecondOutcomeRefusesTheJournal)
{
    const std::string start = HeaderLine(Header()) + TransferLine(Transfer(1, false));
    // Each journal ends with a sound line, so that the refused line is never taken as cut short.
    const std::string end = FolderLine("C:\\Out 100%\\2013\\");
    JournalData data;
    std::string error;
    // The sound forms first: one outcome per step, and a second step under a new number.
    ASSERT_TRUE(ParseJournal(start + DoneLine(1, {1234, 99}) + end, data, error)) << error;
    ASSERT_TRUE(ParseJournal(start + FailedLine(1, "x") + end, data, error)) << error;
    ASSERT_TRUE(
            ParseJournal(start + TransferLine(Transfer(2, false)) + DoneLine(2, {1, 2}) + end, data, error))
            << error;

    const struct {
        const char* what;
        std::string text;
        int line;  // the one refused
    } refused[] = {
            {"two transfers of one number", start + TransferLine(Transfer(1, false)) + end, 3},
            {"two transfers of one number, the first done",
             start + DoneLine(1, {1234, 99}) + TransferLine(Transfer(1, true)) + end, 4},
            {"done after done", start + DoneLine(1, {1234, 99}) + DoneLine(1, {1234, 99}) + end, 4},
            {"done after failed", start + FailedLine(1, "x") + DoneLine(1, {1234, 99}) + end, 4},
            {"failed after done", start + DoneLine(1, {1234, 99}) + FailedLine(1, "x") + end, 4},
            {"failed after failed", start + FailedLine(1, "x") + FailedLine(1, "y") + end, 4},
    };
    for (const auto& c : refused) {
        SCOPED_TRACE(c.what);
        EXPECT_FALSE(ParseJournal(c.text, data, error));
        EXPECT_EQ(error,
                  "line " + std::to_string(c.line) + " of the journal does not fit the lines before it");
    }
}

TEST(JournalFormat, Crc32MatchesTheStandardCheckValue)
{
    EXPECT_EQ(Crc32("123456789"), 0xCBF43926u);
    EXPECT_EQ(Crc32(""), 0u);
}

}  // namespace

// The start of a run removes the unfinished copies of steps that a killed run's journal left
// without an outcome; a damaged record never names one, nor closes a step.
TEST(JournalFormat, AnnouncedPartialsAreThoseOfStepsLeftWithoutAnOutcome)
{
    const auto copying = [](std::uint64_t seq, const std::string& partial) {
        JournalStep step = Transfer(seq, false);
        step.partial = partial;
        return TransferLine(step);
    };
    // A record whose last field lost a bit keeps its CRC: it is damaged.
    const auto damaged = [](std::string line) {
        line[line.rfind('\t', line.size() - 2) - 1] ^= 1;
        return line;
    };
    const std::string header = HeaderLine(Header());
    EXPECT_EQ(AnnouncedPartials(header, copying(1, "C:\\~a1.qmpart") + DoneLine(1, {1, 1}) +
                                                copying(2, "C:\\~a2.qmpart") + FailedLine(2, "x") +
                                                copying(3, "C:\\~a3.qmpart") +
                                                UndoPartialLine(4, "C:\\~u4.qmpart") +
                                                TransferLine(Transfer(5, false))),
              (std::vector<std::string> {"C:\\~a3.qmpart", "C:\\~u4.qmpart"}));
    // Damaged records: a step's names nothing; an outcome's closes nothing.
    EXPECT_EQ(AnnouncedPartials(header, damaged(copying(1, "C:\\~a1.qmpart"))),
              (std::vector<std::string> {}));
    EXPECT_EQ(AnnouncedPartials(header, copying(1, "C:\\~a1.qmpart") + damaged(DoneLine(1, {1, 1}))),
              (std::vector<std::string> {"C:\\~a1.qmpart"}));
    // A later record of the same step takes the place of the first only when whole.
    EXPECT_EQ(AnnouncedPartials(header, copying(1, "C:\\~a1.qmpart") + damaged(copying(1, "C:\\~b1.qmpart"))),
              (std::vector<std::string> {"C:\\~a1.qmpart"}));
    EXPECT_EQ(AnnouncedPartials(header, damaged(copying(1, "C:\\~a1.qmpart")) + copying(1, "C:\\~b1.qmpart")),
              (std::vector<std::string> {"C:\\~b1.qmpart"}));
    EXPECT_EQ(AnnouncedPartials(header, copying(1, "C:\\~a1.qmpart") + UndoPartialLine(1, "C:\\~u1.qmpart")),
              (std::vector<std::string> {"C:\\~u1.qmpart"}));
    // A tail cut inside a record, and a journal of the first version, name none.
    const std::string cut = copying(1, "C:\\~a1.qmpart");
    EXPECT_EQ(AnnouncedPartials(header, cut.substr(0, cut.size() - 3)), (std::vector<std::string> {}));
    JournalHeader old = Header();
    old.version = 1;
    EXPECT_EQ(AnnouncedPartials(HeaderLine(old), cut), (std::vector<std::string> {}));
}
