#include "footer/plausibility.h"

#include "footer/footer_decoder.h"
#include "footer/footer_layout.h"

#include <cstdint>
#include <span>

namespace morvanex {
namespace {

struct MaskedField
{
    FooterField field;
    std::span<const std::size_t> positions;
    std::size_t firstMask;
};

// The four fields masked by cnpjBlock digits; the CNPJ itself is cnpjBlock less the key digits.
const MaskedField maskedFields[] = {
    {FooterField::Coo, cooPositions, cooFirstMask},
    {FooterField::Serial, serialPositions, serialFirstMask},
    {FooterField::Timestamp, timestampPositions, timestampFirstMask},
    {FooterField::Checksum, checksumPositions, checksumFirstMask},
};

// Whether the field's unmasked digits in code (digit values by position) all lie within its range.
bool inRange(const MaskedField& f, std::span<const std::uint8_t, footerLength> code)
{
    for (std::size_t i = 0; i < f.positions.size(); ++i)
        if (static_cast<std::uint8_t>(code[f.positions[i]] - code[cnpjBlockPositions[f.firstMask + i]]) >
            maxGenuineDigit(f.field))
            return false;
    return true;
}

} // namespace

std::string_view footerFieldName(FooterField field)
{
    switch (field) {
    case FooterField::Coo:
        return "coo";
    case FooterField::Serial:
        return "serial";
    case FooterField::Timestamp:
        return "timestamp";
    case FooterField::Checksum:
        return "checksum";
    case FooterField::Cnpj:
        return "cnpj";
    }
    return {};
}

std::uint8_t maxGenuineDigit(FooterField field)
{
    switch (field) {
    case FooterField::Coo:
        return 9;
    case FooterField::Serial:
    case FooterField::Cnpj:
        return 14;
    case FooterField::Timestamp:
    case FooterField::Checksum:
        return 15;
    }
    return 0;
}

std::vector<FooterField> implausibleFields(const FooterDecoder& decoder)
{
    const std::span<const std::uint8_t, footerLength> code(decoder.code.data(), footerLength);
    std::vector<FooterField> fields;
    for (const MaskedField& f : maskedFields)
        if (!inRange(f, code))
            fields.push_back(f.field);
    for (std::size_t i = 0; i < cnpjBlockPositions.size(); ++i) {
        if (static_cast<std::uint8_t>(code[cnpjBlockPositions[i]] - decoder.keyDigits[i]) >
            maxGenuineDigit(FooterField::Cnpj)) {
            fields.push_back(FooterField::Cnpj);
            break;
        }
    }
    return fields;
}

bool maskedFieldsPlausible(std::span<const std::uint8_t, footerLength> code)
{
    for (const MaskedField& f : maskedFields)
        if (!inRange(f, code))
            return false;
    return true;
}

} // namespace morvanex
