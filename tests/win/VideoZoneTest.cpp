// Video dates kept in UTC, through the real metadata tool: the local time where the video was
// taken, from the offset the phone records, else the zone at the recorded position, else this
// computer's zone. The cases run under two computer zones (see CMakeLists.txt): only the
// fall-back may move with it.
#include <windows.h>

#include <gtest/gtest.h>

#include <string>

#include "engine/ModeLookup.h"
#include "metadata/MetaLookup.h"
#include "tests/support/IsoSamples.h"
#include "tests/support/JpegBuilder.h"
#include "tests/support/TempTree.h"
#include "tests/win/ToolTestFiles.h"
#include "zones/Zones.h"

namespace {

std::int64_t Utc(int year, int month, int day, int hour, int minute, int second = 0)
{
    return zones::SecondsOf(DateTime {year, month, day, hour, minute, second});
}

// The local time this computer's zone gives an instant, by the system's own rules of that date.
DateTime ComputerLocal(std::int64_t utc)
{
    const std::uint64_t ticks = std::uint64_t(utc + 11644473600LL) * 10000000ULL;
    FILETIME file {DWORD(ticks), DWORD(ticks >> 32)};
    SYSTEMTIME system, local;
    if (!FileTimeToSystemTime(&file, &system) || !SystemTimeToTzSpecificLocalTime(nullptr, &system, &local)) {
        ADD_FAILURE() << "time conversion failed";
        return {};
    }
    return {local.wYear, local.wMonth, local.wDay, local.wHour, local.wMinute, local.wSecond};
}

class VideoZoneTest : public ::testing::Test {
protected:
    VideoZoneTest() : folder_(::testing::UnitTest::GetInstance()->current_test_info()->name())
    {
        config_.toolPath = tooltest::RealToolPath();
        config_.timeLimitMs = 30000;
    }

    void SetUp() override
    {
        if (GetFileAttributesA(config_.toolPath.c_str()) == INVALID_FILE_ATTRIBUTES)
            GTEST_SKIP() << "metaprobe.exe is not built (" << config_.toolPath << ")";
    }

    std::string Video(const std::string& name, const qmtest::PhoneVideoValues& values)
    {
        const std::string path = folder_ / name;
        EXPECT_TRUE(qmtest::WriteBytes(path, qmtest::PhoneVideo(values)));
        return path;
    }

    // The capture date as a run finds it, with its origin as --explain shows it.
    FoundDate Found(const std::string& path, bool computerZone = false)
    {
        MetaLookup lookup(config_);
        lookup.UseComputerZone(computerZone);
        DateSources sources;
        sources.captureDate = true;
        const auto found = lookup.DateFrom(path, sources);
        if (!found || !*found) {
            ADD_FAILURE() << "no date for " << path << ": " << found.GetStatus().Reason();
            return {};
        }
        return **found;
    }

    tooltest::TempFolder folder_;
    MetaToolConfig config_;
};

TEST_F(VideoZoneTest, RecordedOffsetsOfEachSignAndHalfHours)
{
    const struct {
        const char* recorded;
        std::int64_t utc;
        DateTime local;
        const char* note;
    } cases[] = {
            {"2019-07-15T06:30:00+0900",
             Utc(2019, 7, 14, 21, 30),
             {2019, 7, 15, 6, 30, 0},
             "+09:00 recorded by the phone"},
            // Newfoundland on New Year's Eve: still the old year there, the new one in UTC.
            {"2018-12-31T22:30:00-0330",
             Utc(2019, 1, 1, 2, 0),
             {2018, 12, 31, 22, 30, 0},
             "-03:30 recorded by the phone"},
            {"2019-03-01T00:15:00+0530",
             Utc(2019, 2, 28, 18, 45),
             {2019, 3, 1, 0, 15, 0},
             "+05:30 recorded by the phone"},
            {"2020-02-29T23:50:00+0545",
             Utc(2020, 2, 29, 18, 5),
             {2020, 2, 29, 23, 50, 0},
             "+05:45 recorded by the phone"},
            {"2019-07-15T06:30:00Z",
             Utc(2019, 7, 15, 6, 30),
             {2019, 7, 15, 6, 30, 0},
             "+00:00 recorded by the phone"},
    };
    int n = 0;
    for (const auto& c : cases) {
        // A position elsewhere does not count when the phone recorded its offset.
        const FoundDate found = Found(Video("r" + std::to_string(++n) + ".mov",
                                            {c.utc, c.recorded, "+40.7128-074.0060/", "+40.7128-074.0060/"}));
        EXPECT_EQ(found.date, c.local) << c.recorded;
        EXPECT_EQ(found.origin, "Create Date") << c.recorded;
        EXPECT_EQ(found.zoneNote, c.note) << c.recorded;
        EXPECT_EQ(OriginText(found), std::string("Create Date (") + c.note + ")");
    }
}

TEST_F(VideoZoneTest, ThePositionsZoneWithTheRulesOfThatDate)
{
    const struct {
        const char* keyPosition;
        const char* userDataPosition;
        std::int64_t utc;
        DateTime local;
        const char* zone;
    } cases[] = {
            // Northern summer and winter, both sides of Greenwich.
            {"+35.6895+139.6917+040.000/",
             "",
             Utc(2019, 7, 14, 21, 30),
             {2019, 7, 15, 6, 30, 0},
             "Asia/Tokyo"},
            {"", "+52.5200+013.4050/", Utc(2019, 7, 14, 22, 30), {2019, 7, 15, 0, 30, 0}, "Europe/Berlin"},
            {"", "+52.5200+013.4050/", Utc(2019, 12, 31, 23, 30), {2020, 1, 1, 0, 30, 0}, "Europe/Berlin"},
            {"+40.7128-074.0060/", "", Utc(2019, 7, 15, 3, 30), {2019, 7, 14, 23, 30, 0}, "America/New_York"},
            // Southern summer (January) and winter, and a half-hour zone without summer time.
            {"", "-33.8688+151.2093/", Utc(2019, 1, 15, 13, 30), {2019, 1, 16, 0, 30, 0}, "Australia/Sydney"},
            {"",
             "-33.8688+151.2093/",
             Utc(2019, 7, 15, 13, 30),
             {2019, 7, 15, 23, 30, 0},
             "Australia/Sydney"},
            {"+27.7172+085.3240/", "", Utc(2019, 7, 15, 18, 30), {2019, 7, 16, 0, 15, 0}, "Asia/Kathmandu"},
            // Moscow kept +04:00 through the winter of 2013.
            {"+55.7558+037.6173/", "", Utc(2013, 1, 15, 20, 30), {2013, 1, 16, 0, 30, 0}, "Europe/Moscow"},
            // Apple's key wins over the user data's position.
            {"+35.6895+139.6917/",
             "+52.5200+013.4050/",
             Utc(2019, 7, 14, 21, 30),
             {2019, 7, 15, 6, 30, 0},
             "Asia/Tokyo"},
    };
    int n = 0;
    for (const auto& c : cases) {
        const FoundDate found = Found(
                Video("p" + std::to_string(++n) + ".mov", {c.utc, "", c.keyPosition, c.userDataPosition}));
        EXPECT_EQ(found.date, c.local) << c.zone << " " << n;
        EXPECT_EQ(found.zoneNote, std::string(c.zone) + " from the GPS position") << n;
    }
}

TEST_F(VideoZoneTest, NoPlaceFallsBackToTheComputersZoneOfThatDate)
{
    const std::int64_t summer = Utc(2019, 7, 14, 23, 30), winter = Utc(2019, 12, 31, 23, 30);
    const struct {
        const char* name;
        qmtest::PhoneVideoValues values;
    } cases[] = {
            {"none.mov", {summer, "", "", ""}},
            {"zero.mov", {winter, "", "+00.0000+000.0000/", ""}},
            {"sea.mov", {summer, "", "", "+30.0000-040.0000/"}},
            {"broken.mov", {winter, "2019-12-31T23:30:00", "not a place", ""}},
    };
    for (const auto& c : cases) {
        const FoundDate found = Found(Video(c.name, c.values));
        EXPECT_EQ(found.date, ComputerLocal(c.values.utcSeconds)) << c.name;
        const std::string suffix = "this computer's zone";
        ASSERT_GE(found.zoneNote.size(), suffix.size()) << c.name;
        EXPECT_EQ(found.zoneNote.substr(found.zoneNote.size() - suffix.size()), suffix) << c.name;
    }
}

TEST_F(VideoZoneTest, ComputerZoneOptionKeepsTheOldTimes)
{
    const std::int64_t utc = Utc(2019, 7, 14, 21, 30);
    const std::string path = Video("tokyo.mov", {utc, "2019-07-15T06:30:00+0900", "+35.6895+139.6917/", ""});
    const FoundDate found = Found(path, true);
    EXPECT_EQ(found.date, ComputerLocal(utc));
    EXPECT_NE(found.zoneNote.find("this computer's zone"), std::string::npos);
    EXPECT_EQ(Found(path).date, (DateTime {2019, 7, 15, 6, 30, 0}));
}

TEST_F(VideoZoneTest, DatesAlreadyLocalGetNoNote)
{
    // A date without its UTC instant (the stand-in tool lists no batch facts) is taken as listed.
    config_.toolPath = tooltest::FakeToolPath();
    const std::string path = folder_ / "plain.mov";
    ASSERT_TRUE(tooltest::WriteText(path, "out Create Date : 2019:07:15 06:30:00\\nCreation Date : "
                                          "2019:07:15 06:30:00+09:00\\n"));
    const FoundDate found = Found(path);
    EXPECT_EQ(found.date, (DateTime {2019, 7, 15, 6, 30, 0}));
    EXPECT_EQ(found.zoneNote, "");
    EXPECT_EQ(OriginText(found), "Create Date");
    // An instant that is no number is no instant either.
    for (const char* instant : {"1563139800x", "", "x1563139800", "99999999999999999999"}) {
        const std::string damaged = folder_ / "damaged.mov";
        ASSERT_TRUE(tooltest::WriteText(damaged, std::string("out Create Date : 2019:07:15 07:30:00\\n"
                                                             "Creation Date : 2019:07:15 06:30:00+09:00\\n"
                                                             "Batch UTC Create Date : ") +
                                                         instant + "\\n"));
        const FoundDate taken = Found(damaged);
        EXPECT_EQ(taken.date, (DateTime {2019, 7, 15, 7, 30, 0})) << instant;
        EXPECT_EQ(taken.zoneNote, "") << instant;
    }
    // The same listing with a whole instant: the recorded offset decides.
    const std::string whole = folder_ / "whole.mov";
    ASSERT_TRUE(tooltest::WriteText(whole, "out Create Date : 2019:07:15 07:30:00\\n"
                                           "Creation Date : 2019:07:15 06:30:00+09:00\\n"
                                           "Batch UTC Create Date : 1563139800\\n"));
    EXPECT_EQ(Found(whole).date, (DateTime {2019, 7, 15, 6, 30, 0}));
    EXPECT_EQ(Found(whole).zoneNote, "+09:00 recorded by the phone");
}

}  // namespace
