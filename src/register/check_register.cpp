#include "register/check_register.h"

#include <array>
#include <utility>

namespace morvanex {
namespace {

constexpr std::array<std::pair<CheckVerdict, std::string_view>, 3> kVerdictNames{{
    {CheckVerdict::Valid, "Valid"},
    {CheckVerdict::CnpjMismatch, "CnpjMismatch"},
    {CheckVerdict::Rejected, "Rejected"},
}};

} // namespace

std::string_view verdictName(CheckVerdict verdict)
{
    for (const auto& [value, name] : kVerdictNames)
        if (value == verdict)
            return name;
    return {};
}

std::optional<CheckVerdict> verdictNamed(std::string_view name)
{
    for (const auto& [value, word] : kVerdictNames)
        if (word == name)
            return value;
    return std::nullopt;
}

} // namespace morvanex
