#pragma once

#include "register/check_register.h"

#include <cstdint>
#include <optional>
#include <string>
#include <string_view>

namespace morvanex {

// The file register's text: UTF-8, one line per record, LF line ends. The first line names the format
// and its version, then the columns, so a spreadsheet shows them as headings:
//   morvanex-register 1 <TAB> station <TAB> user ... <TAB> crc32
// and every record is twelve tab-separated fields:
//   checked (UTC, 2026-12-08T10:15:00Z), station, user, verdict, code, checksum, serial, COO,
//   moment of issue, CNPJ, firmware file, and the CRC-32 of the line before its last tab (8 small
//   hexadecimal digits), which tells a torn or damaged line from a record.
// In a field a backslash is written \\, tab, LF and CR \t, \n and \r, any other control character and
// any byte that starts no well-formed UTF-8 sequence \xHH; so a record is always one line of twelve
// fields, whatever its texts hold.
inline constexpr std::string_view registerFormatName = "morvanex-register";
inline constexpr int registerFormatVersion = 1;

// The first line, without its line end.
std::string registerHeader();

// The record's line with its LF.
std::string recordLine(const CheckRecord& record);

// The record a line (without its line end) holds, into record, whose storage is reused; false, with
// why set, when the line is not a well-formed record.
bool parseRecordLine(std::string_view line, CheckRecord& record, std::string* why);

// A field written as the file writes it, and read back; nothing for a malformed escape.
std::string escapeField(std::string_view text);
std::optional<std::string> unescapeField(std::string_view field);

// Seconds since 1970 (UTC) as ISO 8601, "2026-12-08T10:15:00Z", years 0000 to 9999; and back.
std::string isoTime(std::int64_t seconds);
std::optional<std::int64_t> parseIsoTime(std::string_view text);
inline constexpr std::int64_t earliestIsoTime = -62167219200; // 0000-01-01T00:00:00Z
inline constexpr std::int64_t latestIsoTime = 253402300799;   // 9999-12-31T23:59:59Z

} // namespace morvanex
