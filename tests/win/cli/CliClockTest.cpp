// Camera clock rules and the day's start through the real program: generated photos of named
// cameras and bodies, organized and looked up with --shift and --day-begins, and shift-from.
#include <windows.h>

#include <gtest/gtest.h>

#include <algorithm>

#include "tests/support/JpegBuilder.h"
#include "tests/support/TempTree.h"
#include "tests/support/TiffBuilder.h"
#include "tests/win/cli/CliProcess.h"

namespace {

// The EXIF of a photo taken at date (none when empty) by a camera model (none when empty), with
// the body's serial number when one is given.
qmtest::Ifd CameraIfd(const std::string& date, const std::string& model, const std::string& serial)
{
    qmtest::Ifd exif;
    if (!date.empty())
        exif.Ascii(0x9003, date);
    if (!serial.empty())
        exif.Ascii(0xA431, serial);
    qmtest::Ifd ifd0;
    ifd0.Ascii(0x010F, "Maker");
    if (!model.empty())
        ifd0.Ascii(0x0110, model);
    ifd0.Sub(0x8769, exif);
    return ifd0;
}

std::vector<std::string> Sorted(std::vector<std::string> lines)
{
    std::sort(lines.begin(), lines.end());
    return lines;
}

class CliClock : public ::testing::Test {
protected:
    void SetUp() override
    {
        if (GetFileAttributesA(CliProgram().c_str()) == INVALID_FILE_ATTRIBUTES)
            FAIL() << "quillmere-cli.exe is not built: " << CliProgram();
        ASSERT_TRUE(CreateDirectoryA(tree.Path("src").c_str(), nullptr));
    }

    std::string Src(const std::string& name) const { return tree.Path("src\\" + name); }
    std::string Out(const std::string& name = "") const { return tree.Path("out\\" + name); }
    void Photo(const std::string& name, const std::string& date, const std::string& model,
               const std::string& serial = "")
    {
        ASSERT_TRUE(WriteData(Src(name), qmtest::MinimalJpeg(CameraIfd(date, model, serial))));
    }
    // A TIFF file: read through the metadata tool, not in-process.
    void Tiff(const std::string& name, const std::string& date, const std::string& model,
              const std::string& serial)
    {
        ASSERT_TRUE(WriteData(Src(name), qmtest::BuildTiff(CameraIfd(date, model, serial))));
    }
    std::string Row(const std::string& name, const std::string& target, const std::string& result) const
    {
        return Src(name) + "\t" + Out(target) + "\t" + result;
    }

    TempTree tree;
};

TEST_F(CliClock, ARuleByModelMovesThatCamerasDatesOnly)
{
    Photo("canon.jpg", "2012:12:31 23:30:00", "Canon EOS 5D");
    Photo("nikon.jpg", "2012:12:31 23:30:00", "NIKON D700");
    const std::string canon = ReadText(Src("canon.jpg"));
    const CliOutcome run = RunCli({"organize", "--shift", "Canon EOS 5D=+01:00", "--rename",
                                   "%Y-%M-%D %H_%I_%S", "--out", Out(), Src("")});
    ASSERT_EQ(run.exitCode, 0u) << run.err;
    EXPECT_EQ(Sorted(Lines(run.out)),
              Sorted({Row("canon.jpg", "2013\\2013_01\\2013_01_01\\2013-01-01 00_30_00.jpg",
                          "OK (clock rule Canon EOS 5D=+01:00)"),
                      Row("nikon.jpg", "2012\\2012_12\\2012_12_31\\2012-12-31 23_30_00.jpg", "OK")}));
    // The file itself is never changed: only where it goes.
    EXPECT_EQ(ReadText(Out("2013\\2013_01\\2013_01_01\\2013-01-01 00_30_00.jpg")), canon);
}

TEST_F(CliClock, TheMostSpecificRuleWinsWhateverTheOrder)
{
    Photo("body1.jpg", "2013:03:01 00:05:00", "NIKON D700", "1234567");
    Photo("body2.jpg", "2013:03:01 00:30:00", "NIKON D700", "7654321");
    Photo("canon.jpg", "2012:02:28 12:00:00", "Canon EOS 5D", "1234567");
    Photo("nameless.jpg", "2011:12:31 12:00:00", "");
    const CliOutcome run = RunCli({"organize", "--shift", "*=+1d", "--shift", "nikon d700=-01:00", "--shift",
                                   "NIKON D700#1234567=-00:07:36", "--rename", "%Y-%M-%D %H_%I_%S",
                                   "--no-month", "--out", Out(), Src("")});
    ASSERT_EQ(run.exitCode, 0u) << run.err;
    EXPECT_EQ(Sorted(Lines(run.out)),
              Sorted({Row("body1.jpg", "2013\\2013_02_28\\2013-02-28 23_57_24.jpg",
                          "OK (clock rule NIKON D700#1234567=-00:07:36)"),
                      Row("body2.jpg", "2013\\2013_02_28\\2013-02-28 23_30_00.jpg",
                          "OK (clock rule nikon d700=-01:00)"),
                      Row("canon.jpg", "2012\\2012_02_29\\2012-02-29 12_00_00.jpg", "OK (clock rule *=+1d)"),
                      Row("nameless.jpg", "2012\\2012_01_01\\2012-01-01 12_00_00.jpg",
                          "OK (clock rule *=+1d)")}));
}

TEST_F(CliClock, LookupExplainsTheRuleAndTheReportNamesIt)
{
    Photo("canon.jpg", "2012:12:31 23:30:00", "Canon EOS 5D");
    const CliOutcome plain = RunCli({"lookup", "--explain", Src("canon.jpg")});
    EXPECT_EQ(FirstColumns(plain.out, 3),
              std::vector<std::string> {Src("canon.jpg") + "\t2012:12:31 23:30:00\tDate/Time Original"});
    const CliOutcome shifted =
            RunCli({"lookup", "--explain", "--shift", "Canon EOS 5D=+01:00", Src("canon.jpg")});
    EXPECT_EQ(shifted.exitCode, 0u) << shifted.err;
    EXPECT_EQ(FirstColumns(shifted.out, 3),
              std::vector<std::string> {
                      Src("canon.jpg") +
                      "\t2013:01:01 00:30:00\tDate/Time Original; clock rule Canon EOS 5D=+01:00"});
    const CliOutcome quiet = RunCli({"lookup", "--shift", "Canon EOS 5D=+01:00", Src("canon.jpg")});
    EXPECT_EQ(quiet.out, Src("canon.jpg") + "\t2013:01:01 00:30:00\n");

    const std::string report = tree.Path("report.csv");
    const CliOutcome run = RunCli({"organize", "--dry-run", "--shift", "Canon EOS 5D=+01:00", "--no-month",
                                   "--no-day", "--out", Out(), "--report", report, Src("canon.jpg")});
    ASSERT_EQ(run.exitCode, 0u) << run.err;
    const auto lines = Lines(ReadText(report));
    ASSERT_EQ(lines.size(), 2u);
    // The place column after it is the places' own to check.
    EXPECT_EQ(lines[1].rfind(Src("canon.jpg") + "," + Out("2013\\canon.jpg") +
                                     ",OK (clock rule Canon EOS 5D=+01:00),2013-01-01 00:30:00,"
                                     "Date/Time Original; clock rule Canon EOS 5D=+01:00,",
                             0),
              0u)
            << lines[1];
}

TEST_F(CliClock, FileTimesAndNameDatesAreNotTheCamerasClock)
{
    Photo("undated.jpg", "", "Canon EOS 5D");
    Photo("IMG_20200101_123456.jpg", "", "Canon EOS 5D");
    const CliOutcome before = RunCli({"lookup", "--explain", "--mode", "taken-else-modified", "--name-dates",
                                      Src("undated.jpg"), Src("IMG_20200101_123456.jpg")});
    ASSERT_EQ(before.exitCode, 0u) << before.err;
    const CliOutcome after = RunCli({"lookup", "--explain", "--mode", "taken-else-modified", "--name-dates",
                                     "--shift", "*=-2d", "--shift", "Canon EOS 5D=+01:00", Src("undated.jpg"),
                                     Src("IMG_20200101_123456.jpg")});
    ASSERT_EQ(after.exitCode, 0u) << after.err;
    EXPECT_EQ(after.out, before.out);
    const auto lines = FirstColumns(after.out, 3);
    ASSERT_EQ(lines.size(), 2u);
    EXPECT_EQ(lines[0].substr(lines[0].rfind('\t')), "\tfile modified");
    EXPECT_EQ(lines[1], Src("IMG_20200101_123456.jpg") + "\t2020:01:01 12:34:56 (file name)\tfile name");
}

TEST_F(CliClock, ADateNoCalendarHoldsIsNotMovedNorSaidToBe)
{
    Photo("feb30.jpg", "2011:02:30 10:00:00", "Canon EOS 5D");
    const CliOutcome run = RunCli({"lookup", "--explain", "--shift", "*=+01:00", Src("feb30.jpg")});
    EXPECT_EQ(run.exitCode, 0u) << run.err;
    EXPECT_EQ(FirstColumns(run.out, 3),
              std::vector<std::string> {Src("feb30.jpg") + "\t2011:02:30 10:00:00\tDate/Time Original"});
}

TEST_F(CliClock, TheMetadataToolNamesTheCameraOfOtherFiles)
{
    Tiff("body.tif", "2016:02:29 23:59:00", "NIKON D700", "1234567");
    Tiff("other.tif", "2016:02:29 23:59:00", "NIKON D700", "7654321");
    const CliOutcome run = RunCli({"lookup", "--explain", "--shift", "NIKON D700#1234567=+00:01:30",
                                   Src("body.tif"), Src("other.tif")});
    ASSERT_EQ(run.exitCode, 0u) << run.err;
    EXPECT_EQ(FirstColumns(run.out, 3),
              (std::vector<std::string> {Src("body.tif") +
                                                 "\t2016:03:01 00:00:30\tDate/Time Original; clock rule "
                                                 "NIKON D700#1234567=+00:01:30",
                                         Src("other.tif") + "\t2016:02:29 23:59:00\tDate/Time Original"}));
}

TEST_F(CliClock, BadRulesAndTimesAreUsageErrors)
{
    Photo("canon.jpg", "2012:12:31 23:30:00", "Canon EOS 5D");
    const CliOutcome bad = RunCli({"organize", "--shift", "Canon EOS 5D=+1", "--out", Out(), Src("")});
    EXPECT_EQ(bad.exitCode, 2u);
    EXPECT_EQ(Lines(bad.err),
              (std::vector<std::string> {
                      "quillmere-cli: Not a clock rule: \"Canon EOS 5D=+1\" (the shift is + or - "
                      "with HH:MM, HH:MM:SS, Nd or Nd HH:MM)",
                      "Try \"quillmere-cli --help\"."}));
    const CliOutcome badLookup = RunCli({"lookup", "--shift", "no rule", Src("canon.jpg")});
    EXPECT_EQ(badLookup.exitCode, 2u);
    EXPECT_NE(badLookup.err.find("Not a clock rule: \"no rule\""), std::string::npos) << badLookup.err;
    const CliOutcome late = RunCli({"organize", "--day-begins", "24:00", "--out", Out(), Src("")});
    EXPECT_EQ(late.exitCode, 2u);
    EXPECT_NE(late.err.find("--day-begins takes a time of day HH:MM (00:00 to 23:59), not \"24:00\""),
              std::string::npos)
            << late.err;
    EXPECT_EQ(RunCli({"lookup", "--day-begins", "04:00", Src("canon.jpg")}).exitCode, 2u);
    EXPECT_FALSE(Exists(Out()));
}

TEST_F(CliClock, ADayBeginningLaterKeepsTheNightInTheDayBefore)
{
    Photo("newyear.jpg", "2013:01:01 03:59:59", "X");
    Photo("leap.jpg", "2012:03:01 00:00:00", "X");
    Photo("morning.jpg", "2012:03:01 04:00:00", "X");
    Photo("may.jpg", "2012:05:01 02:00:00", "X");
    const CliOutcome run = RunCli(
            {"organize", "--day-begins", "04:00", "--rename", "%Y-%M-%D %H_%I_%S", "--out", Out(), Src("")});
    ASSERT_EQ(run.exitCode, 0u) << run.err;
    EXPECT_EQ(Sorted(Lines(run.out)),
              Sorted({Row("newyear.jpg", "2012\\2012_12\\2012_12_31\\2013-01-01 03_59_59.jpg", "OK"),
                      Row("leap.jpg", "2012\\2012_02\\2012_02_29\\2012-03-01 00_00_00.jpg", "OK"),
                      Row("morning.jpg", "2012\\2012_03\\2012_03_01\\2012-03-01 04_00_00.jpg", "OK"),
                      Row("may.jpg", "2012\\2012_04\\2012_04_30\\2012-05-01 02_00_00.jpg", "OK")}));

    // After a clock rule: the moved time decides the day.
    ASSERT_TRUE(CreateDirectoryA(tree.Path("late").c_str(), nullptr));
    ASSERT_TRUE(WriteData(tree.Path("late\\a.jpg"),
                          qmtest::MinimalJpeg(CameraIfd("2014:01:01 05:00:00", "Y", ""))));
    const CliOutcome shifted = RunCli({"organize", "--day-begins", "04:00", "--shift", "Y=-01:30", "--out",
                                       Out(), tree.Path("late\\a.jpg")});
    ASSERT_EQ(shifted.exitCode, 0u) << shifted.err;
    EXPECT_EQ(shifted.out, tree.Path("late\\a.jpg") + "\t" + Out("2013\\2013_12\\2013_12_31\\a.jpg") +
                                   "\tOK (clock rule Y=-01:30)\n");
}

TEST_F(CliClock, ShiftFromPrintsTheRuleThatMakesTheCamerasAgree)
{
    Photo("a.jpg", "2013:01:01 00:00:00", "Canon EOS 5D");
    Photo("b.jpg", "2013:01:01 00:07:36", "NIKON D700", "1234567");
    Photo("c.jpg", "2012:12:29 22:00:00", "NIKON D700");
    const CliOutcome body = RunCli({"shift-from", Src("a.jpg"), Src("b.jpg")});
    ASSERT_EQ(body.exitCode, 0u) << body.err;
    EXPECT_EQ(body.out, "NIKON D700#1234567=-00:07:36\n");
    EXPECT_EQ(body.err, "");
    const CliOutcome model = RunCli({"shift-from", Src("a.jpg"), Src("c.jpg")});
    ASSERT_EQ(model.exitCode, 0u) << model.err;
    EXPECT_EQ(model.out, "NIKON D700=+2d 02:00\n");

    // The printed rule brings the second camera's photo to the first one's moment.
    const std::string rule = body.out.substr(0, body.out.size() - 1);
    const CliOutcome agreed = RunCli({"lookup", "--shift", rule, Src("b.jpg")});
    EXPECT_EQ(agreed.out, Src("b.jpg") + "\t2013:01:01 00:00:00\n");
}

TEST_F(CliClock, ShiftFromNeedsTwoDatesAndACameraModel)
{
    Photo("a.jpg", "2013:01:01 00:00:00", "Canon EOS 5D");
    Photo("undated.jpg", "", "NIKON D700");
    Photo("nameless.jpg", "2013:01:01 00:00:00", "");
    Photo("odd.jpg", "2013:01:01 00:00:00", "Odd#Cam");
    const CliOutcome undated = RunCli({"shift-from", Src("a.jpg"), Src("undated.jpg")});
    EXPECT_EQ(undated.exitCode, 1u);
    EXPECT_EQ(undated.out, "");
    EXPECT_EQ(undated.err, "quillmere-cli: \"" + Src("undated.jpg") + "\" has no capture date\n");
    const CliOutcome first = RunCli({"shift-from", Src("undated.jpg"), Src("a.jpg")});
    EXPECT_EQ(first.exitCode, 1u);
    EXPECT_EQ(first.err, "quillmere-cli: \"" + Src("undated.jpg") + "\" has no capture date\n");
    const CliOutcome nameless = RunCli({"shift-from", Src("a.jpg"), Src("nameless.jpg")});
    EXPECT_EQ(nameless.exitCode, 1u);
    EXPECT_EQ(nameless.err, "quillmere-cli: \"" + Src("nameless.jpg") +
                                    "\" names no camera model; a clock rule needs one\n");
    // Its model needs no model of the first file.
    EXPECT_EQ(RunCli({"shift-from", Src("nameless.jpg"), Src("a.jpg")}).out, "Canon EOS 5D=+00:00\n");
    const CliOutcome odd = RunCli({"shift-from", Src("a.jpg"), Src("odd.jpg")});
    EXPECT_EQ(odd.exitCode, 1u);
    EXPECT_EQ(odd.out, "");
    EXPECT_EQ(odd.err, "quillmere-cli: the camera of \"" + Src("odd.jpg") +
                               "\" (Odd#Cam) cannot be named in a clock rule\n");
    const CliOutcome missing = RunCli({"shift-from", Src("a.jpg"), Src("gone.jpg")});
    EXPECT_EQ(missing.exitCode, 1u);
    EXPECT_NE(missing.err.find("has no capture date"), std::string::npos);

    EXPECT_EQ(RunCli({"shift-from", Src("a.jpg")}).exitCode, 2u);
    EXPECT_EQ(RunCli({"shift-from", Src("a.jpg"), Src("a.jpg"), Src("a.jpg")}).exitCode, 2u);
    EXPECT_EQ(RunCli({"shift-from", "--explain", Src("a.jpg"), Src("a.jpg")}).exitCode, 2u);
}

}  // namespace
