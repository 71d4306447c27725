#include <gtest/gtest.h>

#include <cstring>
#include <memory>
#include <string_view>

#include "engine/ClockRules.h"

namespace {

ClockRule Parsed(const std::string& text)
{
    ClockRule rule;
    std::string error;
    EXPECT_TRUE(ParseClockRule(text, rule, error)) << text << ": " << error;
    return rule;
}

std::string ErrorOf(const std::string& text)
{
    ClockRule rule;
    std::string error;
    EXPECT_FALSE(ParseClockRule(text, rule, error)) << text;
    return error;
}

DateTime Shifted(DateTime date, std::int64_t seconds)
{
    EXPECT_TRUE(ShiftDate(date, seconds));
    return date;
}

TEST(ClockRuleParse, ModelAndHoursMinutes)
{
    const ClockRule rule = Parsed("Canon EOS 5D=+01:00");
    EXPECT_EQ(rule.model, "Canon EOS 5D");
    EXPECT_EQ(rule.serial, "");
    EXPECT_FALSE(rule.everyFile);
    EXPECT_EQ(rule.seconds, 3600);
    EXPECT_EQ(rule.text, "Canon EOS 5D=+01:00");
}

TEST(ClockRuleParse, SerialAndSecondsNegative)
{
    const ClockRule rule = Parsed("  NIKON D700 # 1234567 = -00:07:36 ");
    EXPECT_EQ(rule.model, "NIKON D700");
    EXPECT_EQ(rule.serial, "1234567");
    EXPECT_EQ(rule.seconds, -(7 * 60 + 36));
    EXPECT_EQ(rule.text, "NIKON D700 # 1234567=-00:07:36");
}

TEST(ClockRuleParse, EveryFileAndDays)
{
    const ClockRule all = Parsed("*=-2d 00:00");
    EXPECT_TRUE(all.everyFile);
    EXPECT_EQ(all.seconds, -2 * 86400);
    EXPECT_EQ(Parsed("*=+1d").seconds, 86400);
    EXPECT_EQ(Parsed("*=+1D 02:30:05").seconds, 86400 + 2 * 3600 + 30 * 60 + 5);
    EXPECT_EQ(Parsed("*=+36:00").seconds, 36 * 3600);
    EXPECT_EQ(Parsed("*=-0:05").seconds, -300);
}

TEST(ClockRuleParse, BadRulesSayWhy)
{
    EXPECT_EQ(ErrorOf("Canon EOS 5D +01:00"),
              "Not a clock rule: \"Canon EOS 5D +01:00\" (write CAMERA=SHIFT, the camera as a model, "
              "Model#Serial or *)");
    EXPECT_NE(ErrorOf("=+01:00").find("no camera"), std::string::npos);
    EXPECT_NE(ErrorOf("Canon#=+01:00").find("no serial"), std::string::npos);
    EXPECT_NE(ErrorOf("#123=+01:00").find("no camera model"), std::string::npos);
    EXPECT_NE(ErrorOf("*#123=+01:00").find("takes no serial"), std::string::npos);
    EXPECT_NE(ErrorOf("Canon\x01=+01:00").find("control character"), std::string::npos);
    for (const char* shift :
         {"01:00",       "+1:0",    "+01:60",      "+01:00:60", "+01",        "+1d00:00", "+1x",
          "+",           "+01:00:", "+01:00 x",    "+1d 5",     "+",          "-",        "+d",
          "+1234567:00", "+36501d", "+0000001:00", "+0000001d", "+01:00:00x", "+01:0",    "+01:00:0"}) {
        const std::string error = ErrorOf(std::string("Canon=") + shift);
        EXPECT_EQ(error.rfind("Not a clock rule: \"Canon=", 0), 0u) << shift;
        EXPECT_NE(error.find("the shift is"), std::string::npos) << shift;
    }
    EXPECT_EQ(Parsed("Canon=+36500d").seconds, 36500LL * 86400);
    EXPECT_EQ(Parsed("Canon=+876000:00").seconds, 876000LL * 3600);
    ErrorOf("Canon=+876000:00:01");
}

// Each text in a buffer of exactly its length: a read past its end is an error the sanitizer sees.
TEST(ClockRuleParse, ATextCutShortIsReadNoFurtherThanItsEnd)
{
    for (const std::string text :
         {"*=+01:", "*=+01:0", "*=+01:00:", "*=+01:00:5", "*=+1", "*=+1d", "*=+", "*", "04:3", "04:", "0"}) {
        const std::unique_ptr<char[]> exact(new char[text.size()]);
        std::memcpy(exact.get(), text.data(), text.size());
        const std::string_view view(exact.get(), text.size());
        ClockRule rule;
        std::string error;
        EXPECT_EQ(ParseClockRule(view, rule, error), text == "*=+1d") << text;
        int minutes = 0;
        EXPECT_FALSE(ParseDayBegins(view, minutes)) << text;
    }
}

TEST(ClockRuleParse, LinesSkipBlanksAndStopAtTheFirstBadOne)
{
    std::vector<ClockRule> rules;
    std::string error;
    ASSERT_TRUE(ParseClockRules("Canon EOS 5D=+01:00\r\n\r\n  \n*=-00:00:10\n", rules, error)) << error;
    ASSERT_EQ(rules.size(), 2u);
    EXPECT_EQ(rules[0].model, "Canon EOS 5D");
    EXPECT_TRUE(rules[1].everyFile);
    EXPECT_EQ(rules[1].seconds, -10);

    rules.clear();
    EXPECT_FALSE(ParseClockRules("*=+01:00\nbad line\n*=+02:00", rules, error));
    EXPECT_EQ(
            error,
            "Not a clock rule: \"bad line\" (write CAMERA=SHIFT, the camera as a model, Model#Serial or *)");
    EXPECT_TRUE(rules.empty());
    ASSERT_TRUE(ParseClockRules("", rules, error));
    EXPECT_TRUE(rules.empty());
}

TEST(ClockRuleMatch, MostSpecificWins)
{
    std::vector<ClockRule> rules;
    std::string error;
    ASSERT_TRUE(ParseClockRules("*=+00:01\nNIKON D700=+00:02\nNIKON D700#1234567=+00:03\nCanon EOS 5D=+00:04",
                                rules, error));
    EXPECT_EQ(FindClockRule(rules, "NIKON D700", "1234567")->seconds, 180);
    EXPECT_EQ(FindClockRule(rules, "nikon d700  ", " 1234567")->seconds, 180);
    EXPECT_EQ(FindClockRule(rules, "NIKON D700", "7654321")->seconds, 120);
    EXPECT_EQ(FindClockRule(rules, "NIKON D700", "")->seconds, 120);
    EXPECT_EQ(FindClockRule(rules, "Canon EOS 5D", "1234567")->seconds, 240);
    EXPECT_EQ(FindClockRule(rules, "Canon EOS 5D Mark II", "")->seconds, 60);
    EXPECT_EQ(FindClockRule(rules, "", "")->seconds, 60);

    // Without "*", a camera no rule names keeps its date; a serial alone matches no body.
    std::vector<ClockRule> bodies;
    ASSERT_TRUE(ParseClockRules("NIKON D700#1234567=+00:03", bodies, error));
    EXPECT_EQ(FindClockRule(bodies, "NIKON D700", ""), nullptr);
    EXPECT_EQ(FindClockRule(bodies, "NIKON D7000", "1234567"), nullptr);
    EXPECT_EQ(FindClockRule(bodies, "", "1234567"), nullptr);
    EXPECT_EQ(FindClockRule({}, "NIKON D700", "1234567"), nullptr);
}

TEST(ClockRuleMatch, TheFirstOfEqualRulesApplies)
{
    std::vector<ClockRule> rules;
    std::string error;
    ASSERT_TRUE(
            ParseClockRules("*=+00:01\n*=+00:02\nX=+00:03\nX=+00:04\nX#1=+00:05\nX#1=+00:06", rules, error));
    EXPECT_EQ(FindClockRule(rules, "Y", "")->seconds, 60);
    EXPECT_EQ(FindClockRule(rules, "X", "")->seconds, 180);
    EXPECT_EQ(FindClockRule(rules, "X", "1")->seconds, 300);
}

TEST(ClockShift, CrossesMonthAndYearEnds)
{
    EXPECT_EQ(Shifted({2012, 1, 31, 23, 30, 0}, 3600), (DateTime {2012, 2, 1, 0, 30, 0}));
    EXPECT_EQ(Shifted({2012, 12, 31, 23, 59, 59}, 1), (DateTime {2013, 1, 1, 0, 0, 0}));
    EXPECT_EQ(Shifted({2013, 1, 1, 0, 0, 0}, -1), (DateTime {2012, 12, 31, 23, 59, 59}));
    EXPECT_EQ(Shifted({2013, 3, 1, 0, 7, 0}, -(7 * 60 + 36)), (DateTime {2013, 2, 28, 23, 59, 24}));
    EXPECT_EQ(Shifted({2011, 4, 30, 12, 0, 0}, 86400), (DateTime {2011, 5, 1, 12, 0, 0}));
    EXPECT_EQ(Shifted({2011, 6, 15, 12, 0, 0}, 0), (DateTime {2011, 6, 15, 12, 0, 0}));
}

TEST(ClockShift, LeapDays)
{
    EXPECT_EQ(Shifted({2012, 2, 28, 23, 0, 0}, 3600), (DateTime {2012, 2, 29, 0, 0, 0}));
    EXPECT_EQ(Shifted({2012, 3, 1, 0, 0, 0}, -1), (DateTime {2012, 2, 29, 23, 59, 59}));
    EXPECT_EQ(Shifted({2011, 3, 1, 0, 0, 0}, -1), (DateTime {2011, 2, 28, 23, 59, 59}));
    EXPECT_EQ(Shifted({1900, 2, 28, 12, 0, 0}, 86400), (DateTime {1900, 3, 1, 12, 0, 0}));
    EXPECT_EQ(Shifted({2000, 2, 28, 12, 0, 0}, 86400), (DateTime {2000, 2, 29, 12, 0, 0}));
    EXPECT_EQ(Shifted({2024, 2, 29, 10, 0, 0}, 365 * 86400), (DateTime {2025, 2, 28, 10, 0, 0}));
    EXPECT_EQ(Shifted({2024, 2, 29, 10, 0, 0}, 366 * 86400), (DateTime {2025, 3, 1, 10, 0, 0}));
    EXPECT_EQ(Shifted({2020, 1, 1, 0, 0, 0}, 366LL * 86400), (DateTime {2021, 1, 1, 0, 0, 0}));
}

TEST(ClockShift, DayShiftsAndLongSpans)
{
    EXPECT_EQ(Shifted({2015, 3, 2, 8, 0, 0}, -2 * 86400), (DateTime {2015, 2, 28, 8, 0, 0}));
    EXPECT_EQ(Shifted({2015, 1, 1, 8, 0, 0}, 36500LL * 86400), (DateTime {2114, 12, 8, 8, 0, 0}));
    EXPECT_EQ(Shifted({1, 1, 1, 0, 0, 1}, -1), (DateTime {1, 1, 1, 0, 0, 0}));
    EXPECT_EQ(Shifted({9999, 12, 31, 23, 59, 58}, 1), (DateTime {9999, 12, 31, 23, 59, 59}));
}

TEST(ClockShift, RefusesInvalidDatesAndResultsOutOfRange)
{
    for (DateTime bad :
         {DateTime {2011, 2, 29, 0, 0, 0}, DateTime {2012, 13, 1, 0, 0, 0}, DateTime {2012, 0, 1, 0, 0, 0},
          DateTime {2012, 4, 31, 0, 0, 0}, DateTime {2012, 4, 0, 0, 0, 0}, DateTime {2012, 4, 1, 24, 0, 0},
          DateTime {2012, 4, 1, 0, 60, 0}, DateTime {2012, 4, 1, 0, 0, 60}, DateTime {0, 4, 1, 0, 0, 0},
          DateTime {2012, 4, 1, -1, 0, 0}, DateTime {2012, 4, 1, 0, -1, 0}, DateTime {2012, 4, 1, 0, 0, -1},
          DateTime {10000, 1, 1, 0, 0, 0}}) {
        const DateTime before = bad;
        EXPECT_FALSE(ShiftDate(bad, 60)) << DateTimeText(before);
        EXPECT_EQ(bad, before);
    }
    DateTime first {1, 1, 1, 0, 0, 0};
    EXPECT_FALSE(ShiftDate(first, -1));
    DateTime last {9999, 12, 31, 23, 59, 59};
    EXPECT_FALSE(ShiftDate(last, 1));
    EXPECT_EQ(last, (DateTime {9999, 12, 31, 23, 59, 59}));
}

TEST(ClockShift, TextAsARuleWritesIt)
{
    EXPECT_EQ(ShiftText(3600), "+01:00");
    EXPECT_EQ(ShiftText(-(7 * 60 + 36)), "-00:07:36");
    EXPECT_EQ(ShiftText(-2 * 86400), "-2d");
    EXPECT_EQ(ShiftText(86400 + 2 * 3600 + 5), "+1d 02:00:05");
    EXPECT_EQ(ShiftText(0), "+00:00");
    EXPECT_EQ(ShiftText(-59), "-00:00:59");
    EXPECT_EQ(ShiftText(23 * 3600 + 59 * 60), "+23:59");
    // Every text reads back as the same shift.
    for (std::int64_t seconds : {0LL, 1LL, -1LL, 3600LL, -456LL, 86399LL, 86400LL, -90061LL, 3000000000LL}) {
        EXPECT_EQ(Parsed("*=" + ShiftText(seconds)).seconds, seconds) << seconds;
    }
}

TEST(ClockShift, SecondsBetweenDates)
{
    std::int64_t seconds = 0;
    ASSERT_TRUE(SecondsBetween({2012, 12, 31, 23, 59, 0}, {2013, 1, 1, 0, 6, 36}, seconds));
    EXPECT_EQ(seconds, 7 * 60 + 36);
    ASSERT_TRUE(SecondsBetween({2012, 3, 1, 0, 0, 0}, {2012, 2, 28, 0, 0, 0}, seconds));
    EXPECT_EQ(seconds, -2 * 86400);
    EXPECT_FALSE(SecondsBetween({2012, 2, 30, 0, 0, 0}, {2012, 2, 28, 0, 0, 0}, seconds));
    EXPECT_FALSE(SecondsBetween({2012, 2, 28, 0, 0, 0}, {2012, 2, 30, 0, 0, 0}, seconds));
}

TEST(DayBegins, ParsesHoursAndMinutes)
{
    int minutes = -1;
    ASSERT_TRUE(ParseDayBegins("00:00", minutes));
    EXPECT_EQ(minutes, 0);
    ASSERT_TRUE(ParseDayBegins(" 04:30 ", minutes));
    EXPECT_EQ(minutes, 270);
    ASSERT_TRUE(ParseDayBegins("23:59", minutes));
    EXPECT_EQ(minutes, 23 * 60 + 59);
    for (const char* bad :
         {"", "4:30", "04:3", "24:00", "04:60", "0430", "04:30:00", "04-30", "a4:30", "04:3a"})
        EXPECT_FALSE(ParseDayBegins(bad, minutes)) << bad;
}

TEST(DayBegins, EarlyHoursBelongToTheDayBefore)
{
    EXPECT_EQ(FolderDate({2013, 1, 1, 3, 59, 59}, 4 * 60), (DateTime {2012, 12, 31, 3, 59, 59}));
    EXPECT_EQ(FolderDate({2013, 1, 1, 4, 0, 0}, 4 * 60), (DateTime {2013, 1, 1, 4, 0, 0}));
    EXPECT_EQ(FolderDate({2012, 3, 1, 0, 30, 0}, 60), (DateTime {2012, 2, 29, 0, 30, 0}));
    EXPECT_EQ(FolderDate({2012, 5, 1, 5, 29, 0}, 5 * 60 + 30), (DateTime {2012, 4, 30, 5, 29, 0}));
    EXPECT_EQ(FolderDate({2012, 5, 1, 0, 0, 0}, 0), (DateTime {2012, 5, 1, 0, 0, 0}));
    // A date that is no valid date keeps its folders, as without the option.
    EXPECT_EQ(FolderDate({2012, 2, 30, 1, 0, 0}, 120), (DateTime {2012, 2, 30, 1, 0, 0}));
}

}  // namespace
