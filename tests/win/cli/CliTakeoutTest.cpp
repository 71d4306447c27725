// quillmere-cli with --takeout on a generated Google Takeout export: dates from sidecars in every
// naming form, a file's own capture date first, no sidecar taken from another folder, sidecars
// travelling with their files under the files' new names, the summary's counts and the report.
#include <windows.h>

#include <gtest/gtest.h>

#include <algorithm>
#include <cstdint>
#include <cstdio>
#include <functional>
#include <map>
#include <vector>

#include "tests/support/JpegBuilder.h"
#include "tests/support/TempTree.h"
#include "tests/support/ZipBuilder.h"
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

// A JPEG without any date of its own.
std::vector<unsigned char> JpegWithoutDate()
{
    qmtest::Ifd ifd0;
    ifd0.Short(0x0112, 1);
    return qmtest::MinimalJpeg(ifd0);
}

// A sidecar as an export writes it.
std::string Sidecar(const std::string& title, std::int64_t taken, double latitude = 0, double longitude = 0)
{
    char geo[160];
    std::snprintf(geo, sizeof geo, "{\"latitude\": %.4f, \"longitude\": %.4f, \"altitude\": 0.0}", latitude,
                  longitude);
    return "{\n  \"title\": \"" + title + "\",\n  \"description\": \"\",\n  \"imageViews\": \"3\",\n" +
           "  \"creationTime\": {\"timestamp\": \"1600000000\", \"formatted\": \"13 Sep 2020\"},\n" +
           "  \"photoTakenTime\": {\"timestamp\": \"" + std::to_string(taken) +
           "\", \"formatted\": \"x\"},\n" + "  \"geoData\": " + geo + ",\n  \"geoDataExif\": " + geo +
           ",\n  \"url\": \"https:\\/\\/x\"\n}\n";
}

// The local time of an instant as this machine's zone gives it (the oracle: the system's own
// conversion), in the form of the EXIF texts and of the report.
SYSTEMTIME Local(std::int64_t seconds)
{
    const std::uint64_t ticks = static_cast<std::uint64_t>(seconds + 11644473600LL) * 10000000ULL;
    FILETIME utc {static_cast<DWORD>(ticks), static_cast<DWORD>(ticks >> 32)};
    SYSTEMTIME utcTime, local;
    EXPECT_TRUE(FileTimeToSystemTime(&utc, &utcTime));
    EXPECT_TRUE(SystemTimeToTzSpecificLocalTime(nullptr, &utcTime, &local));
    return local;
}

std::string ExifText(std::int64_t seconds)
{
    const SYSTEMTIME t = Local(seconds);
    char text[32];
    std::snprintf(text, sizeof text, "%04u:%02u:%02u %02u:%02u:%02u", t.wYear, t.wMonth, t.wDay, t.wHour,
                  t.wMinute, t.wSecond);
    return text;
}

std::string MonthFolder(std::int64_t seconds)
{
    const SYSTEMTIME t = Local(seconds);
    char text[32];
    std::snprintf(text, sizeof text, "%04u\\%04u_%02u\\", t.wYear, t.wYear, t.wMonth);
    return text;
}

// Noon UTC, so that the month is the same in every zone.
constexpr std::int64_t kMay7 = 1431000000;  // 2015-05-07
constexpr std::int64_t kJune1 = 1433160000;
constexpr std::int64_t kJuly2 = 1435838400;
constexpr std::int64_t kAug3 = 1438603200;
constexpr std::int64_t kSep4 = 1441368000;
constexpr std::int64_t kOct5 = 1444046400;
constexpr std::int64_t kNov6 = 1446811200;
constexpr std::int64_t kDec7 = 1449489600;
constexpr std::int64_t kFeb8 = 1391860800;  // 2014
constexpr std::int64_t kMar1 = 1425211200;
// kMay7 where IMG_0001's sidecar places it: Paris, in summer time.
const std::string kMay7InParis = "2015:05:07 14:00:00";

// 51 characters: its sidecar's name is cut to 46, the extension included.
const std::string kLongName = "PXL_20150601_120000000_holiday_in_the_mountains.jpg";

struct Row {
    std::string target;
    std::string result;
};

std::map<std::string, Row> RowsOf(const std::string& out)
{
    std::map<std::string, Row> rows;
    for (const std::string& line : Lines(out)) {
        const std::size_t tab1 = line.find('\t');
        const std::size_t tab2 = line.find('\t', tab1 + 1);
        EXPECT_NE(tab2, std::string::npos) << line;
        if (tab2 == std::string::npos)
            continue;
        rows[line.substr(0, tab1)] = {line.substr(tab1 + 1, tab2 - tab1 - 1), line.substr(tab2 + 1)};
    }
    return rows;
}

class CliTakeout : public ::testing::Test {
protected:
    void SetUp() override
    {
        if (GetFileAttributesA(CliProgram().c_str()) == INVALID_FILE_ATTRIBUTES)
            FAIL() << "quillmere-cli.exe is not built: " << CliProgram();
        for (const char* folder : {"Takeout", "Takeout\\Photos from 2015", "Takeout\\Trip"})
            ASSERT_TRUE(CreateDirectoryA(tree.Path(folder).c_str(), nullptr));
    }

    std::string Year(const std::string& name) const
    {
        return tree.Path("Takeout\\Photos from 2015\\" + name);
    }
    std::string Trip(const std::string& name) const { return tree.Path("Takeout\\Trip\\" + name); }
    std::string Out(const std::string& name = "") const { return tree.Path("out\\" + name); }

    void WriteExport()
    {
        const auto bare = JpegWithoutDate();
        const auto write = [](const std::string& path, const std::string& text) {
            ASSERT_TRUE(WriteText(path, text)) << path;
        };
        // The plain old form, with a real position.
        ASSERT_TRUE(WriteData(Year("IMG_0001.jpg"), bare));
        write(Year("IMG_0001.jpg.json"), Sidecar("IMG_0001.jpg", kMay7, 48.8584, 2.2945));
        // The file's own capture date wins over its sidecar's.
        ASSERT_TRUE(WriteData(Year("IMG_0002.jpg"), JpegTaken("2012:01:27 10:46:15")));
        write(Year("IMG_0002.jpg.supplemental-metadata.json"), Sidecar("IMG_0002.jpg", kMar1));
        // A name cut at 46 characters, its extension with it.
        ASSERT_TRUE(WriteData(Year(kLongName), bare));
        write(Year(kLongName.substr(0, 46) + ".json"), Sidecar(kLongName, kJune1));
        // Numbered duplicates, old and new form.
        ASSERT_TRUE(WriteData(Year("IMG_0003(1).jpg"), bare));
        write(Year("IMG_0003.jpg(1).json"), Sidecar("IMG_0003.jpg", kJuly2));
        ASSERT_TRUE(WriteData(Year("IMG_0004(1).jpg"), bare));
        write(Year("IMG_0004.jpg.supplemental-metadata(1).json"), Sidecar("IMG_0004.jpg", kAug3));
        // Without the media extension, position 0,0.
        ASSERT_TRUE(WriteData(Year("Peanut Butter Balls.jpg"), bare));
        write(Year("Peanut Butter Balls.supplemental-metadata.json"),
              Sidecar("Peanut Butter Balls.jpg", kSep4));
        // Edited copies in two languages take their original's.
        ASSERT_TRUE(WriteData(Year("IMG_0005.jpg"), bare));
        ASSERT_TRUE(WriteData(Year("IMG_0005-edited.jpg"), bare));
        write(Year("IMG_0005.jpg.json"), Sidecar("IMG_0005.jpg", kOct5));
        ASSERT_TRUE(WriteData(Year("Urlaub_am_Meer_2014_Foto_7.jpg"), bare));
        ASSERT_TRUE(WriteData(Year("Urlaub_am_Meer_2014_Foto_7-bearbeitet.jpg"), bare));
        write(Year("Urlaub_am_Meer_2014_Foto_7.jpg.supplemental-me.json"),
              Sidecar("Urlaub_am_Meer_2014_Foto_7.jpg", kFeb8));
        // A motion photo: the video takes the still's.
        ASSERT_TRUE(WriteData(Year("MVIMG_0006.jpg"), bare));
        ASSERT_TRUE(WriteText(Year("MVIMG_0006.MP4"), "not a movie the tool can date"));
        write(Year("MVIMG_0006.jpg.json"), Sidecar("MVIMG_0006.jpg", kNov6, -33.8568, 151.2153));
        // A file without a sidecar and a sidecar without a file.
        ASSERT_TRUE(WriteData(Year("lonely.jpg"), bare));
        write(Year("orphan.jpg.json"), Sidecar("orphan.jpg", kDec7));
        // The same name in an album folder, without a sidecar there: the year folder's is not its.
        ASSERT_TRUE(WriteData(Trip("IMG_0001.jpg"), bare));
    }

    TempTree tree;
};

}  // namespace

TEST_F(CliTakeout, DatesFromEveryFormAndSidecarsTravelWithTheirFiles)
{
    WriteExport();
    const std::string report = tree.Path("report.csv");
    const CliOutcome run =
            RunCli({"organize", "--takeout", "--companions", "--move", "--mode", "taken-else-modified",
                    "--no-day", "--out", Out(), "--report", report, tree.Path("Takeout")});
    ASSERT_TRUE(run.started);
    EXPECT_EQ(run.exitCode, 0u) << run.err;
    const auto rows = RowsOf(run.out);
    EXPECT_EQ(rows.size(), 24u) << run.out;

    const auto dated = [&](const std::string& source, std::int64_t when, const std::string& name,
                           const std::string& sidecar) {
        const auto found = rows.find(source);
        ASSERT_NE(found, rows.end()) << source << "\n" << run.out;
        EXPECT_EQ(found->second.target, Out(MonthFolder(when) + name)) << source;
        EXPECT_EQ(found->second.result, "OK (date from Takeout sidecar \"" + sidecar + "\")") << source;
    };
    const auto travelled = [&](const std::string& source, const std::string& target) {
        const auto found = rows.find(source);
        ASSERT_NE(found, rows.end()) << source << "\n" << run.out;
        EXPECT_EQ(found->second.target, target) << source;
        EXPECT_EQ(found->second.result, "OK") << source;
        EXPECT_EQ(GetFileAttributesA(source.c_str()), INVALID_FILE_ATTRIBUTES) << source;
        EXPECT_NE(ReadText(target).find("photoTakenTime"), std::string::npos) << target;
    };
    dated(Year("IMG_0001.jpg"), kMay7, "IMG_0001.jpg", "IMG_0001.jpg.json");
    travelled(Year("IMG_0001.jpg.json"), Out(MonthFolder(kMay7) + "IMG_0001.jpg.json"));
    dated(Year(kLongName), kJune1, kLongName, kLongName.substr(0, 46) + ".json");
    travelled(Year(kLongName.substr(0, 46) + ".json"), Out(MonthFolder(kJune1) + kLongName + ".json"));
    dated(Year("IMG_0003(1).jpg"), kJuly2, "IMG_0003(1).jpg", "IMG_0003.jpg(1).json");
    travelled(Year("IMG_0003.jpg(1).json"), Out(MonthFolder(kJuly2) + "IMG_0003(1).jpg.json"));
    dated(Year("IMG_0004(1).jpg"), kAug3, "IMG_0004(1).jpg", "IMG_0004.jpg.supplemental-metadata(1).json");
    travelled(Year("IMG_0004.jpg.supplemental-metadata(1).json"),
              Out(MonthFolder(kAug3) + "IMG_0004(1).jpg.json"));
    dated(Year("Peanut Butter Balls.jpg"), kSep4, "Peanut Butter Balls.jpg",
          "Peanut Butter Balls.supplemental-metadata.json");
    travelled(Year("Peanut Butter Balls.supplemental-metadata.json"),
              Out(MonthFolder(kSep4) + "Peanut Butter Balls.jpg.json"));
    dated(Year("IMG_0005.jpg"), kOct5, "IMG_0005.jpg", "IMG_0005.jpg.json");
    dated(Year("IMG_0005-edited.jpg"), kOct5, "IMG_0005-edited.jpg", "IMG_0005.jpg.json");
    travelled(Year("IMG_0005.jpg.json"), Out(MonthFolder(kOct5) + "IMG_0005.jpg.json"));
    dated(Year("Urlaub_am_Meer_2014_Foto_7.jpg"), kFeb8, "Urlaub_am_Meer_2014_Foto_7.jpg",
          "Urlaub_am_Meer_2014_Foto_7.jpg.supplemental-me.json");
    dated(Year("Urlaub_am_Meer_2014_Foto_7-bearbeitet.jpg"), kFeb8,
          "Urlaub_am_Meer_2014_Foto_7-bearbeitet.jpg", "Urlaub_am_Meer_2014_Foto_7.jpg.supplemental-me.json");
    travelled(Year("Urlaub_am_Meer_2014_Foto_7.jpg.supplemental-me.json"),
              Out(MonthFolder(kFeb8) + "Urlaub_am_Meer_2014_Foto_7.jpg.json"));
    dated(Year("MVIMG_0006.jpg"), kNov6, "MVIMG_0006.jpg", "MVIMG_0006.jpg.json");
    dated(Year("MVIMG_0006.MP4"), kNov6, "MVIMG_0006.MP4", "MVIMG_0006.jpg.json");
    travelled(Year("MVIMG_0006.jpg.json"), Out(MonthFolder(kNov6) + "MVIMG_0006.jpg.json"));

    // The file's own capture date; its sidecar still goes with it.
    EXPECT_EQ(rows.at(Year("IMG_0002.jpg")).target, Out("2012\\2012_01\\IMG_0002.jpg"));
    EXPECT_EQ(rows.at(Year("IMG_0002.jpg")).result, "OK");
    travelled(Year("IMG_0002.jpg.supplemental-metadata.json"), Out("2012\\2012_01\\IMG_0002.jpg.json"));

    // No sidecar: the file time, and marked; the sidecar of no file stays where it is.
    EXPECT_EQ(rows.at(Year("lonely.jpg")).result, "OK (no Takeout sidecar)");
    EXPECT_EQ(rows.at(Trip("IMG_0001.jpg")).result, "OK (no Takeout sidecar)");
    EXPECT_EQ(rows.at(Trip("IMG_0001.jpg")).target.find(MonthFolder(kMay7)), std::string::npos)
            << "a sidecar of another folder was taken";
    EXPECT_EQ(rows.at(Year("orphan.jpg.json")).target, "");
    EXPECT_EQ(rows.at(Year("orphan.jpg.json")).result, "Takeout sidecar of no file; skipped");
    EXPECT_NE(GetFileAttributesA(Year("orphan.jpg.json").c_str()), INVALID_FILE_ATTRIBUTES);

    EXPECT_EQ(Lines(run.err),
              (std::vector<std::string> {"24 files, 23 OK, 1 skipped, 0 failed, 2 files without a "
                                         "Takeout sidecar, 1 Takeout sidecar of no file"}));

    // The report lists each with its date's origin, and the unmatched ones by their results. The
    // photo taken in Paris (noon UTC) has Paris's summer time, whatever this computer's zone.
    const std::string csv = ReadText(report);
    EXPECT_NE(csv.find(Year("IMG_0001.jpg") + "," + Out(MonthFolder(kMay7) + "IMG_0001.jpg") +
                       ",\"OK (date from Takeout sidecar \"\"IMG_0001.jpg.json\"\")\"," +
                       "2015-05-07 14:00:00,\"Takeout sidecar \"\"IMG_0001.jpg.json\"\" "
                       "(Europe/Paris from the GPS position)\","),
              std::string::npos)
            << csv;
    EXPECT_NE(csv.find(Year("lonely.jpg") + "," + Out()), std::string::npos) << csv;
    EXPECT_NE(csv.find(",OK (no Takeout sidecar),"), std::string::npos) << csv;
    EXPECT_NE(csv.find(Year("orphan.jpg.json") + ",,Takeout sidecar of no file; skipped,,,"),
              std::string::npos)
            << csv;
}

TEST_F(CliTakeout, WithoutTheFlagNothingChanges)
{
    WriteExport();
    const CliOutcome run = RunCli({"organize", "--dry-run", "--mode", "taken-else-modified", "--no-day",
                                   "--out", Out(), tree.Path("Takeout\\Photos from 2015")});
    EXPECT_EQ(run.exitCode, 0u) << run.err;
    const auto rows = RowsOf(run.out);
    EXPECT_EQ(rows.at(Year("IMG_0001.jpg")).target.find(MonthFolder(kMay7)), std::string::npos);
    EXPECT_EQ(rows.at(Year("IMG_0001.jpg")).result, "OK");
    EXPECT_EQ(rows.at(Year("orphan.jpg.json")).result, "OK");
    EXPECT_EQ(run.err.find("Takeout sidecar"), std::string::npos) << run.err;
}

TEST_F(CliTakeout, SidecarsStayWithoutCompanionsAndARenamedFileTakesItsSidecarAlong)
{
    WriteExport();
    const CliOutcome plain = RunCli({"organize", "--takeout", "--dry-run", "--no-day", "--out", Out(),
                                     Year("IMG_0001.jpg"), Year("IMG_0001.jpg.json")});
    EXPECT_EQ(plain.exitCode, 0u) << plain.err;
    EXPECT_EQ(RowsOf(plain.out).at(Year("IMG_0001.jpg.json")).result,
              "Takeout sidecar of \"IMG_0001.jpg\"; skipped");

    const CliOutcome renamed =
            RunCli({"organize", "--takeout", "--companions", "--no-day", "--rename", "%Y-%M-%D", "--out",
                    Out(), Year("IMG_0001.jpg"), Year("IMG_0001.jpg.json")});
    EXPECT_EQ(renamed.exitCode, 0u) << renamed.err;
    const std::string day = ExifText(kMay7).substr(0, 10).replace(4, 1, "-").replace(7, 1, "-");
    const std::string target = Out(MonthFolder(kMay7) + day + ".jpg.json");
    EXPECT_EQ(RowsOf(renamed.out).at(Year("IMG_0001.jpg.json")).target, target) << renamed.out;
    EXPECT_EQ(ReadText(target), ReadText(Year("IMG_0001.jpg.json")));
    // Found again by the plain form.
    const CliOutcome again = RunCli({"lookup", "--takeout", Out(MonthFolder(kMay7) + day + ".jpg")});
    EXPECT_EQ(again.out,
              Out(MonthFolder(kMay7) + day + ".jpg") + "\t" + kMay7InParis + " (Takeout sidecar)\n");
}

TEST_F(CliTakeout, LookupExplainsTheSidecarAndADamagedOneIsAClearFailure)
{
    WriteExport();
    const CliOutcome lookup = RunCli({"lookup", "--explain", "--takeout", Year("IMG_0001.jpg"),
                                      Year("IMG_0002.jpg"), Year("IMG_0005-edited.jpg")});
    EXPECT_EQ(lookup.exitCode, 0u) << lookup.err;
    EXPECT_EQ(
            FirstColumns(lookup.out, 3),
            (std::vector<std::string> {Year("IMG_0001.jpg") + "\t" + kMay7InParis +
                                               " (Takeout sidecar)\tTakeout sidecar \"IMG_0001.jpg.json\" "
                                               "(Europe/Paris from the GPS position)",
                                       Year("IMG_0002.jpg") + "\t2012:01:27 10:46:15\tDate/Time Original",
                                       Year("IMG_0005-edited.jpg") + "\t" + ExifText(kOct5) +
                                               " (Takeout sidecar)\tTakeout sidecar \"IMG_0005.jpg.json\""}));
    // Without the flag, the file has no capture date.
    const CliOutcome plain = RunCli({"lookup", "--explain", Year("IMG_0001.jpg")});
    EXPECT_EQ(plain.out.find("Takeout sidecar"), std::string::npos) << plain.out;
    EXPECT_EQ(plain.exitCode, 1u);

    ASSERT_TRUE(WriteData(Year("IMG_0009.jpg"), JpegWithoutDate()));
    ASSERT_TRUE(WriteText(Year("IMG_0009.jpg.json"), "{\"title\": \"IMG_0009.jpg\", \"photoTakenTime\": "
                                                     "{\"timestamp\": \"14x\"}}"));
    const CliOutcome damaged = RunCli({"lookup", "--takeout", Year("IMG_0009.jpg")});
    EXPECT_EQ(damaged.exitCode, 1u);
    EXPECT_EQ(damaged.out,
              Year("IMG_0009.jpg") +
                      "\tFailed to read the file's metadata (Takeout sidecar \"IMG_0009.jpg.json\": a "
                      "timestamp that is not a whole number of seconds (at byte 63))\n");
}

namespace {

// One file of an export: its path below the export's root ("Forms\\a.jpg"), its bytes, and which
// of three archives holds it when the export is split.
struct ExportFile {
    std::string path;
    std::string bytes;
    int archive = 0;
};

// What a run makes of a file: the time its new name starts with ("YYYY-MM-DD HH_MM_SS"; empty:
// not looked at, the file's own time) and its result.
struct Expected {
    std::string path;
    std::string when;
    std::string result;
};

std::string Text(const std::vector<unsigned char>& bytes)
{
    return std::string(bytes.begin(), bytes.end());
}

// "2015:05:07 14:00:00" as the rename template below writes it.
std::string NameTime(std::string exif)
{
    exif[4] = exif[7] = '-';
    exif[13] = exif[16] = '_';
    return exif;
}

// Every naming form an export writes, in one folder, with what a run must make of each.
void FormsExport(std::vector<ExportFile>& files, std::vector<Expected>& expected)
{
    const std::string bare = Text(JpegWithoutDate());
    const std::string f = "Forms\\";
    std::int64_t next = kMar1;  // each sidecar a day of its own
    int archive = 0;
    const auto add = [&](const std::string& path, const std::string& bytes) {
        files.push_back({path, bytes, archive++ % 3});
    };
    // A photo and its sidecar, the sidecar in the next archive; the sidecar's instant.
    const auto pair = [&](const std::string& media, const std::string& sidecar, const std::string& title) {
        const std::int64_t when = next;
        next += 86400;
        files.push_back({f + media, bare, archive % 3});
        files.push_back({f + sidecar, Sidecar(title, when), (archive + 1) % 3});
        ++archive;
        return when;
    };
    const auto dated = [&](const std::string& media, std::int64_t when, const std::string& sidecar) {
        expected.push_back(
                {f + media, NameTime(ExifText(when)), "OK (date from Takeout sidecar \"" + sidecar + "\")"});
    };
    const auto both = [&](const std::string& media, const std::string& sidecar, const std::string& title) {
        dated(media, pair(media, sidecar, title), sidecar);
    };

    // The old and the new form side by side.
    both("Both.jpg", "Both.jpg.json", "Both.jpg");
    both("Both2.jpg", "Both2.jpg.supplemental-metadata.json", "Both2.jpg");
    // Names around the 46 characters a sidecar's name keeps: ".supplemental-me.json",
    // ".supplemen.json", ".s.json", "NAME..json", "NAME.json", and the media's extension cut.
    for (const std::size_t length : {30u, 36u, 44u, 45u, 46u, 47u, 48u}) {
        const std::string name = "L" + std::to_string(length) + "_" + std::string(length - 8, 'n') + ".jpg";
        both(name, (name + ".supplemental-metadata").substr(0, 46) + ".json", name);
    }
    // Numbered duplicates, with and without their first.
    both("Dup(1).jpg", "Dup.jpg(1).json", "Dup.jpg");
    both("Dup2(1).jpg", "Dup2.jpg.supplemental-metadata(1).json", "Dup2.jpg");
    both("Pair.jpg", "Pair.jpg.json", "Pair.jpg");
    both("Pair(1).jpg", "Pair.jpg(1).json", "Pair.jpg");
    // Without the media's extension.
    both("NoExt.jpg", "NoExt.json", "NoExt.jpg");
    both("NoExt2.jpg", "NoExt2.supplemental-metadata.json", "NoExt2.jpg");
    // Edited copies take their original's, also where the original is not there.
    int n = 0;
    for (const std::string suffix : {"-edited", "-bearbeitet", "-modifi\xC3\xA9", "-editado"}) {
        const std::string base = "Ed" + std::to_string(++n);
        const std::int64_t when = pair(base + ".jpg", base + ".jpg.json", base + ".jpg");
        add(f + base + suffix + ".jpg", bare);
        dated(base + ".jpg", when, base + ".jpg.json");
        dated(base + suffix + ".jpg", when, base + ".jpg.json");
    }
    add(f + "Lone-edited.jpg", bare);
    add(f + "Lone.jpg.json", Sidecar("Lone.jpg", next));
    dated("Lone-edited.jpg", next, "Lone.jpg.json");
    next += 86400;
    // Motion photos and Live Photos: the video takes the still's.
    n = 0;
    for (const std::string video : {".MP4", ".MOV", ".MP"}) {
        const std::string base = "Mo" + std::to_string(++n);
        const std::int64_t when = pair(base + ".jpg", base + ".jpg.json", base + ".jpg");
        add(f + base + video, "not a movie the tool can date");
        dated(base + ".jpg", when, base + ".jpg.json");
        dated(base + video, when, base + ".jpg.json");
    }
    // Two long names cut to one sidecar name: its title says whose it is.
    const std::string common(46, 'h');
    add(f + common + "1.jpg", bare);
    add(f + common + "2.jpg", bare);
    add(f + common + ".json", Sidecar(common + "2.jpg", next));
    dated(common + "2.jpg", next, common + ".json");
    next += 86400;
    expected.push_back({f + common + "1.jpg", "", "OK (no Takeout sidecar)"});
    // The same name in another folder without a sidecar: never the first folder's.
    both("Same.jpg", "Same.jpg.json", "Same.jpg");
    add("Album\\Same.jpg", bare);
    expected.push_back({"Album\\Same.jpg", "", "OK (no Takeout sidecar)"});
    // The photo's own capture date wins.
    add(f + "Own.jpg", Text(JpegTaken("2012:01:27 10:46:15")));
    add(f + "Own.jpg.json", Sidecar("Own.jpg", next));
    expected.push_back({f + "Own.jpg", "2012-01-27 10_46_15", "OK"});
    // A real position gives the local time of that place (every other sidecar has 0,0: this
    // computer's zone).
    add(f + "Paris.jpg", bare);
    add(f + "Paris.jpg.json", Sidecar("Paris.jpg", kMay7, 48.8584, 2.2945));
    expected.push_back(
            {f + "Paris.jpg", NameTime(kMay7InParis), "OK (date from Takeout sidecar \"Paris.jpg.json\")"});
    // A sidecar of no file.
    add(f + "Orphan.jpg.json", Sidecar("Orphan.jpg", kDec7));
    expected.push_back({f + "Orphan.jpg.json", "", "Takeout sidecar of no file; skipped"});
}

std::string FileName(const std::string& path)
{
    return path.substr(path.rfind('\\') + 1);
}

}  // namespace

TEST_F(CliTakeout, EveryFormAlikeFromAFolderAndFromAnExportSplitOverThreeArchives)
{
    std::vector<ExportFile> files;
    std::vector<Expected> expected;
    FormsExport(files, expected);
    ASSERT_TRUE(CreateDirectoryA(tree.Path("Takeout\\Forms").c_str(), nullptr));
    ASSERT_TRUE(CreateDirectoryA(tree.Path("Takeout\\Album").c_str(), nullptr));
    ASSERT_TRUE(CreateDirectoryA(tree.Path("zips").c_str(), nullptr));
    ZipBuilder zips[3];
    for (const ExportFile& file : files) {
        ASSERT_TRUE(WriteData(tree.Path("Takeout\\" + file.path),
                              std::vector<unsigned char>(file.bytes.begin(), file.bytes.end())))
                << file.path;
        std::string name = "Takeout/Google Photos/" + file.path;
        std::replace(name.begin(), name.end(), '\\', '/');
        zips[file.archive].Add(name, file.bytes, true);
    }
    const auto archiveName = [&](int i) {
        return tree.Path("zips\\takeout-20250203T030726Z-00" + std::to_string(i + 1) + ".zip");
    };
    for (int i = 0; i < 3; ++i) {
        const std::string bytes = zips[i].Build();
        ASSERT_TRUE(WriteData(archiveName(i), std::vector<unsigned char>(bytes.begin(), bytes.end())));
    }
    std::map<std::string, int> archiveOf;
    for (const ExportFile& file : files)
        archiveOf[file.path] = file.archive;

    const auto check = [&](const std::string& input, const std::string& out,
                           const std::function<std::string(const std::string&)>& source) {
        const std::string report = tree.Path(FileName(out) + ".csv");
        const CliOutcome run = RunCli({"organize", "--takeout", "--copy", "--mode", "taken-else-modified",
                                       "--no-year", "--no-month", "--no-day", "--rename",
                                       "%Y-%M-%D %H_%I_%S %N", "--out", out, "--report", report, input});
        ASSERT_TRUE(run.started);
        EXPECT_EQ(run.exitCode, 0u) << run.out << run.err;
        const auto rows = RowsOf(run.out);
        EXPECT_EQ(rows.size(), files.size()) << run.out << run.err;
        for (const Expected& e : expected) {
            const auto found = rows.find(source(e.path));
            ASSERT_NE(found, rows.end()) << source(e.path) << "\n" << run.out;
            EXPECT_EQ(found->second.result, e.result) << e.path << " from " << input;
            if (!e.when.empty()) {
                EXPECT_EQ(FileName(found->second.target).rfind(e.when + " ", 0), 0u)
                        << e.path << " from " << input << ": " << found->second.target;
            }
        }
        EXPECT_NE(run.err.find(", 2 files without a Takeout sidecar, 1 Takeout sidecar of no file"),
                  std::string::npos)
                << run.err;
        // The report lists the file without a sidecar and the sidecar of no file by their results.
        const std::string csv = ReadText(report);
        EXPECT_NE(csv.find(source("Album\\Same.jpg") + "," + out), std::string::npos) << csv;
        EXPECT_NE(csv.find(source("Forms\\Orphan.jpg.json") + ",,Takeout sidecar of no file; skipped,"),
                  std::string::npos)
                << csv;
    };
    check(tree.Path("Takeout"), Out("folder"),
          [&](const std::string& path) { return tree.Path("Takeout\\" + path); });
    check(tree.Path("zips"), Out("zips"), [&](const std::string& path) {
        return archiveName(archiveOf.at(path)) + "\\Takeout\\Google Photos\\" + path;
    });
}

// A sidecar's own row inside an archive is only skipped: nothing is taken out for it (its bytes
// come out with its photo's), so that even a damaged sidecar of no file reads as what it is.
TEST_F(CliTakeout, ASidecarsRowInAnArchiveIsSkippedWithoutTakingItOut)
{
    ASSERT_TRUE(CreateDirectoryA(tree.Path("zips").c_str(), nullptr));
    const auto bare = JpegWithoutDate();
    ZipBuilder zip;
    zip.Add("Takeout/Photos/a.jpg", std::string(bare.begin(), bare.end()));
    zip.Add("Takeout/Photos/a.jpg.json", Sidecar("a.jpg", kMay7));
    zip.Add("Takeout/Photos/orphan.jpg.json", Sidecar("orphan.jpg", kDec7));
    ZipLayout layout;
    std::string bytes = zip.Build(&layout);
    // The orphan's bytes no longer match its checksum: taking it out fails.
    bytes[layout.dataOffsets[2]] ^= 0x20;
    const std::string archive = tree.Path("zips\\takeout-20250203T030726Z-001.zip");
    ASSERT_TRUE(WriteData(archive, std::vector<unsigned char>(bytes.begin(), bytes.end())));
    const std::string lookup = archive + "\\Takeout\\Photos\\orphan.jpg.json";
    const CliOutcome damaged = RunCli({"lookup", lookup});
    EXPECT_NE((damaged.out + damaged.err).find("checksum (CRC-32) does not match"), std::string::npos)
            << damaged.out << damaged.err;

    const CliOutcome run = RunCli({"organize", "--takeout", "--copy", "--out", Out(), archive});
    EXPECT_EQ(run.exitCode, 0u) << run.out << run.err;
    const auto rows = RowsOf(run.out);
    const std::string photos = archive + "\\Takeout\\Photos\\";
    ASSERT_EQ(rows.size(), 3u) << run.out;
    EXPECT_EQ(rows.at(photos + "a.jpg").result, "OK (date from Takeout sidecar \"a.jpg.json\")");
    EXPECT_EQ(rows.at(photos + "a.jpg.json").result, "Takeout sidecar of \"a.jpg\"; skipped");
    EXPECT_EQ(rows.at(photos + "orphan.jpg.json").result, "Takeout sidecar of no file; skipped");
    EXPECT_EQ(GetFileAttributesA(Out("~qmzip.qmpart").c_str()), INVALID_FILE_ATTRIBUTES);
}
