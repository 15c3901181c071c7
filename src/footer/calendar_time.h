#pragma once

#include <cstdint>
#include <string>

namespace morvanex {

struct CalendarTime
{
    std::uint8_t second = 0;
    std::uint8_t minute = 0;
    std::uint8_t hour = 0;
    std::uint8_t day = 0;
    std::uint8_t weekday = 0; // 0 = Sunday
    std::uint8_t month = 0;
    std::uint16_t year = 0;
};

// No time zone applied: the moment is shown as the printer encoded it. Every fourth year from 1972
// is a leap year, 2100 included.
CalendarTime secondsToCalendar(std::uint32_t seconds);

// "dd/mm/yyyy hh:mm:ss"
std::string formatDateTime(const CalendarTime& t);
// The same appended to text, for a caller that writes many.
void appendDateTime(std::string& text, const CalendarTime& t);

} // namespace morvanex
