#include <gtest/gtest.h>

#include "cli/CliArgs.h"
#include "cli/CliReport.h"
#include "engine/OrganizeMode.h"

namespace {

ParsedCommandLine Parse(std::vector<std::string> args)
{
    return ParseCommandLine(args);
}

TEST(CliArgs, OrganizeDefaultsToCopyAndTakesEveryPath)
{
    const auto parsed = Parse({"organize", "C:\\a.jpg", "D:\\pics"});
    ASSERT_TRUE(parsed.ok) << parsed.error;
    EXPECT_EQ(parsed.request.command, CliCommand::Organize);
    EXPECT_FALSE(parsed.request.flags.move);
    EXPECT_EQ(parsed.request.paths, (std::vector<std::string> {"C:\\a.jpg", "D:\\pics"}));
    EXPECT_FALSE(parsed.request.flags.mode.has_value());
}

TEST(CliArgs, AQuoteEndingAPathIsTakenOffWithAWarning)
{
    // cmd's "D:\My Photos\" arrives as D:\My Photos", "E:\" as E:".
    const auto parsed = Parse({"organize", "--out", "D:\\Sorted\"", "--log=D:\\My Logs\\run.txt\"",
                               "--report", "D:\\r.csv\"", "D:\\My Photos\"", "E:\"", "F:\\plain"});
    ASSERT_TRUE(parsed.ok) << parsed.error;
    EXPECT_EQ(parsed.request.paths, (std::vector<std::string> {"D:\\My Photos", "E:\\", "F:\\plain"}));
    EXPECT_EQ(parsed.request.flags.outFolder, "D:\\Sorted");
    EXPECT_EQ(parsed.request.flags.log, "D:\\My Logs\\run.txt");
    EXPECT_EQ(parsed.request.flags.report, "D:\\r.csv");
    ASSERT_EQ(parsed.warnings.size(), 5u);
    EXPECT_EQ(parsed.warnings[3],
              "warning: \"D:\\My Photos\"\" ends in a quote; taken as \"D:\\My Photos\" (a "
              "backslash before a closing quote escapes it: leave it out or double it)");
    EXPECT_NE(parsed.warnings[4].find("taken as \"E:\\\""), std::string::npos) << parsed.warnings[4];
    // Other values are left alone.
    const auto other = Parse({"organize", "--rename", "%Y\"", "C:\\a"});
    ASSERT_TRUE(other.ok);
    EXPECT_EQ(other.request.flags.rename, "%Y\"");
    EXPECT_TRUE(other.warnings.empty());
    EXPECT_TRUE(Parse({"organize", "C:\\a"}).warnings.empty());
}

TEST(CliArgs, EveryModeNameAndNumber)
{
    const std::vector<std::pair<std::string, std::uint32_t>> modes {{"taken", 100},
                                                                    {"taken-else-modified", 600},
                                                                    {"taken-else-created", 700},
                                                                    {"taken-else-accessed", 800},
                                                                    {"modified", 200},
                                                                    {"created", 300},
                                                                    {"accessed", 400},
                                                                    {"extension", 500},
                                                                    {"orientation", 900}};
    for (const auto& [name, value] : modes) {
        EXPECT_EQ(ParseModeName(name), static_cast<OrganizeMode>(value)) << name;
        EXPECT_EQ(ParseModeName(std::to_string(value)), static_cast<OrganizeMode>(value)) << value;
    }
    for (const char* bad :
         {"", "Taken", "0", "150", "1000", "0100", "-100", "taken ", "12345678901234567890"})
        EXPECT_FALSE(ParseModeName(bad).has_value()) << bad;
}

TEST(CliArgs, ValuesInTheNextArgumentOrAfterAnEqualsSign)
{
    const auto parsed = Parse({"organize",      "--move",         "--mode",   "modified",
                               "--out=D:\\Out", "--month-format", "%M",       "--day-format=%D",
                               "--rename",      "%N-%Y",          "--exists", "skip",
                               "--log",         "D:\\log.txt",    "--ext",    "jpg;tif",
                               "--no-year",     "--no-month",     "--no-day", "--no-subfolders",
                               "--saved",       "--dry-run",      "x"});
    ASSERT_TRUE(parsed.ok) << parsed.error;
    const OrganizeFlags& f = parsed.request.flags;
    EXPECT_TRUE(f.move);
    EXPECT_EQ(f.mode, OrganizeMode::Modified);
    EXPECT_EQ(f.outFolder, "D:\\Out");
    EXPECT_EQ(f.monthFormat, "%M");
    EXPECT_EQ(f.dayFormat, "%D");
    EXPECT_EQ(f.rename, "%N-%Y");
    EXPECT_EQ(f.exists, TargetExistsPolicy::Skip);
    EXPECT_EQ(f.log, "D:\\log.txt");
    EXPECT_EQ(f.exts, "jpg;tif");
    EXPECT_TRUE(f.noYear && f.noMonth && f.noDay && f.noSubfolders && f.saved && f.dryRun);
    EXPECT_EQ(parsed.request.paths, std::vector<std::string> {"x"});
}

TEST(CliArgs, DoubleDashEndsTheOptions)
{
    const auto parsed = Parse({"organize", "--", "--move", "-x"});
    ASSERT_TRUE(parsed.ok) << parsed.error;
    EXPECT_FALSE(parsed.request.flags.move);
    EXPECT_EQ(parsed.request.paths, (std::vector<std::string> {"--move", "-x"}));
}

TEST(CliArgs, UsageErrorsSayWhatIsWrong)
{
    const std::vector<std::pair<std::vector<std::string>, std::string>> cases {
            {{}, "no command given"},
            {{"sort", "a"}, "unknown command \"sort\""},
            {{"organize"}, "no PATH given"},
            {{"lookup"}, "no FILE given"},
            {{"organize", "--move", "--copy", "a"}, "--move and --copy cannot be given together"},
            {{"organize", "--mode", "sideways", "a"}, "unknown mode \"sideways\""},
            {{"organize", "a", "--mode"}, "option --mode needs a value"},
            {{"organize", "--exists", "keep", "a"},
             "--exists takes rename, overwrite, skip or identical, not \"keep\""},
            {{"organize", "--frobnicate", "a"}, "unknown option --frobnicate"},
            {{"organize", "--move=yes", "a"}, "option --move takes no value"},
            {{"organize", "--out=", "a"}, "option --out needs a folder"},
            {{"lookup", "--move", "a"}, "option --move is not valid for lookup"},
            {{"--version", "x"}, "--version takes no arguments"},
    };
    for (const auto& [args, error] : cases) {
        const auto parsed = Parse(args);
        EXPECT_FALSE(parsed.ok) << error;
        EXPECT_EQ(parsed.error, error);
    }
}

TEST(CliArgs, HelpAndVersion)
{
    EXPECT_EQ(Parse({"--help"}).request.command, CliCommand::Help);
    EXPECT_EQ(Parse({"-h"}).request.command, CliCommand::Help);
    EXPECT_EQ(Parse({"organize", "--help"}).request.command, CliCommand::Help);
    EXPECT_EQ(Parse({"--version"}).request.command, CliCommand::Version);
    EXPECT_TRUE(Parse({"--version"}).ok);
}

TEST(CliArgs, LookupTakesOnlyTheMode)
{
    const auto parsed = Parse({"lookup", "--mode=orientation", "a.jpg", "b.jpg"});
    ASSERT_TRUE(parsed.ok) << parsed.error;
    EXPECT_EQ(parsed.request.command, CliCommand::Lookup);
    EXPECT_EQ(parsed.request.flags.mode, OrganizeMode::Orientation);
    EXPECT_EQ(parsed.request.paths.size(), 2u);
}

TEST(CliArgs, FlagsOverrideOnlyWhatTheyName)
{
    OrganizeOptions saved;
    saved.Mode = OrganizeMode::Created;
    saved.OutputFolderType = 1;
    saved.CustomTargetFolder = "E:\\Saved\\";
    saved.TargetExistsOpt = TargetExistsPolicy::Overwrite;
    saved.SaveToLog = 1;
    saved.LogFile = "E:\\log.txt";
    saved.RenameTargetFileName = 0;
    saved.TargetFilenameFormat = "%N";

    OrganizeOptions untouched = saved;
    ApplyFlags(OrganizeFlags {}, untouched);
    EXPECT_EQ(untouched.Mode, OrganizeMode::Created);
    EXPECT_EQ(untouched.CustomTargetFolder, "E:\\Saved\\");
    EXPECT_EQ(untouched.TargetExistsOpt, TargetExistsPolicy::Overwrite);
    EXPECT_EQ(untouched.SaveToLog, 1u);
    EXPECT_EQ(untouched.RenameTargetFileName, 0u);
    EXPECT_EQ(untouched.CreateYearFolder, 1u);

    OrganizeFlags flags;
    flags.mode = OrganizeMode::Extension;
    flags.rename = "%Y %N";
    flags.noMonth = true;
    flags.exts = "jpg";
    flags.noSubfolders = true;
    OrganizeOptions changed = saved;
    ApplyFlags(flags, changed);
    EXPECT_EQ(changed.Mode, OrganizeMode::Extension);
    EXPECT_EQ(changed.RenameTargetFileName, 1u);
    EXPECT_EQ(changed.TargetFilenameFormat, "%Y %N");
    EXPECT_EQ(changed.CreateMonthFolder, 0u);
    EXPECT_EQ(changed.CreateYearFolder, 1u);
    EXPECT_EQ(changed.EnableExtFilter, 1u);
    EXPECT_EQ(changed.AllowExts, "jpg");
    EXPECT_EQ(changed.AddFilesInSubfolder, 0u);
    EXPECT_EQ(changed.CustomTargetFolder, "E:\\Saved\\");

    OrganizeFlags out;
    out.outFolder = "F:\\Out";
    out.log = "F:\\l.txt";
    out.exists = TargetExistsPolicy::Skip;
    OrganizeOptions fresh;
    ApplyFlags(out, fresh);
    EXPECT_EQ(fresh.OutputFolderType, 1u);
    EXPECT_EQ(fresh.CustomTargetFolder, "F:\\Out");
    EXPECT_EQ(fresh.SaveToLog, 1u);
    EXPECT_EQ(fresh.LogFile, "F:\\l.txt");
    EXPECT_EQ(fresh.TargetExistsOpt, TargetExistsPolicy::Skip);
}

TEST(CliArgs, LibraryHygieneFlagsAreOffUnlessGiven)
{
    const auto plain = Parse({"organize", "x"});
    ASSERT_TRUE(plain.ok) << plain.error;
    OrganizeOptions untouched;
    ApplyFlags(plain.request.flags, untouched);
    EXPECT_EQ(untouched.CompanionFiles, 0u);
    EXPECT_EQ(untouched.NameDates, 0u);
    EXPECT_EQ(untouched.TargetExistsOpt, TargetExistsPolicy::RenameAutomatically);

    const auto parsed = Parse({"organize", "--companions", "--name-dates", "--exists=identical", "x"});
    ASSERT_TRUE(parsed.ok) << parsed.error;
    OrganizeOptions options;
    ApplyFlags(parsed.request.flags, options);
    EXPECT_EQ(options.CompanionFiles, 1u);
    EXPECT_EQ(options.NameDates, 1u);
    EXPECT_EQ(options.TargetExistsOpt, TargetExistsPolicy::RenameUnlessIdentical);

    const auto lookup = Parse({"lookup", "--name-dates", "--mode", "taken-else-modified", "f"});
    ASSERT_TRUE(lookup.ok) << lookup.error;
    EXPECT_TRUE(lookup.request.flags.nameDates);
    EXPECT_EQ(Parse({"lookup", "--companions", "f"}).error, "option --companions is not valid for lookup");
    EXPECT_EQ(Parse({"organize", "--companions=yes", "f"}).error, "option --companions takes no value");
}

TEST(CliArgs, CloudFilesAreDownloadedOnlyWhenAsked)
{
    OrganizeOptions untouched;
    ApplyFlags(Parse({"organize", "x"}).request.flags, untouched);
    EXPECT_EQ(untouched.DownloadCloudFiles, 0u);

    const auto parsed = Parse({"organize", "--download-cloud-files", "x"});
    ASSERT_TRUE(parsed.ok) << parsed.error;
    OrganizeOptions options;
    ApplyFlags(parsed.request.flags, options);
    EXPECT_EQ(options.DownloadCloudFiles, 1u);
    EXPECT_EQ(Parse({"lookup", "--download-cloud-files", "f"}).error,
              "option --download-cloud-files is not valid for lookup");
    EXPECT_NE(std::string(UsageText()).find("--download-cloud-files"), std::string::npos);
}

TEST(CliArgs, AnUnknownSavedModeBecomesTaken)
{
    OrganizeOptions saved;
    saved.Mode = static_cast<OrganizeMode>(4711);
    ApplyFlags(OrganizeFlags {}, saved);
    EXPECT_EQ(saved.Mode, OrganizeMode::Taken);
}

TEST(CliReport, OutcomesAddUpToTheExitStatus)
{
    RunTally tally;
    tally.Add(RowOutcome::Done);
    tally.Add(RowOutcome::Skipped);
    EXPECT_EQ(tally.ExitStatus(2), kExitOk);
    EXPECT_EQ(tally.Summary(2, false), "2 files, 1 OK, 1 skipped, 0 failed");
    EXPECT_EQ(tally.ExitStatus(3), kExitFailed);
    EXPECT_EQ(
            tally.Summary(3, true),
            "2 files, 1 OK, 1 skipped, 0 failed, 1 not processed (cancelled) (dry run: nothing was changed)");
    tally.Add(RowOutcome::Failed);
    EXPECT_EQ(tally.ExitStatus(3), kExitFailed);
    EXPECT_EQ(tally.Failed(), 1);
}

TEST(CliReport, LinesAndTexts)
{
    EXPECT_EQ(RowLine("C:\\a.jpg", "D:\\2012\\a.jpg", "OK"), "C:\\a.jpg\tD:\\2012\\a.jpg\tOK\n");
    EXPECT_EQ(RowLine("C:\\a", "", "No file extension"), "C:\\a\t\tNo file extension\n");
    EXPECT_EQ(DateTimeText({2010, 7, 15, 14, 3, 9}), "2010:07:15 14:03:09");
    EXPECT_EQ(DateTimeText({-1, 0, 0, 0, 0, 0}), "-001:00:00 00:00:00");
}

}  // namespace

namespace {

TEST(CliArgs, ClockRulesComeBeforeTheSavedOnesAndTheDayStartReplacesIt)
{
    const auto parsed = Parse({"organize", "--shift", "Canon EOS 5D=+01:00", "--shift=NIKON D700#1=-00:07:36",
                               "--day-begins", "04:30", "C:\\a"});
    ASSERT_TRUE(parsed.ok) << parsed.error;
    EXPECT_EQ(parsed.request.flags.shifts,
              (std::vector<std::string> {"Canon EOS 5D=+01:00", "NIKON D700#1=-00:07:36"}));
    OrganizeOptions options;
    options.ClockRules = "*=+1d\n";
    ApplyFlags(parsed.request.flags, options);
    EXPECT_EQ(options.ClockRules, "Canon EOS 5D=+01:00\nNIKON D700#1=-00:07:36\n*=+1d\n");
    EXPECT_EQ(options.DayBegins, "04:30");

    // Without the flags the saved values stay.
    OrganizeOptions saved;
    saved.ClockRules = "*=+1d\n";
    saved.DayBegins = "05:00";
    ApplyFlags(Parse({"organize", "C:\\a"}).request.flags, saved);
    EXPECT_EQ(saved.ClockRules, "*=+1d\n");
    EXPECT_EQ(saved.DayBegins, "05:00");
}

TEST(CliArgs, ClockOptionsAreCheckedAndBelongToTheirCommands)
{
    EXPECT_TRUE(Parse({"lookup", "--shift", "*=+01:00", "C:\\a"}).ok);
    EXPECT_EQ(Parse({"lookup", "--day-begins", "04:00", "C:\\a"}).error,
              "option --day-begins is not valid for lookup");
    EXPECT_EQ(Parse({"organize", "--shift", "*=1:00", "C:\\a"}).error,
              "Not a clock rule: \"*=1:00\" (the shift is + or - with HH:MM, HH:MM:SS, Nd or Nd HH:MM)");
    EXPECT_EQ(Parse({"organize", "--day-begins", "7", "C:\\a"}).error,
              "--day-begins takes a time of day HH:MM (00:00 to 23:59), not \"7\"");
    EXPECT_EQ(Parse({"organize", "--shift"}).error, "option --shift needs a value");
    EXPECT_EQ(Parse({"undo", "--shift", "*=+01:00"}).error, "option --shift is not valid for undo");

    const auto shiftFrom = Parse({"shift-from", "C:\\a.jpg", "C:\\b.jpg"});
    ASSERT_TRUE(shiftFrom.ok) << shiftFrom.error;
    EXPECT_EQ(shiftFrom.request.command, CliCommand::ShiftFrom);
    EXPECT_EQ(shiftFrom.request.paths, (std::vector<std::string> {"C:\\a.jpg", "C:\\b.jpg"}));
    EXPECT_EQ(Parse({"shift-from", "C:\\a.jpg"}).error, "shift-from takes two files: FILE_A FILE_B");
    EXPECT_EQ(Parse({"shift-from", "a", "b", "c"}).error, "shift-from takes two files: FILE_A FILE_B");
    EXPECT_EQ(Parse({"shift-from", "--shift", "*=+01:00", "a", "b"}).error, "shift-from takes no options");
}

}  // namespace
TEST(CliArgs, TakeoutDatesOnlyWhenAsked)
{
    OrganizeOptions untouched;
    ApplyFlags(Parse({"organize", "x"}).request.flags, untouched);
    EXPECT_EQ(untouched.TakeoutDates, 0u);

    const auto parsed = Parse({"organize", "--takeout", "x"});
    ASSERT_TRUE(parsed.ok) << parsed.error;
    OrganizeOptions options;
    ApplyFlags(parsed.request.flags, options);
    EXPECT_EQ(options.TakeoutDates, 1u);

    const auto lookup = Parse({"lookup", "--takeout", "--explain", "f"});
    ASSERT_TRUE(lookup.ok) << lookup.error;
    EXPECT_TRUE(lookup.request.flags.takeout);
    EXPECT_EQ(Parse({"undo", "--takeout"}).error, "option --takeout is not valid for undo");
    EXPECT_EQ(Parse({"organize", "--takeout=1", "f"}).error, "option --takeout takes no value");
}

TEST(CliArgs, CopiesAreVerifiedOnlyWhenAsked)
{
    OrganizeOptions untouched;
    ApplyFlags(Parse({"organize", "--out", "o", "x"}).request.flags, untouched);
    EXPECT_EQ(untouched.VerifyCopies, 0u);

    const auto parsed = Parse({"organize", "--verify", "--out", "o", "x"});
    ASSERT_TRUE(parsed.ok) << parsed.error;
    OrganizeOptions options;
    ApplyFlags(parsed.request.flags, options);
    EXPECT_EQ(options.VerifyCopies, 1u);
    EXPECT_EQ(Parse({"lookup", "--verify", "f"}).error, "option --verify is not valid for lookup");
    EXPECT_EQ(Parse({"organize", "--verify=1", "f"}).error, "option --verify takes no value");
}

TEST(CliArgs, FilesTheLibraryHasAreSkippedOnlyWhenAsked)
{
    OrganizeOptions untouched;
    ApplyFlags(Parse({"organize", "--out", "o", "x"}).request.flags, untouched);
    EXPECT_EQ(untouched.SkipKnownFiles, 0u);

    const auto parsed = Parse({"organize", "--skip-known", "--out", "o", "x"});
    ASSERT_TRUE(parsed.ok) << parsed.error;
    OrganizeOptions options;
    ApplyFlags(parsed.request.flags, options);
    EXPECT_EQ(options.SkipKnownFiles, 1u);
    EXPECT_EQ(Parse({"lookup", "--skip-known", "f"}).error, "option --skip-known is not valid for lookup");

    const auto lookup = Parse({"lookup", "--library", "D:\\Photos", "f"});
    ASSERT_TRUE(lookup.ok) << lookup.error;
    EXPECT_EQ(lookup.request.flags.library, std::optional<std::string>("D:\\Photos"));
    EXPECT_EQ(Parse({"organize", "--library", "D:\\Photos", "f"}).error,
              "option --library is not valid for organize");
    EXPECT_EQ(Parse({"lookup", "--library", "D:\\Photos", "--mode", "modified", "f"}).error,
              "--library finds files, not dates: it takes no --mode, --explain or --name-dates");
    EXPECT_EQ(Parse({"lookup", "--library=", "f"}).error, "option --library needs a folder");
}
