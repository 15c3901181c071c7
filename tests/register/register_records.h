#pragma once

#include "register/check_register.h"

#include <cstdint>
#include <string>

namespace morvanex::test {

inline const std::string cnpjA = "0012.345.678/0001.95";
inline const std::string cnpjB = "0098.765.432/0001.10";
inline const std::string cnpjC = "0011.222.333/0001.44";
inline constexpr std::int64_t someTime = 1765000000; // 2025-12-06T05:46:40Z

// A document, by default the one most cases check.
struct Document
{
    std::string checksum = "AB12";
    std::string serial = "4A0B12";
    std::string coo = "000123";
    std::string moment = "6933C340";
};

inline CheckRecord checkOf(const Document& document, const std::string& cnpj, std::int64_t at = someTime,
                           const std::string& station = "caixa-1", CheckVerdict verdict = CheckVerdict::Valid)
{
    CheckRecord record;
    record.checkedAt = at;
    record.station = station;
    record.user = "maria";
    record.verdict = verdict;
    record.code = "CODE " + document.coo + " " + cnpj;
    record.code.resize(48, '=');
    record.document = {document.checksum, document.serial, document.coo, document.moment};
    record.cnpj = cnpj;
    record.firmwareFile = "ARGOS210.BIN";
    return record;
}

} // namespace morvanex::test
