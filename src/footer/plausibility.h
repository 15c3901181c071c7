#pragma once

#include "footer/footer_layout.h"

#include <cstdint>
#include <span>
#include <string_view>
#include <vector>

namespace morvanex {

class FooterDecoder;

// The fields of a FooterCode, in code order.
enum class FooterField { Coo, Serial, Timestamp, Checksum, Cnpj };

// "coo", "serial", "timestamp", "checksum" or "cnpj".
std::string_view footerFieldName(FooterField field);
// The largest unmasked digit value a genuine printer puts in the field: 9 for COO digits, 14 for
// serial and CNPJ symbols ("0123456789ABC./"), 15 for the hexadecimal timestamp and checksum.
std::uint8_t maxGenuineDigit(FooterField field);

// The fields, in code order, of a decoded code with an unmasked digit above maxGenuineDigit. Judged
// on the raw 8-bit values taken from the decoder's code digits and key digits, so a checksum digit
// that wrapped to 249-255 counts although its text reads "0"-"6". Meaningful after Valid; the
// decoder's fields are left as they are.
std::vector<FooterField> implausibleFields(const FooterDecoder& decoder);

// The part of that judgement that needs no key: whether every unmasked COO, serial, timestamp and
// checksum digit of a code in digit-value form (as alphabetToDigits leaves its 48 positions) lies
// within its field's range.
bool maskedFieldsPlausible(std::span<const std::uint8_t, footerLength> code);

} // namespace morvanex
