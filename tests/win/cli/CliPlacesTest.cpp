// quillmere-cli with the place tags: photos carrying GPS positions go into folders and get names
// of their towns, regions and countries in the places' own spelling (non-ASCII letters included),
// through the real file system; files without a usable position go together under "Unknown
// place"; lookup --explain, the report and --version say where the names come from.
#include <windows.h>

#include <gtest/gtest.h>

#include "QuillmereVersion.h"
#include "tests/support/IsoSamples.h"
#include "tests/support/JpegBuilder.h"
#include "tests/support/TempTree.h"
#include "tests/win/cli/CliProcess.h"

namespace {

const std::string kKrakow = "Krak\xC3\xB3w";  // Kraków
const std::string kZurich = "Z\xC3\xBCrich";  // Zürich
const std::string kSaoPaulo = "S\xC3\xA3o Paulo";  // São Paulo
const std::string kReykjavik = "Reykjav\xC3\xADk";  // Reykjavík
// The region in its local spelling, not GeoNames' "Baden-Wurttemberg".
const std::string kBadenWuerttemberg = "Baden-W\xC3\xBCrttemberg";

std::vector<unsigned char> JpegAt(const std::string& date, const qmtest::Ifd* gps)
{
    qmtest::Ifd exif;
    exif.Ascii(0x9003, date);
    qmtest::Ifd ifd0;
    ifd0.Ascii(0x010F, "Phone").Sub(0x8769, exif);
    if (gps != nullptr)
        ifd0.Sub(0x8825, *gps);
    return qmtest::MinimalJpeg(ifd0);
}

class CliPlaces : public ::testing::Test {
protected:
    void SetUp() override
    {
        ASSERT_EQ(GetACP(), static_cast<UINT>(CP_UTF8)) << "the test program's manifest sets UTF-8";
        ASSERT_TRUE(CreateDirectoryA(tree.Path("src").c_str(), nullptr));
    }

    std::string Src(const std::string& name) const { return tree.Path("src\\" + name); }
    std::string Out(const std::string& name = "") const { return tree.Path("out\\" + name); }
    void Put(const std::string& name, double latitude, double longitude)
    {
        const qmtest::Ifd gps = qmtest::GpsIfd(latitude, longitude);
        ASSERT_TRUE(WriteData(Src(name), JpegAt("2019:07:14 10:00:00", &gps))) << name;
    }

    TempTree tree;
};

}  // namespace

TEST_F(CliPlaces, TownsRegionsAndCountriesNameFoldersAndFiles)
{
    Put("a.jpg", 50.0614, 19.9366);
    Put("b.jpg", 47.3769, 8.5417);
    Put("c.jpg", -23.5505, -46.6333);
    Put("d.jpg", 64.1466, -21.9426);
    Put("e.jpg", 48.5730, 7.8152);  // Kehl, across the Rhine from Strasbourg
    Put("sea.jpg", 30, -40);
    Put("zero.jpg", 0, 0);
    ASSERT_TRUE(WriteData(Src("none.jpg"), JpegAt("2019:07:14 10:00:00", nullptr)));

    const CliOutcome run = RunCli({"organize", "--copy", "--no-year", "--no-month", "--day-format",
                                   "%Y-%M-%D %T", "--rename", "%T, %C %N", "--out", Out(), Src("")});
    EXPECT_EQ(run.exitCode, 0u) << run.err << run.out;
    const auto files = Snapshot(Out());
    const std::string day = "2019-07-14 ";
    const std::string unknown = day + "Unknown place\\Unknown place, Unknown place ";
    for (const std::string& name : {
                 day + kKrakow + "\\" + kKrakow + ", Poland a.jpg",
                 day + kZurich + "\\" + kZurich + ", Switzerland b.jpg",
                 day + kSaoPaulo + "\\" + kSaoPaulo + ", Brazil c.jpg",
                 day + kReykjavik + "\\" + kReykjavik + ", Iceland d.jpg",
                 day + "Kehl\\Kehl, Germany e.jpg",
                 unknown + "sea.jpg",
                 unknown + "zero.jpg",
                 unknown + "none.jpg",
         })
        EXPECT_EQ(files.count(name), 1u) << name << "\n" << run.out;
    // Six folders: five towns and the one for unknown places.
    std::size_t folders = 0;
    for (const auto& entry : files)
        folders += entry.first.back() == '\\' ? 1 : 0;
    EXPECT_EQ(folders, 6u) << run.out;
}

TEST_F(CliPlaces, RegionTagInTheMonthFolder)
{
    Put("kehl.jpg", 48.5730, 7.8152);
    Put("strasbourg.jpg", 48.5839, 7.7455);
    const CliOutcome run = RunCli({"organize", "--copy", "--no-year", "--month-format", "%C", "--day-format",
                                   "%R", "--out", Out(), Src("")});
    EXPECT_EQ(run.exitCode, 0u) << run.err << run.out;
    const auto files = Snapshot(Out());
    EXPECT_EQ(files.count("Germany\\" + kBadenWuerttemberg + "\\kehl.jpg"), 1u) << run.out;
    EXPECT_EQ(files.count("France\\Grand Est\\strasbourg.jpg"), 1u) << run.out;
}

TEST_F(CliPlaces, LookupExplainsThePlaceAndItsDistance)
{
    Put("kehl.jpg", 48.5730, 7.8152);
    Put("sea.jpg", 54.5, 4.0);
    ASSERT_TRUE(WriteData(Src("none.jpg"), JpegAt("2019:07:14 10:00:00", nullptr)));
    const CliOutcome lookup =
            RunCli({"lookup", "--explain", Src("kehl.jpg"), Src("sea.jpg"), Src("none.jpg")});
    EXPECT_EQ(lookup.exitCode, 0u) << lookup.err;
    const auto lines = Lines(lookup.out);
    ASSERT_EQ(lines.size(), 3u) << lookup.out;
    EXPECT_EQ(lines[0], Src("kehl.jpg") + "\t2019:07:14 10:00:00\tDate/Time Original\tKehl, " +
                                kBadenWuerttemberg + ", Germany (0.0 km)");
    EXPECT_EQ(lines[1], Src("sea.jpg") + "\t2019:07:14 10:00:00\tDate/Time Original\tUnknown place (nothing "
                                         "within 30 km of 54.50000, 4.00000)");
    EXPECT_EQ(lines[2],
              Src("none.jpg") + "\t2019:07:14 10:00:00\tDate/Time Original\tUnknown place (no position)");
    // Without --explain the lines are as they were.
    EXPECT_EQ(RunCli({"lookup", Src("kehl.jpg")}).out, Src("kehl.jpg") + "\t2019:07:14 10:00:00\n");
}

TEST_F(CliPlaces, TheReportGivesThePlace)
{
    Put("kehl.jpg", 48.5730, 7.8152);
    const std::string report = tree.Path("report.csv");
    const CliOutcome run = RunCli({"organize", "--copy", "--no-year", "--no-month", "--day-format", "%T",
                                   "--report", report, "--out", Out(), Src("")});
    EXPECT_EQ(run.exitCode, 0u) << run.err;
    const auto lines = Lines(ReadText(report));
    ASSERT_EQ(lines.size(), 2u);
    EXPECT_EQ(lines[0], "\xEF\xBB\xBFsource,target,result,date,date source,place,hash");
    EXPECT_EQ(lines[1], Src("kehl.jpg") + "," + Out("Kehl\\kehl.jpg") +
                                ",OK,2019-07-14 10:00:00,Date/Time Original,\"Kehl, " + kBadenWuerttemberg +
                                ", Germany (0.0 km)\"," + ReportHashOf(Out("Kehl\\kehl.jpg")));
}

TEST_F(CliPlaces, OtherFilesThroughTheMetadataTool)
{
    // A TIFF's GPS directory, listed as "GPS Position".
    qmtest::Ifd exif;
    exif.Ascii(0x9003, "2019:07:14 10:00:00");
    qmtest::Ifd ifd0;
    ifd0.Long(0x0100, 4).Long(0x0101, 4).Sub(0x8769, exif).Sub(0x8825, qmtest::GpsIfd(-33.8688, 151.2093));
    ASSERT_TRUE(WriteData(Src("harbour.tif"), qmtest::BuildTiff(ifd0)));
    // A video's position in its user data, and one in Apple's location key.
    const auto xyz = qmtest::UserData({qmtest::UserDataTextBox("\xA9"
                                                               "xyz",
                                                               "+64.1466-021.9426+010.000/", 0x15c7)},
                                      {});
    ASSERT_TRUE(WriteData(Src("clip.mov"), qmtest::MovieWith("qt  ", {xyz})));
    const auto keyed =
            qmtest::KeyedMetadata({{"com.apple.quicktime.location.ISO6709", "+47.3769+008.5417/"}});
    ASSERT_TRUE(WriteData(Src("phone.mov"), qmtest::MovieWith("qt  ", {keyed})));

    const CliOutcome lookup =
            RunCli({"lookup", "--explain", Src("harbour.tif"), Src("clip.mov"), Src("phone.mov")});
    const auto lines = Lines(lookup.out);
    ASSERT_EQ(lines.size(), 3u) << lookup.out << lookup.err;
    EXPECT_NE(lines[0].find("\tSydney, New South Wales, Australia ("), std::string::npos) << lines[0];
    EXPECT_NE(lines[1].find("\t" + kReykjavik + ", Capital Region, Iceland ("), std::string::npos)
            << lines[1];
    EXPECT_NE(lines[2].find("\t" + kZurich + ", " + kZurich + ", Switzerland ("), std::string::npos)
            << lines[2];
}

TEST_F(CliPlaces, VersionNamesTheTableItsDateAndTheSource)
{
    const CliOutcome version = RunCli({"--version"});
    EXPECT_EQ(version.exitCode, 0u);
    const auto lines = Lines(version.out);
    ASSERT_EQ(lines.size(), 4u) << version.out;
    EXPECT_EQ(lines[0], "quillmere-cli " QM_VERSION_TEXT);
    EXPECT_EQ(lines[1].rfind("places: ", 0), 0u) << lines[1];
    EXPECT_NE(lines[1].find(" places ("), std::string::npos) << lines[1];
    EXPECT_NE(lines[1].find(" KB), data of 20"), std::string::npos) << lines[1];
    EXPECT_EQ(lines[2], "Place names from GeoNames (geonames.org), CC BY 4.0");
    EXPECT_EQ(lines[3].rfind("Time zone data: ", 0), 0u) << lines[3];
}
