// quillmere-cli and the zone of video dates kept in UTC: lookup --explain and the report name the
// zone that was used, --zone computer keeps the computer's zone, --version names the zone data.
#include <windows.h>

#include <gtest/gtest.h>

#include "tests/support/IsoSamples.h"
#include "tests/support/TempTree.h"
#include "tests/win/cli/CliProcess.h"
#include "zones/Zones.h"

namespace {

// 2019-07-14 21:30 UTC: 06:30 the next morning in Tokyo.
constexpr std::int64_t kTokyoMorning = 1563139800;

std::string ComputerLocalText(std::int64_t utc)
{
    const std::uint64_t ticks = std::uint64_t(utc + 11644473600LL) * 10000000ULL;
    FILETIME file {DWORD(ticks), DWORD(ticks >> 32)};
    SYSTEMTIME system, local;
    if (!FileTimeToSystemTime(&file, &system) || !SystemTimeToTzSpecificLocalTime(nullptr, &system, &local))
        return "conversion failed";
    char text[32];
    std::snprintf(text, sizeof text, "%04u:%02u:%02u %02u:%02u:%02u", local.wYear, local.wMonth, local.wDay,
                  local.wHour, local.wMinute, local.wSecond);
    return text;
}

class CliZone : public ::testing::Test {
protected:
    void SetUp() override
    {
        if (GetFileAttributesA(CliProgram().c_str()) == INVALID_FILE_ATTRIBUTES)
            FAIL() << "quillmere-cli.exe is not built: " << CliProgram();
        ASSERT_TRUE(CreateDirectoryA(tree.Path("src").c_str(), nullptr));
        ASSERT_TRUE(WriteData(Src("tokyo.mov"),
                              qmtest::PhoneVideo({kTokyoMorning, "", "", "+35.6895+139.6917/"})));
        ASSERT_TRUE(WriteData(Src("phone.mov"),
                              qmtest::PhoneVideo({kTokyoMorning, "2019-07-15T06:30:00+0900", "", ""})));
    }

    std::string Src(const std::string& name) const { return tree.Path("src\\" + name); }
    std::string Out(const std::string& name = "") const { return tree.Path("out\\" + name); }

    TempTree tree;
};

}  // namespace

TEST_F(CliZone, LookupExplainsTheZone)
{
    const CliOutcome lookup = RunCli({"lookup", "--explain", Src("tokyo.mov"), Src("phone.mov")});
    EXPECT_EQ(lookup.exitCode, 0u) << lookup.err;
    EXPECT_EQ(
            FirstColumns(lookup.out, 3),
            (std::vector<std::string> {
                    Src("tokyo.mov") +
                            "\t2019:07:15 06:30:00\tCreate Date (Asia/Tokyo from the GPS position)",
                    Src("phone.mov") + "\t2019:07:15 06:30:00\tCreate Date (+09:00 recorded by the phone)"}));
}

TEST_F(CliZone, ComputerZoneOnRequest)
{
    const CliOutcome lookup = RunCli({"lookup", "--zone", "computer", "--explain", Src("tokyo.mov")});
    EXPECT_EQ(lookup.exitCode, 0u) << lookup.err;
    const std::vector<std::string> lines = FirstColumns(lookup.out, 3);
    ASSERT_EQ(lines.size(), 1u) << lookup.out;
    const std::string start = Src("tokyo.mov") + "\t" + ComputerLocalText(kTokyoMorning) + "\tCreate Date (";
    EXPECT_EQ(lines[0].substr(0, start.size()), start);
    EXPECT_NE(lines[0].find("this computer's zone)"), std::string::npos) << lines[0];
    // The default named outright is the same as none.
    const CliOutcome video = RunCli({"lookup", "--zone", "video", Src("tokyo.mov")});
    EXPECT_EQ(Lines(video.out), (std::vector<std::string> {Src("tokyo.mov") + "\t2019:07:15 06:30:00"}));
    const CliOutcome wrong = RunCli({"lookup", "--zone", "Asia/Tokyo", Src("tokyo.mov")});
    EXPECT_EQ(wrong.exitCode, 2u);
    EXPECT_NE(wrong.err.find("--zone takes computer or video"), std::string::npos) << wrong.err;
}

TEST_F(CliZone, OrganizeSortsByThePlacesDayAndReportsTheZone)
{
    const std::string report = tree.Path("report.csv");
    const CliOutcome run =
            RunCli({"organize", "--copy", "--out", Out(), "--report", report, Src("tokyo.mov")});
    EXPECT_EQ(run.exitCode, 0u) << run.err;
    EXPECT_TRUE(Exists(Out("2019\\2019_07\\2019_07_15\\tokyo.mov"))) << run.out;
    const std::string csv = ReadText(report);
    EXPECT_NE(csv.find(",2019-07-15 06:30:00,Create Date (Asia/Tokyo from the GPS position)"),
              std::string::npos)
            << csv;
    // With the computer's zone the file goes where the computer's day puts it.
    const CliOutcome old =
            RunCli({"organize", "--dry-run", "--zone", "computer", "--out", Out(), Src("phone.mov")});
    EXPECT_EQ(old.exitCode, 0u) << old.err;
    const std::string day = ComputerLocalText(kTokyoMorning).substr(0, 10);
    const std::string folder = day.substr(0, 4) + "\\" + day.substr(0, 4) + "_" + day.substr(5, 2) + "\\" +
                               day.substr(0, 4) + "_" + day.substr(5, 2) + "_" + day.substr(8, 2);
    EXPECT_NE(old.out.find(Out(folder + "\\phone.mov")), std::string::npos) << old.out;
}

TEST_F(CliZone, VersionNamesTheZoneData)
{
    const CliOutcome version = RunCli({"--version"});
    EXPECT_EQ(version.exitCode, 0u);
    EXPECT_NE(version.out.find(zones::ZoneDataText()), std::string::npos) << version.out;
    EXPECT_NE(version.out.find("Time zone data: rules 2025b, positions 11.8.0, table "), std::string::npos)
            << version.out;
}
