#include "register/register_format.h"

#include "footer/checksum.h"

#include <array>
#include <cstdio>
#include <span>

namespace morvanex {
namespace {

constexpr std::string_view columnNames[] = {"station", "user",   "verdict", "code",     "checksum", "serial",
                                            "coo",     "moment", "cnpj",    "firmware", "crc32"};
constexpr std::size_t fieldCount = 12;
constexpr std::size_t crcDigits = 8;

// Days since 1970-01-01 of a date of the proleptic Gregorian calendar, and back.
std::int64_t daysFromCivil(std::int64_t y, unsigned m, unsigned d)
{
    y -= m <= 2;
    const std::int64_t era = (y >= 0 ? y : y - 399) / 400;
    const auto yoe = static_cast<unsigned>(y - era * 400);
    const unsigned doy = (153 * (m > 2 ? m - 3 : m + 9) + 2) / 5 + d - 1;
    const unsigned doe = yoe * 365 + yoe / 4 - yoe / 100 + doy;
    return era * 146097 + static_cast<std::int64_t>(doe) - 719468;
}

struct CivilDate
{
    std::int64_t year;
    unsigned month;
    unsigned day;
};

CivilDate civilFromDays(std::int64_t z)
{
    z += 719468;
    const std::int64_t era = (z >= 0 ? z : z - 146096) / 146097;
    const auto doe = static_cast<unsigned>(z - era * 146097);
    const unsigned yoe = (doe - doe / 1460 + doe / 36524 - doe / 146096) / 365;
    const unsigned doy = doe - (365 * yoe + yoe / 4 - yoe / 100);
    const unsigned mp = (5 * doy + 2) / 153;
    const unsigned d = doy - (153 * mp + 2) / 5 + 1;
    const unsigned m = mp < 10 ? mp + 3 : mp - 9;
    return {static_cast<std::int64_t>(yoe) + era * 400 + (m <= 2), m, d};
}

// The length of the well-formed UTF-8 sequence at the start of text, 0 when none starts there.
std::size_t utf8SequenceLength(std::string_view text)
{
    const auto byte = [&](std::size_t i) { return static_cast<unsigned char>(text[i]); };
    const unsigned char lead = byte(0);
    if (lead < 0x80)
        return 1;
    std::size_t length = 0;
    unsigned char low = 0x80;
    unsigned char high = 0xBF;
    if (lead >= 0xC2 && lead <= 0xDF) {
        length = 2;
    } else if (lead >= 0xE0 && lead <= 0xEF) {
        length = 3;
        low = lead == 0xE0 ? 0xA0 : 0x80;
        high = lead == 0xED ? 0x9F : 0xBF;
    } else if (lead >= 0xF0 && lead <= 0xF4) {
        length = 4;
        low = lead == 0xF0 ? 0x90 : 0x80;
        high = lead == 0xF4 ? 0x8F : 0xBF;
    } else {
        return 0;
    }
    if (text.size() < length || byte(1) < low || byte(1) > high)
        return 0;
    for (std::size_t i = 2; i < length; ++i)
        if (byte(i) < 0x80 || byte(i) > 0xBF)
            return 0;
    return length;
}

int hexValue(char c)
{
    if (c >= '0' && c <= '9')
        return c - '0';
    if (c >= 'a' && c <= 'f')
        return c - 'a' + 10;
    if (c >= 'A' && c <= 'F')
        return c - 'A' + 10;
    return -1;
}

std::uint32_t lineCrc(std::string_view text)
{
    return crc32UpdateLong(0, std::span(reinterpret_cast<const std::uint8_t*>(text.data()), text.size()));
}

// Fixed-width decimal digits at text[at...]; -1 when any is not a digit.
std::int64_t digitsAt(std::string_view text, std::size_t at, std::size_t count)
{
    std::int64_t value = 0;
    for (std::size_t i = at; i < at + count; ++i) {
        if (text[i] < '0' || text[i] > '9')
            return -1;
        value = value * 10 + (text[i] - '0');
    }
    return value;
}

// Field i of the line into out, unescaped; false when its escapes are malformed.
bool takeField(std::string_view field, std::string& out)
{
    if (field.find('\\') == std::string_view::npos) {
        out.assign(field);
        return true;
    }
    std::optional<std::string> text = unescapeField(field);
    if (!text)
        return false;
    out = std::move(*text);
    return true;
}

} // namespace

std::string registerHeader()
{
    std::string header(registerFormatName);
    header += ' ';
    header += std::to_string(registerFormatVersion);
    for (const std::string_view column : columnNames) {
        header += '\t';
        header += column;
    }
    return header;
}

std::string escapeField(std::string_view text)
{
    std::string out;
    out.reserve(text.size());
    for (std::size_t i = 0; i < text.size();) {
        const auto byte = static_cast<unsigned char>(text[i]);
        const std::size_t sequence = utf8SequenceLength(text.substr(i));
        if (byte == '\\') {
            out += "\\\\";
        } else if (byte == '\t') {
            out += "\\t";
        } else if (byte == '\n') {
            out += "\\n";
        } else if (byte == '\r') {
            out += "\\r";
        } else if (byte < 0x20 || byte == 0x7F || sequence == 0) {
            char escaped[5];
            std::snprintf(escaped, sizeof escaped, "\\x%02x", byte);
            out += escaped;
        } else {
            out.append(text.substr(i, sequence));
            i += sequence;
            continue;
        }
        ++i;
    }
    return out;
}

std::optional<std::string> unescapeField(std::string_view field)
{
    std::string out;
    out.reserve(field.size());
    for (std::size_t i = 0; i < field.size(); ++i) {
        if (field[i] != '\\') {
            out += field[i];
            continue;
        }
        if (++i == field.size())
            return std::nullopt;
        switch (field[i]) {
        case '\\':
            out += '\\';
            break;
        case 't':
            out += '\t';
            break;
        case 'n':
            out += '\n';
            break;
        case 'r':
            out += '\r';
            break;
        case 'x': {
            const int high = i + 1 < field.size() ? hexValue(field[i + 1]) : -1;
            const int low = i + 2 < field.size() ? hexValue(field[i + 2]) : -1;
            if (high < 0 || low < 0)
                return std::nullopt;
            out += static_cast<char>(high * 16 + low);
            i += 2;
            break;
        }
        default:
            return std::nullopt;
        }
    }
    return out;
}

std::string isoTime(std::int64_t seconds)
{
    const std::int64_t days = (seconds >= 0 ? seconds : seconds - 86399) / 86400;
    const std::int64_t inDay = seconds - days * 86400;
    const CivilDate date = civilFromDays(days);
    char text[40];
    std::snprintf(text, sizeof text, "%04lld-%02u-%02uT%02d:%02d:%02dZ", static_cast<long long>(date.year),
                  date.month, date.day, static_cast<int>(inDay / 3600), static_cast<int>(inDay / 60 % 60),
                  static_cast<int>(inDay % 60));
    return text;
}

std::optional<std::int64_t> parseIsoTime(std::string_view text)
{
    // 2026-12-08T10:15:00Z
    if (text.size() != 20 || text[4] != '-' || text[7] != '-' || text[10] != 'T' || text[13] != ':' ||
        text[16] != ':' || text[19] != 'Z')
        return std::nullopt;
    const std::int64_t year = digitsAt(text, 0, 4);
    const std::int64_t month = digitsAt(text, 5, 2);
    const std::int64_t day = digitsAt(text, 8, 2);
    const std::int64_t hour = digitsAt(text, 11, 2);
    const std::int64_t minute = digitsAt(text, 14, 2);
    const std::int64_t second = digitsAt(text, 17, 2);
    if (year < 0 || month < 1 || month > 12 || day < 1 || hour < 0 || hour > 23 || minute < 0 ||
        minute > 59 || second < 0 || second > 59)
        return std::nullopt;
    const std::int64_t days = daysFromCivil(year, static_cast<unsigned>(month), static_cast<unsigned>(day));
    // A day past the month's end would roll into the next month: not a date this file writes.
    if (civilFromDays(days).day != static_cast<unsigned>(day))
        return std::nullopt;
    return days * 86400 + hour * 3600 + minute * 60 + second;
}

std::string recordLine(const CheckRecord& record)
{
    std::string line = isoTime(record.checkedAt);
    for (const std::string* field : {&record.station, &record.user}) {
        line += '\t';
        line += escapeField(*field);
    }
    line += '\t';
    line += verdictName(record.verdict);
    for (const std::string* field :
         {&record.code, &record.document.checksum, &record.document.serial, &record.document.coo,
          &record.document.moment, &record.cnpj, &record.firmwareFile}) {
        line += '\t';
        line += escapeField(*field);
    }
    char crc[crcDigits + 1];
    std::snprintf(crc, sizeof crc, "%08x", static_cast<unsigned>(lineCrc(line)));
    line += '\t';
    line += crc;
    line += '\n';
    return line;
}

bool parseRecordLine(std::string_view line, CheckRecord& record, std::string* why)
{
    const auto fail = [&](const std::string& reason) {
        if (why)
            *why = reason;
        return false;
    };
    std::array<std::string_view, fieldCount> fields;
    std::size_t count = 0;
    for (std::size_t start = 0;;) {
        const std::size_t tab = line.find('\t', start);
        if (count == fieldCount)
            return fail("more than " + std::to_string(fieldCount) + " fields");
        fields[count++] = line.substr(start, tab == std::string_view::npos ? tab : tab - start);
        if (tab == std::string_view::npos)
            break;
        start = tab + 1;
    }
    if (count != fieldCount)
        return fail(std::to_string(count) + " fields where a record has " + std::to_string(fieldCount));
    const std::string_view crcField = fields.back();
    std::uint32_t crc = 0;
    bool crcWellFormed = crcField.size() == crcDigits;
    for (std::size_t i = 0; crcWellFormed && i < crcDigits; ++i) {
        const int digit = hexValue(crcField[i]);
        crcWellFormed = digit >= 0;
        crc = crc * 16 + static_cast<std::uint32_t>(digit);
    }
    if (!crcWellFormed || crc != lineCrc(line.substr(0, line.size() - crcField.size() - 1)))
        return fail("its check value does not match its contents (a damaged or altered line)");

    const std::optional<std::int64_t> checkedAt = parseIsoTime(fields[0]);
    if (!checkedAt)
        return fail("its time is not of the form 2026-12-08T10:15:00Z");
    const std::optional<CheckVerdict> verdict = verdictNamed(fields[3]);
    if (!verdict)
        return fail("unknown verdict");
    std::string* const texts[] = {&record.station,
                                  &record.user,
                                  nullptr,
                                  &record.code,
                                  &record.document.checksum,
                                  &record.document.serial,
                                  &record.document.coo,
                                  &record.document.moment,
                                  &record.cnpj,
                                  &record.firmwareFile};
    for (std::size_t i = 0; i < std::size(texts); ++i)
        if (texts[i] && !takeField(fields[i + 1], *texts[i]))
            return fail("a malformed escape in field " + std::to_string(i + 2));
    record.checkedAt = *checkedAt;
    record.verdict = *verdict;
    std::string reason;
    if (!isDecodedRecord(record, &reason))
        return fail(reason);
    return true;
}

} // namespace morvanex
