#include "footer/calendar_time.h"

#include <array>
#include <charconv>
#include <iterator>

namespace morvanex {
namespace {

using MonthTable = std::array<std::uint32_t, 13>;
constexpr MonthTable commonYear{0, 31, 59, 90, 120, 151, 181, 212, 243, 273, 304, 334, 365};
constexpr MonthTable leapYear{0, 31, 60, 91, 121, 152, 182, 213, 244, 274, 305, 335, 366};
constexpr std::uint32_t daysBefore1972 = 730;
constexpr std::uint32_t daysPerCycle = 1461;

} // namespace

CalendarTime secondsToCalendar(std::uint32_t t)
{
    CalendarTime c;
    c.second = static_cast<std::uint8_t>(t % 60);
    c.minute = static_cast<std::uint8_t>(t / 60 % 60);
    c.hour = static_cast<std::uint8_t>(t / 3600 % 24);
    const std::uint32_t days = t / 86400;
    c.weekday = static_cast<std::uint8_t>((days + 4) % 7);

    std::uint32_t year;
    std::uint32_t dayOfYear;
    const MonthTable* cum = &commonYear;
    if (days <= daysBefore1972) {
        year = 1970 + days / 365;
        dayOfYear = days % 365;
    } else {
        const std::uint32_t e = days - daysBefore1972;
        year = 1972 + 4 * (e / daysPerCycle);
        const std::uint32_t r = e % daysPerCycle;
        if (r <= 366) {
            dayOfYear = r;
            cum = &leapYear;
        } else {
            year += 1 + (r - 366) / 365;
            dayOfYear = (r - 366) % 365;
        }
    }

    std::uint32_t month = 1;
    while (month <= 12 && (*cum)[month] <= dayOfYear)
        ++month;
    std::uint32_t day = month <= 12 ? dayOfYear - (*cum)[month - 1] + 1 : 1;
    if (month == 13) { // the day after a leap year's last day
        ++year;
        month = 1;
        day = 1;
    }
    c.day = static_cast<std::uint8_t>(day);
    c.month = static_cast<std::uint8_t>(month);
    c.year = static_cast<std::uint16_t>(year);
    return c;
}

std::string formatDateTime(const CalendarTime& t)
{
    std::string text;
    text.reserve(19);
    appendDateTime(text, t);
    return text;
}

void appendDateTime(std::string& text, const CalendarTime& t)
{
    // "%02d/%02d/%04d %02d:%02d:%02d" without the formatting machinery: a batch makes one per code.
    auto put = [&text](unsigned value, std::size_t width, char after) {
        char digits[8];
        const auto end = std::to_chars(std::begin(digits), std::end(digits), value).ptr;
        const auto length = static_cast<std::size_t>(end - digits);
        if (length < width)
            text.append(width - length, '0');
        text.append(digits, length);
        if (after)
            text += after;
    };
    put(t.day, 2, '/');
    put(t.month, 2, '/');
    put(t.year, 4, ' ');
    put(t.hour, 2, ':');
    put(t.minute, 2, ':');
    put(t.second, 2, 0);
}

} // namespace morvanex
