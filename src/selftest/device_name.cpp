#include "selftest/device_name.h"

#include "text/text_rules.h"

#include <charconv>
#include <cstdlib>
#include <optional>

namespace morvanex {

namespace {

constexpr std::string_view portPrefix = "COM";
constexpr std::string_view overrideVariablePrefix = "MORVANEX_COM";

// The port number of "COMn" or "COMn:", n >= 1; nothing for any other name.
std::optional<unsigned> portNumber(std::string_view name)
{
    // Port names are ASCII: no other letter stands for C, O or M.
    if (name.size() <= portPrefix.size() || !startsWithIgnoringCase(name, portPrefix, CaseRule::Ascii))
        return std::nullopt;
    std::string_view digits = name.substr(portPrefix.size());
    if (digits.back() == ':')
        digits.remove_suffix(1);
    // "COM01" is no port name; n has no leading zero.
    if (digits.empty() || digits.front() == '0')
        return std::nullopt;
    for (char c : digits) {
        if (c < '0' || c > '9')
            return std::nullopt;
    }
    unsigned number = 0;
    const auto [end, error] = std::from_chars(digits.data(), digits.data() + digits.size(), number);
    if (error != std::errc{} || end != digits.data() + digits.size() || number == 0)
        return std::nullopt;
    return number;
}

} // namespace

std::string resolveDeviceName(std::string_view name)
{
    const std::optional<unsigned> number = portNumber(name);
    if (!number)
        return std::string(name);

    const std::string variable = std::string(overrideVariablePrefix) + std::to_string(*number);
    if (const char* value = std::getenv(variable.c_str()); value != nullptr && *value != '\0')
        return value;

    return portDevicePath(*number);
}

} // namespace morvanex
