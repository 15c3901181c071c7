#include "register/this_machine.h"

#include <ctime>
#include <time.h>

#include <windows.h>

#include <lmcons.h>

namespace morvanex {
namespace {

std::string utf8Of(const wchar_t* text, int length)
{
    if (length <= 0)
        return {};
    const int size = WideCharToMultiByte(CP_UTF8, 0, text, length, nullptr, 0, nullptr, nullptr);
    std::string out(static_cast<std::size_t>(size > 0 ? size : 0), '\0');
    if (size > 0)
        WideCharToMultiByte(CP_UTF8, 0, text, length, out.data(), size, nullptr, nullptr);
    return out;
}

} // namespace

std::string stationName()
{
    wchar_t name[256] = {};
    DWORD length = 256;
    if (!GetComputerNameExW(ComputerNameDnsHostname, name, &length)) {
        length = 256;
        if (!GetComputerNameW(name, &length))
            return {};
    }
    return utf8Of(name, static_cast<int>(length));
}

std::string userName()
{
    wchar_t name[UNLEN + 1] = {};
    DWORD length = UNLEN + 1;
    if (!GetUserNameW(name, &length) || length == 0)
        return {};
    return utf8Of(name, static_cast<int>(length - 1)); // the count includes the terminator
}

LocalDateTime localDateTime(std::int64_t seconds)
{
    _tzset();
    const __time64_t t = seconds;
    std::tm local{};
    if (_localtime64_s(&local, &t) != 0)
        return {};
    return {local.tm_year + 1900, local.tm_mon + 1, local.tm_mday, local.tm_hour, local.tm_min, local.tm_sec};
}

} // namespace morvanex
