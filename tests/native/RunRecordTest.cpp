// A row's record as the log, the rows and the reports show it: every kind of row, byte for byte.
#include <gtest/gtest.h>

#include "engine/LogText.h"
#include "engine/RowTexts.h"
#include "engine/RunReport.h"

namespace {

RunRecord Row(RowOutcome outcome, const std::string& text, const std::string& target = "D:\\Out\\a.jpg")
{
    RunRecord record;
    record.source = "C:\\In\\a.jpg";
    record.target = target;
    record.result = {outcome, text};
    return record;
}

RunRecord Dated(RunRecord record, const std::string& origin)
{
    record.date = {2012, 1, 27, 10, 46, 5};
    record.dateOrigin = origin;
    return record;
}

std::string CliReport(const RunRecord& record)
{
    return ReportLine(record.source, RowTextsOf(record), ReportColumns::WithHash);
}

}  // namespace

TEST(RunRecord, ACopyAndAMoveSayWhichInTheLogOnly)
{
    RunRecord copy = Dated(Row(RowOutcome::Done, "OK"), "Date/Time Original");
    RunRecord move = copy;
    move.move = true;
    EXPECT_EQ(LogRecord(copy), "[Source] C:\\In\\a.jpg\r\n[Target] D:\\Out\\a.jpg\r\n[Copy] OK\r\n\r\n");
    EXPECT_EQ(LogRecord(move), "[Source] C:\\In\\a.jpg\r\n[Target] D:\\Out\\a.jpg\r\n[Move] OK\r\n\r\n");
    EXPECT_EQ(CliReport(copy),
              "C:\\In\\a.jpg,D:\\Out\\a.jpg,OK,2012-01-27 10:46:05,Date/Time Original,,\r\n");
    EXPECT_EQ(CliReport(move), CliReport(copy));
    const RowTexts shown = WindowRowTexts(move, false);
    EXPECT_EQ(shown.target, "D:\\Out\\a.jpg");
    EXPECT_EQ(shown.result, "OK");
    EXPECT_EQ(shown.date, "2012-01-27 10:46:05");
    EXPECT_EQ(shown.dateOrigin, "Date/Time Original");
}

TEST(RunRecord, TheHashIsInTheCommandLinesReportAndNotInTheWindows)
{
    RunRecord record = Row(RowOutcome::Done, "OK");
    record.copyHash = "0123456789abcdef0123456789abcdef";
    EXPECT_EQ(CliReport(record), "C:\\In\\a.jpg,D:\\Out\\a.jpg,OK,,,,0123456789abcdef0123456789abcdef\r\n");
    EXPECT_EQ(ReportLine(record.source, WindowRowTexts(record, false), ReportColumns::Window),
              "C:\\In\\a.jpg,D:\\Out\\a.jpg,OK,,,\r\n");
    EXPECT_EQ(ReportHeader(ReportColumns::WithHash),
              "\xEF\xBB\xBFsource,target,result,date,date source,place,hash\r\n");
    EXPECT_EQ(ReportHeader(ReportColumns::Window),
              "\xEF\xBB\xBFsource,target,result,date,date source,place\r\n");
}

TEST(RunRecord, ThePlaceGoesIntoItsOwnCellQuotedWhenItHasACommaAndNowhereElse)
{
    RunRecord record = Row(RowOutcome::Done, "OK");
    record.place = "Paris, France (2 km)";
    EXPECT_EQ(CliReport(record), "C:\\In\\a.jpg,D:\\Out\\a.jpg,OK,,,\"Paris, France (2 km)\",\r\n");
    EXPECT_EQ(WindowRowTexts(record, false).place, "Paris, France (2 km)");
    EXPECT_EQ(LogRecord(record).find("Paris"), std::string::npos);
}

TEST(RunRecord, SkippedRowsKeepTheirReasonAndAPreviewSaysItOnce)
{
    const struct {
        const char* reason;
        const char* preview;
    } kinds[] = {
            {"Target file exists; skipped", "Will skip (Target file exists)"},
            {"Identical file exists; skipped", "Will skip (Identical file exists)"},
            {"Same file as \"C:\\In\\b.jpg\"; skipped", "Will skip (Same file as \"C:\\In\\b.jpg\")"},
            {"Same folder and name", "Will skip (Same folder and name)"},
            {"Stays with its photo (photo not organized)",
             "Will skip (Stays with its photo (photo not organized))"},
    };
    for (const auto& kind : kinds) {
        RunRecord record = Row(RowOutcome::Skipped, kind.reason);
        EXPECT_EQ(LogRecord(record), "[Source] C:\\In\\a.jpg\r\n[Target] D:\\Out\\a.jpg\r\n[Copy] " +
                                             std::string(kind.reason) + "\r\n\r\n");
        EXPECT_EQ(WindowRowTexts(record, true).result, kind.reason);
        record.preview = true;
        EXPECT_EQ(WindowRowTexts(record, true).result, kind.preview);
        // The command line's dry run prints the run's own words.
        EXPECT_EQ(RowTextsOf(record).result, kind.reason);
    }
}

TEST(RunRecord, AFailedRowWithoutTargetHasEmptyCells)
{
    RunRecord record = Row(RowOutcome::Failed, "No file extension", "");
    EXPECT_EQ(LogRecord(record), "[Source] C:\\In\\a.jpg\r\n[Target] \r\n[Copy] No file extension\r\n\r\n");
    EXPECT_EQ(CliReport(record), "C:\\In\\a.jpg,,No file extension,,,,\r\n");
    record.preview = true;
    EXPECT_EQ(WindowRowTexts(record, false).result, "Will fail (No file extension)");
    EXPECT_EQ(WindowRowTexts(record, false).target, "");
}

TEST(RunRecord, APreviewSaysWhatTheCopyOrMoveWouldDo)
{
    RunRecord record = Row(RowOutcome::Done, "OK (date from file name)");
    record.preview = true;
    EXPECT_EQ(WindowRowTexts(record, false).result, "Will copy (date from file name)");
    record.move = true;
    EXPECT_EQ(WindowRowTexts(record, false).result, "Will move (date from file name)");
}

TEST(RunRecord, TheWindowNamesTheFileTimeOnlyWhenTheModeFallsBackToIt)
{
    const RunRecord record = Dated(Row(RowOutcome::Done, "OK"), "file modified");
    EXPECT_TRUE(PlacedByFileTime(record, true));
    EXPECT_EQ(WindowRowTexts(record, true).result, "OK (date modified)");
    EXPECT_EQ(WindowRowTexts(record, true).dateOrigin, "file modified");
    EXPECT_FALSE(PlacedByFileTime(record, false));
    EXPECT_EQ(WindowRowTexts(record, false).result, "OK");
    // The command line and the log keep the run's words.
    EXPECT_EQ(RowTextsOf(record).result, "OK");
    EXPECT_NE(LogRecord(record).find("[Copy] OK\r\n"), std::string::npos);
    RunRecord preview = record;
    preview.preview = true;
    EXPECT_EQ(WindowRowTexts(preview, true).result, "Will copy (date modified)");
    // Only a plain OK by a file time: a date from the capture or a result with its own words is not.
    EXPECT_FALSE(PlacedByFileTime(Dated(Row(RowOutcome::Done, "OK"), "Date/Time Original"), true));
    EXPECT_FALSE(PlacedByFileTime(Dated(Row(RowOutcome::Done, "OK (clock rule x)"), "file modified"), true));
    EXPECT_FALSE(PlacedByFileTime(Dated(Row(RowOutcome::Skipped, "OK"), "file modified"), true));
}

TEST(RunRecord, ACompanionThatStaysShowsNoTargetAndNoDate)
{
    RunRecord record = Row(RowOutcome::Skipped, "Stays with its photo (photo not organized)", "");
    record.source = "C:\\In\\a.xmp";
    const RowTexts texts = WindowRowTexts(record, true);
    EXPECT_EQ(texts.target, "");
    EXPECT_EQ(texts.date, "");
    EXPECT_EQ(texts.dateOrigin, "");
    EXPECT_EQ(CliReport(record), "C:\\In\\a.xmp,,Stays with its photo (photo not organized),,,,\r\n");
}
