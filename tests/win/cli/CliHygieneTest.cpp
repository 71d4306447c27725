// quillmere-cli with the library hygiene flags: --exists identical (dry run included),
// --companions (photos of one name from two cameras included), --name-dates, and lookup naming a
// date read from the file name.
#include <windows.h>

#include <gtest/gtest.h>

#include <algorithm>
#include <map>

#include "tests/support/ContainerSamples.h"
#include "tests/support/JpegBuilder.h"
#include "tests/support/TempTree.h"
#include "tests/win/cli/CliProcess.h"

namespace {

std::vector<unsigned char> JpegTaken(const std::string& date)
{
    qmtest::Ifd exif;
    exif.Ascii(0x9003, date);
    qmtest::Ifd ifd0;
    ifd0.Short(0x0112, 1).Sub(0x8769, exif);
    return qmtest::MinimalJpeg(ifd0);
}

// A Live Photo's still: its date and Apple's content identifier in the maker note.
std::vector<unsigned char> LiveStill(const std::string& date, const std::string& identifier)
{
    qmtest::Ifd exif;
    exif.Ascii(0x9003, date).Undefined(0x927C, qmtest::AppleMakerNote(identifier));
    qmtest::Ifd ifd0;
    ifd0.Short(0x0112, 1).Sub(0x8769, exif);
    return qmtest::MinimalJpeg(ifd0);
}

std::vector<std::string> Sorted(std::vector<std::string> lines)
{
    std::sort(lines.begin(), lines.end());
    return lines;
}

bool SetModifiedLocal(const std::string& path, WORD year, WORD month, WORD day, WORD hour, WORD minute)
{
    HANDLE h = CreateFileA(path.c_str(), FILE_WRITE_ATTRIBUTES, 0, nullptr, OPEN_EXISTING, 0, nullptr);
    if (h == INVALID_HANDLE_VALUE)
        return false;
    SYSTEMTIME local {year, month, 0, day, hour, minute, 0, 0};
    FILETIME localFt, utcFt;
    const bool ok = SystemTimeToFileTime(&local, &localFt) && LocalFileTimeToFileTime(&localFt, &utcFt) &&
                    SetFileTime(h, nullptr, nullptr, &utcFt);
    CloseHandle(h);
    return ok;
}

class CliHygiene : public ::testing::Test {
protected:
    void SetUp() override
    {
        if (GetFileAttributesA(CliProgram().c_str()) == INVALID_FILE_ATTRIBUTES)
            FAIL() << "quillmere-cli.exe is not built: " << CliProgram();
        ASSERT_TRUE(CreateDirectoryA(tree.Path("src").c_str(), nullptr));
    }

    std::string Src(const std::string& name) const { return tree.Path("src\\" + name); }
    std::string Out(const std::string& name = "") const { return tree.Path("out\\" + name); }

    TempTree tree;
};

}  // namespace

TEST_F(CliHygiene, IdenticalPolicyInARealRunAndInTheDryRun)
{
    const auto photo = JpegTaken("2012:01:27 10:00:00");
    ASSERT_TRUE(WriteData(Src("a.jpg"), photo));
    ASSERT_TRUE(WriteText(Src("b.jpg"), "not the same"));
    ASSERT_TRUE(CreateDirectoryA(Out().c_str(), nullptr));
    ASSERT_TRUE(CreateDirectoryA(Out("JPG").c_str(), nullptr));
    ASSERT_TRUE(WriteData(Out("JPG\\a.jpg"), photo));
    ASSERT_TRUE(WriteText(Out("JPG\\b.jpg"), "not the samE"));  // the same size, another last byte

    const std::vector<std::string> expected {
            Src("a.jpg") + "\t" + Out("JPG\\a.jpg") + "\tIdentical file exists; skipped",
            Src("b.jpg") + "\t" + Out("JPG\\b_1.jpg") + "\tOK",
    };
    const auto before = Snapshot(tree.Path(""));
    const CliOutcome dry = RunCli({"organize", "--dry-run", "--move", "--mode", "extension", "--exists",
                                   "identical", "--out", Out(), Src("a.jpg"), Src("b.jpg")});
    EXPECT_EQ(dry.exitCode, 0u) << dry.err;
    EXPECT_EQ(Lines(dry.out), expected);
    EXPECT_EQ(Lines(dry.err), (std::vector<std::string> {
                                      "2 files, 1 OK, 1 skipped, 0 failed (dry run: nothing was changed)"}));
    EXPECT_EQ(Snapshot(tree.Path("")), before);

    const CliOutcome run = RunCli({"organize", "--move", "--mode", "extension", "--exists", "identical",
                                   "--out", Out(), Src("a.jpg"), Src("b.jpg")});
    EXPECT_EQ(run.exitCode, 0u) << run.err;
    EXPECT_EQ(Lines(run.out), expected);
    EXPECT_EQ(GetFileAttributesA(Src("a.jpg").c_str()) != INVALID_FILE_ATTRIBUTES, true);
    EXPECT_EQ(ReadText(Out("JPG\\b_1.jpg")), "not the same");
}

TEST_F(CliHygiene, CompanionsFollowTheirPhotoInTheDryRunAndTheRealOne)
{
    ASSERT_TRUE(WriteData(Src("IMG_1.JPG"), JpegTaken("2012:01:27 10:46:15")));
    ASSERT_TRUE(WriteText(Src("IMG_1.xmp"), "<x/>"));
    ASSERT_TRUE(WriteText(Src("IMG_1.MOV"), "video"));
    const std::string base = Out("2012\\2012_01\\2012_01_27\\20120127_104615");
    const std::vector<std::string> expected {
            Src("IMG_1.JPG") + "\t" + base + ".JPG\tOK",
            Src("IMG_1.MOV") + "\t" + base + ".MOV\tOK",
            Src("IMG_1.xmp") + "\t" + base + ".xmp\tOK",
    };
    for (const bool dryRun : {true, false}) {
        std::vector<std::string> args {"organize",      "--companions", "--rename",
                                       "%Y%M%D_%H%I%S", "--out",        Out()};
        if (dryRun)
            args.push_back("--dry-run");
        args.push_back(Src(""));
        const CliOutcome run = RunCli(args);
        EXPECT_EQ(run.exitCode, 0u) << run.err;
        // The companions follow their photo; the folder scan decides which comes first.
        const std::vector<std::string> lines = Lines(run.out);
        ASSERT_EQ(lines.size(), 3u);
        EXPECT_EQ(lines[0], expected[0]);
        EXPECT_EQ(Sorted(lines), expected) << (dryRun ? "dry run" : "run");
    }
    EXPECT_EQ(ReadText(base + ".xmp"), "<x/>");
}

TEST_F(CliHygiene, NameDatesInOrganizeAndLookup)
{
    ASSERT_TRUE(WriteText(Src("Screenshot_2020-01-01-12-34-56.png"), "pixels"));
    const std::string file = Src("Screenshot_2020-01-01-12-34-56.png");

    const CliOutcome plain = RunCli({"lookup", "--mode", "taken-else-modified", file});
    EXPECT_EQ(plain.out.find("2020:01:01"), std::string::npos) << plain.out;

    const CliOutcome lookup = RunCli({"lookup", "--mode", "taken-else-modified", "--name-dates", file});
    EXPECT_EQ(lookup.exitCode, 0u);
    EXPECT_EQ(lookup.out, file + "\t2020:01:01 12:34:56 (file name)\n");

    const CliOutcome run = RunCli(
            {"organize", "--mode", "taken-else-modified", "--name-dates", "--no-day", "--out", Out(), file});
    EXPECT_EQ(run.exitCode, 0u) << run.err;
    EXPECT_EQ(run.out, file + "\t" + Out("2020\\2020_01\\Screenshot_2020-01-01-12-34-56.png") +
                               "\tOK (date from file name)\n");
    EXPECT_EQ(Lines(run.err), (std::vector<std::string> {"1 files, 1 OK, 0 skipped, 0 failed"}));
}

TEST_F(CliHygiene, ALivePhotoPairWithContentIdentifiersPairsOnlyWhenTheyMatch)
{
    // The videos' own date is weeks off: whichever folder a video lands in shows which date won.
    const auto videoDate = uint32_t(qmtest::MovieSeconds(2019, 6, 15, 12, 0, 0));
    ASSERT_TRUE(WriteData(Src("IMG_1.JPG"), LiveStill("2019:05:04 23:00:00", "ID-ONE")));
    ASSERT_TRUE(WriteData(Src("IMG_1.MOV"), qmtest::BuildMovie("qt  ", videoDate, videoDate, "ID-ONE")));
    ASSERT_TRUE(WriteData(Src("IMG_2.JPG"), LiveStill("2019:05:04 23:00:00", "ID-TWO")));
    ASSERT_TRUE(WriteData(Src("IMG_2.MOV"), qmtest::BuildMovie("qt  ", videoDate, videoDate, "ID-OTHER")));

    const CliOutcome run = RunCli({"organize", "--companions", "--no-day", "--out", Out(), Src("")});
    EXPECT_EQ(run.exitCode, 0u) << run.err;
    std::map<std::string, std::string> targets;
    for (const std::string& line : Lines(run.out)) {
        const std::size_t tab1 = line.find('\t');
        const std::size_t tab2 = line.find('\t', tab1 + 1);
        ASSERT_NE(tab2, std::string::npos) << line;
        targets[line.substr(0, tab1)] = line.substr(tab1 + 1, tab2 - tab1 - 1);
    }
    EXPECT_EQ(targets[Src("IMG_1.MOV")], Out("2019\\2019_05\\IMG_1.MOV"));
    // Not the same Live Photo: the video is sorted by its own date.
    EXPECT_EQ(targets[Src("IMG_2.MOV")], Out("2019\\2019_06\\IMG_2.MOV"));
    EXPECT_EQ(targets[Src("IMG_2.JPG")], Out("2019\\2019_05\\IMG_2.JPG"));
}

TEST_F(CliHygiene, TwoCamerasPhotosOfOneNameKeepTheirOwnSidecarsUnderEveryPolicy)
{
    // Camera A's JPEG and camera B's raw, each with edits in IMG_0001.XMP, into one folder; for
    // all but Skip an older IMG_0001.XMP is there before the run.
    struct Case {
        const char* policy;
        bool oldSidecar;
        std::vector<std::string> rows;  // target and result, in the order of the sources
        std::map<std::string, std::string> out;  // the output folder afterwards
        std::map<std::string, std::string> left;  // what stays in the source folder
    };
    const std::string kA = "camera A photo", kAx = "camera A edits", kB = "camera B raw",
                      kBx = "camera B edits";
    const std::string kOld = "older edits";
    const Case cases[] = {
            {"rename",
             true,
             {"IMG_0001_1.JPG\tOK", "IMG_0001_1.XMP\tOK", "IMG_0001_2.DNG\tOK", "IMG_0001_2.XMP\tOK"},
             {{"IMG_0001.XMP", kOld},
              {"IMG_0001_1.JPG", kA},
              {"IMG_0001_1.XMP", kAx},
              {"IMG_0001_2.DNG", kB},
              {"IMG_0001_2.XMP", kBx}},
             {}},
            {"identical",
             true,
             {"IMG_0001_1.JPG\tOK", "IMG_0001_1.XMP\tOK", "IMG_0001_2.DNG\tOK", "IMG_0001_2.XMP\tOK"},
             {{"IMG_0001.XMP", kOld},
              {"IMG_0001_1.JPG", kA},
              {"IMG_0001_1.XMP", kAx},
              {"IMG_0001_2.DNG", kB},
              {"IMG_0001_2.XMP", kBx}},
             {}},
            // The older sidecar is replaced; camera A's, which this run placed, never is.
            {"overwrite",
             true,
             {"IMG_0001.JPG\tOK", "IMG_0001.XMP\tOK", "IMG_0001_1.DNG\tOK", "IMG_0001_1.XMP\tOK"},
             {{"IMG_0001.JPG", kA}, {"IMG_0001.XMP", kAx}, {"IMG_0001_1.DNG", kB}, {"IMG_0001_1.XMP", kBx}},
             {}},
            // Camera B's raw stays with its sidecar.
            {"skip",
             false,
             {"IMG_0001.JPG\tOK", "IMG_0001.XMP\tOK",
              "IMG_0001.DNG\tTarget file of a companion exists (IMG_0001.XMP); skipped",
              "IMG_0001.XMP\tTarget file exists; skipped"},
             {{"IMG_0001.JPG", kA}, {"IMG_0001.XMP", kAx}},
             {{"camB\\IMG_0001.DNG", kB}, {"camB\\IMG_0001.XMP", kBx}}},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.policy);
        RemoveTree(tree.Path("src"));
        RemoveTree(Out());
        ASSERT_TRUE(CreateDirectoryA(tree.Path("src").c_str(), nullptr));
        ASSERT_TRUE(CreateDirectoryA(Src("camA").c_str(), nullptr));
        ASSERT_TRUE(CreateDirectoryA(Src("camB").c_str(), nullptr));
        ASSERT_TRUE(CreateDirectoryA(Out().c_str(), nullptr));
        const std::vector<std::string> sources {Src("camA\\IMG_0001.JPG"), Src("camA\\IMG_0001.XMP"),
                                                Src("camB\\IMG_0001.DNG"), Src("camB\\IMG_0001.XMP")};
        ASSERT_TRUE(WriteText(sources[0], kA));
        ASSERT_TRUE(WriteText(sources[1], kAx));
        ASSERT_TRUE(WriteText(sources[2], kB));
        ASSERT_TRUE(WriteText(sources[3], kBx));
        if (c.oldSidecar) {
            ASSERT_TRUE(WriteText(Out("IMG_0001.XMP"), kOld));
        }
        std::vector<std::string> expected;
        for (std::size_t i = 0; i < sources.size(); ++i)
            expected.push_back(sources[i] + "\t" + Out(c.rows[i]));

        std::vector<std::string> args {"organize",  "--move",     "--companions", "--mode",   "modified",
                                       "--no-year", "--no-month", "--no-day",     "--exists", c.policy,
                                       "--out",     Out(),        "--dry-run"};
        args.insert(args.end(), sources.begin(), sources.end());
        const auto before = Snapshot(tree.Path(""));
        const CliOutcome dry = RunCli(args);
        EXPECT_EQ(dry.exitCode, 0u) << dry.err;
        EXPECT_EQ(Lines(dry.out), expected);
        EXPECT_EQ(Snapshot(tree.Path("")), before);

        args.erase(std::find(args.begin(), args.end(), "--dry-run"));
        const CliOutcome run = RunCli(args);
        EXPECT_EQ(run.exitCode, 0u) << run.err;
        EXPECT_EQ(Lines(run.out), expected);
        EXPECT_EQ(FilesBelow(Out()), c.out);
        EXPECT_EQ(FilesBelow(tree.Path("src\\")), c.left);
    }
}

TEST_F(CliHygiene, ALivePhotoVideoKeepsItsStillsNameBesideAnotherCamerasClip)
{
    // Another camera's clip of the same time comes first and takes the name the template gives.
    ASSERT_TRUE(CreateDirectoryA(Src("camA").c_str(), nullptr));
    ASSERT_TRUE(CreateDirectoryA(Src("camB").c_str(), nullptr));
    const std::vector<std::string> sources {Src("camB\\IMG_0002.MOV"), Src("camA\\IMG_0002.JPG"),
                                            Src("camA\\IMG_0002.MOV")};
    ASSERT_TRUE(WriteText(sources[0], "the other camera's clip"));
    ASSERT_TRUE(WriteText(sources[1], "the still"));
    ASSERT_TRUE(WriteText(sources[2], "the still's video"));
    for (const std::string& source : sources)
        ASSERT_TRUE(SetModifiedLocal(source, 2012, 1, 27, 10, 46));
    const std::vector<std::string> expected {
            sources[0] + "\t" + Out("20120127_1046.MOV") + "\tOK",
            sources[1] + "\t" + Out("20120127_1046_1.JPG") + "\tOK",
            sources[2] + "\t" + Out("20120127_1046_1.MOV") + "\tOK",
    };
    std::vector<std::string> args {"organize",    "--companions", "--mode",   "modified",
                                   "--no-year",   "--no-month",   "--no-day", "--rename",
                                   "%Y%M%D_%H%I", "--out",        Out(),      "--dry-run"};
    args.insert(args.end(), sources.begin(), sources.end());
    const CliOutcome dry = RunCli(args);
    EXPECT_EQ(dry.exitCode, 0u) << dry.err;
    EXPECT_EQ(Lines(dry.out), expected);
    EXPECT_FALSE(Exists(Out()));

    args.erase(std::find(args.begin(), args.end(), "--dry-run"));
    const CliOutcome run = RunCli(args);
    EXPECT_EQ(run.exitCode, 0u) << run.err;
    EXPECT_EQ(Lines(run.out), expected);
    EXPECT_EQ(FilesBelow(Out()), (std::map<std::string, std::string> {
                                         {"20120127_1046.MOV", "the other camera's clip"},
                                         {"20120127_1046_1.JPG", "the still"},
                                         {"20120127_1046_1.MOV", "the still's video"},
                                 }));
}
