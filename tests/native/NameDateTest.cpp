// Dates read from file names: every form that phones, cameras and messaging apps write, and the
// near misses that must give nothing rather than a wrong folder.
#include "metadata/NameDate.h"

#include <gtest/gtest.h>

#include <string>

namespace {

constexpr int kThisYear = 2026;

struct Matched {
    const char* name;
    DateTime date;
};

const Matched kMatched[] = {
        {"IMG_20200101_123456.jpg", {2020, 1, 1, 12, 34, 56}},
        {"PXL_20200101_123456789.jpg", {2020, 1, 1, 12, 34, 56}},
        {"PXL_20211231_235959123.MP.jpg", {2021, 12, 31, 23, 59, 59}},
        {"VID_20200101_123456.mp4", {2020, 1, 1, 12, 34, 56}},
        {"IMG-20200101-WA0001.jpg", {2020, 1, 1, 0, 0, 0}},
        {"VID-20190704-WA0012.mp4", {2019, 7, 4, 0, 0, 0}},
        {"Screenshot_2020-01-01-12-34-56.png", {2020, 1, 1, 12, 34, 56}},
        {"Screenshot_2020-01-01-12-34-56-789_com.app.png", {2020, 1, 1, 12, 34, 56}},
        {"2020-01-01 12.34.56.jpg", {2020, 1, 1, 12, 34, 56}},
        {"signal-2020-01-01-123456.jpg", {2020, 1, 1, 12, 34, 56}},
        {"signal-2020-01-01-123456_001.jpeg", {2020, 1, 1, 12, 34, 56}},
        {"2020-02-29.jpg", {2020, 2, 29, 0, 0, 0}},
        {"20000229_000000.jpg", {2000, 2, 29, 0, 0, 0}},
        {"1990-01-01 00.00.00.jpg", {1990, 1, 1, 0, 0, 0}},
        {"IMG_20271231_235959.jpg", {2027, 12, 31, 23, 59, 59}},
        {"holiday 2020_07_04.jpg", {2020, 7, 4, 0, 0, 0}},
        {"2020.07.04.jpg", {2020, 7, 4, 0, 0, 0}},
        {"scan 2020.07.04 10.11.12.jpg", {2020, 7, 4, 10, 11, 12}},
        {"2021-04-30.jpg", {2021, 4, 30, 0, 0, 0}},
        {"IMG_20210131.jpg", {2021, 1, 31, 0, 0, 0}},
        {"IMG_20210228.jpg", {2021, 2, 28, 0, 0, 0}},
        // The first valid date wins over a later one.
        {"IMG_20191231_120000 copy 20200101.jpg", {2019, 12, 31, 12, 0, 0}},
        // An invalid candidate does not hide a valid one after it.
        {"IMG_20201399 IMG_20200102_030405.jpg", {2020, 1, 2, 3, 4, 5}},
};

const char* const kRefused[] = {
        // No date at all, or too short.
        "DSC01234.JPG",
        "IMG_1234.JPG",
        "",
        "2020",
        "2020010.jpg",
        // Invalid dates and times.
        "IMG_20201301_123456.jpg",
        "IMG_20200230_123456.jpg",
        "IMG_20190229.jpg",
        "IMG_20210229.jpg",
        "2020.02.30.jpg",
        // The 31st of a month of 30 days, in a leap year too (where February gains a day, no other).
        "IMG_20200431.jpg",
        "2021-06-31.jpg",
        "2020_09_31.jpg",
        "2021.11.31.jpg",
        "IMG_20200100.jpg",
        "IMG_20200101_243456.jpg",
        "IMG_20200101_126056.jpg",
        "IMG_20200101_123460.jpg",
        "Screenshot_2020-01-01-12-34-99.png",
        "2020-00-10.jpg",
        // Out of range years.
        "IMG_19891231_235959.jpg",
        "IMG_20280101_000000.jpg",
        "IMG_00000101.jpg",
        // Numbers that only look like dates: part of a longer number or word.
        "1582020010112345.jpg",
        "IMG_202001011.jpg",
        "IMG_20200101_1234567890.jpg",
        "X20200101_123456.jpg",
        "IMG_20200101abc.jpg",
        "photo-2020010112.jpg",
        "IMG_20200101_1234.jpg",
        "IMG_20200101_12-34-5.jpg",
        // Mixed separators within the date or the time.
        "2020-01_01.jpg",
        "2020.01-01.jpg",
        "Screenshot_2020-01-01-12.34-56.png",
        // UUID-like names.
        "20200101-1234-5678-9abc-def012345678.jpg",
        "20200101-0000-0000-0000-000000000000",
        // Day and month first: never guessed, even when unambiguous.
        "01-02-2020.jpg",
        "31.12.2019 10.00.00.jpg",
        "12_11_2020.jpg",
};

std::string Describe(const DateTime& d)
{
    return std::to_string(d.year) + "-" + std::to_string(d.month) + "-" + std::to_string(d.day) + " " +
           std::to_string(d.hour) + ":" + std::to_string(d.minute) + ":" + std::to_string(d.second);
}

}  // namespace

TEST(NameDate, EveryFormIsRead)
{
    for (const Matched& entry : kMatched) {
        DateTime date;
        ASSERT_TRUE(DateFromFileName(entry.name, kThisYear, date)) << entry.name;
        EXPECT_EQ(Describe(date), Describe(entry.date)) << entry.name;
    }
}

TEST(NameDate, NearMissesGiveNothingAndLeaveTheDateAlone)
{
    for (const char* name : kRefused) {
        DateTime date {1, 2, 3, 4, 5, 6};
        EXPECT_FALSE(DateFromFileName(name, kThisYear, date)) << name << " gave " << Describe(date);
        EXPECT_EQ(Describe(date), Describe({1, 2, 3, 4, 5, 6})) << name;
    }
}

TEST(NameDate, NextYearIsTheLastAccepted)
{
    DateTime date;
    EXPECT_TRUE(DateFromFileName("IMG_20250101_000000.jpg", 2024, date));
    EXPECT_FALSE(DateFromFileName("IMG_20260101_000000.jpg", 2024, date));
}

TEST(NameDate, TheCenturyRuleOfLeapYears)
{
    DateTime date;
    EXPECT_FALSE(DateFromFileName("IMG_21000229.jpg", 2100, date));
    EXPECT_TRUE(DateFromFileName("IMG_21040229.jpg", 2104, date));
}

TEST(NameDate, NameCutShortNeverReadsPastItsEnd)
{
    const std::string name = "Screenshot_2020-01-01-12-34-56";
    for (std::size_t length = 0; length < name.size(); ++length) {
        // A copy of exactly that length, so that the sanitizers see any read past it.
        const std::string cut = name.substr(0, length);
        DateTime date;
        const bool found = DateFromFileName(cut, kThisYear, date);
        // The date alone (with or without its trailing separator) is a date; a cut time is no time.
        EXPECT_EQ(found, length == 21 || length == 22) << cut;
    }
}
