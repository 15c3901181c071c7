#include "register/this_machine.h"

#include <climits>
#include <cstdlib>
#include <ctime>
#include <pwd.h>
#include <unistd.h>
#include <vector>

namespace morvanex {

std::string stationName()
{
    char name[HOST_NAME_MAX + 1] = {};
    if (::gethostname(name, sizeof name - 1) != 0)
        return {};
    return name;
}

std::string userName()
{
    passwd entry{};
    passwd* found = nullptr;
    std::vector<char> buffer(16384);
    if (::getpwuid_r(::getuid(), &entry, buffer.data(), buffer.size(), &found) == 0 && found != nullptr &&
        found->pw_name != nullptr)
        return found->pw_name;
    // Not in the user database (a container, a bare uid): what the session says, else the number.
    for (const char* variable : {"USER", "LOGNAME"})
        if (const char* value = std::getenv(variable); value != nullptr && *value != '\0')
            return value;
    return std::to_string(::getuid());
}

LocalDateTime localDateTime(std::int64_t seconds)
{
    // The zone is read once: tzset looks at the zone file again on every call, which a batch would
    // pay for every answer.
    static const bool zoneRead = (::tzset(), true);
    (void)zoneRead;
    const auto t = static_cast<std::time_t>(seconds);
    std::tm local{};
    if (::localtime_r(&t, &local) == nullptr)
        return {};
    return {local.tm_year + 1900, local.tm_mon + 1, local.tm_mday, local.tm_hour, local.tm_min, local.tm_sec};
}

} // namespace morvanex
