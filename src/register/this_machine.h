#pragma once

#include <cstdint>
#include <string>

namespace morvanex {

// Where and by whom a check is made, as the register records it; UTF-8, empty when unknown. The
// platform halves are this_machine_posix.cpp and this_machine_win32.cpp.
std::string stationName(); // the host name
std::string userName();    // the user the process runs for

// A moment on the machine's clock, in its time zone.
struct LocalDateTime
{
    int year = 1970;
    int month = 1;
    int day = 1;
    int hour = 0;
    int minute = 0;
    int second = 0;
};

// Seconds since 1970-01-01 UTC in the machine's local time (the TZ variable where it is set).
LocalDateTime localDateTime(std::int64_t seconds);

} // namespace morvanex
