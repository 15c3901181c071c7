#include "register/check_register.h"

#include "footer/footer_layout.h"

#include <array>
#include <utility>

namespace morvanex {
namespace {

constexpr std::array<std::pair<CheckVerdict, std::string_view>, 3> verdictNames{{
    {CheckVerdict::Valid, "Valid"},
    {CheckVerdict::CnpjMismatch, "CnpjMismatch"},
    {CheckVerdict::Rejected, "Rejected"},
}};

} // namespace

std::string_view verdictName(CheckVerdict verdict)
{
    for (const auto& [value, name] : verdictNames)
        if (value == verdict)
            return name;
    return "?";
}

std::optional<CheckVerdict> verdictNamed(std::string_view name)
{
    for (const auto& [value, text] : verdictNames)
        if (text == name)
            return value;
    return std::nullopt;
}

bool isDecodedRecord(const CheckRecord& record, std::string* why)
{
    const std::pair<const std::string*, std::size_t> fields[] = {{&record.document.checksum, checksumDigits},
                                                                 {&record.document.serial, serialDigits},
                                                                 {&record.document.coo, cooDigits},
                                                                 {&record.document.moment, timestampDigits},
                                                                 {&record.cnpj, cnpjDigits}};
    constexpr std::string_view names[] = {"checksum", "serial", "COO", "moment of issue", "CNPJ"};
    for (std::size_t i = 0; i < std::size(fields); ++i) {
        if (fields[i].first->size() != fields[i].second) {
            if (why)
                *why = "its " + std::string(names[i]) + " has " + std::to_string(fields[i].first->size()) +
                       " characters, not " + std::to_string(fields[i].second);
            return false;
        }
    }
    return true;
}

} // namespace morvanex
