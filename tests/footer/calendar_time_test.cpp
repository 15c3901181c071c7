#include "footer/calendar_time.h"

#include <gtest/gtest.h>

#include <cstdio>
#include <random>
#include <vector>

namespace morvanex {
namespace {

std::string at(std::uint32_t seconds)
{
    return formatDateTime(secondsToCalendar(seconds));
}

constexpr std::uint32_t day = 86400;

TEST(CalendarTime, EpochAndTheFirstLeapYear)
{
    EXPECT_EQ(at(0), "01/01/1970 00:00:00");
    EXPECT_EQ(secondsToCalendar(0).weekday, 4);
    EXPECT_EQ(at(730 * day), "01/01/1972 00:00:00");
    EXPECT_EQ(secondsToCalendar(730 * day).weekday, 6);
    EXPECT_EQ(at(729 * day), "31/12/1971 00:00:00");
    EXPECT_EQ(at(789 * day), "29/02/1972 00:00:00");
    EXPECT_EQ(at(790 * day), "01/03/1972 00:00:00");
}

TEST(CalendarTime, TheDayAfterALeapYearsLastDay)
{
    const std::uint32_t end1972 = (730 + 366) * day - 1;
    EXPECT_EQ(at(end1972), "31/12/1972 23:59:59");
    EXPECT_EQ(at(end1972 + 1), "01/01/1973 00:00:00");
    EXPECT_EQ(at(end1972 + 1 + 364 * day), "31/12/1973 00:00:00");
}

TEST(CalendarTime, LaterDatesAndTheMissingCenturyRule)
{
    EXPECT_EQ(at(951782400), "29/02/2000 00:00:00"); // reached through the leap-year table
    EXPECT_EQ(at(1206367509), "24/03/2008 14:05:09");
    EXPECT_EQ(at(4294967295u), "06/02/2106 06:28:15");
    EXPECT_EQ(secondsToCalendar(4294967295u).weekday, 0);
    // 2100 counts as a leap year: the Gregorian 1 March 2100 (4107542400) shows as 29 February.
    EXPECT_EQ(at(4107542400u), "29/02/2100 00:00:00");
}

TEST(CalendarTime, FieldsOfAnOrdinaryMoment)
{
    const CalendarTime t = secondsToCalendar(1206367509);
    EXPECT_EQ(t.second, 9);
    EXPECT_EQ(t.minute, 5);
    EXPECT_EQ(t.hour, 14);
    EXPECT_EQ(t.day, 24);
    EXPECT_EQ(t.month, 3);
    EXPECT_EQ(t.year, 2008);
    EXPECT_EQ(t.weekday, 1); // a Monday
}

// The text is made without printf: it must read as the printf format does, for any field values.
TEST(CalendarTime, TextAgreesWithTheFormat)
{
    const CalendarTime cases[] = {
        {}, {9, 5, 14, 24, 1, 3, 2008}, {59, 59, 23, 31, 6, 12, 9999}, {255, 255, 255, 255, 0, 255, 65535},
        {1, 10, 100, 0, 0, 9, 10}, {0, 0, 0, 1, 0, 1, 10000},
    };
    std::mt19937 gen(7);
    std::vector<CalendarTime> all(std::begin(cases), std::end(cases));
    for (int i = 0; i < 200; ++i)
        all.push_back(secondsToCalendar(static_cast<std::uint32_t>(gen())));
    for (const CalendarTime& t : all) {
        char expected[40];
        std::snprintf(expected, sizeof expected, "%02d/%02d/%04d %02d:%02d:%02d", t.day, t.month, t.year, t.hour,
                      t.minute, t.second);
        EXPECT_EQ(formatDateTime(t), expected);
    }
}

} // namespace
} // namespace morvanex
