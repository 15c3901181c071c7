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
    const auto& code = decoder.code;
    const auto mask = [&code](std::size_t i) { return code[cnpjBlockPositions[i]]; };
    std::vector<FooterField> fields;
    for (const MaskedField& f : maskedFields) {
        for (std::size_t i = 0; i < f.positions.size(); ++i) {
            if (static_cast<std::uint8_t>(code[f.positions[i]] - mask(f.firstMask + i)) >
                maxGenuineDigit(f.field)) {
                fields.push_back(f.field);
                break;
            }
        }
    }
    for (std::size_t i = 0; i < cnpjBlockPositions.size(); ++i) {
        if (static_cast<std::uint8_t>(mask(i) - decoder.keyDigits[i]) > maxGenuineDigit(FooterField::Cnpj)) {
            fields.push_back(FooterField::Cnpj);
            break;
        }
    }
    return fields;
}

} // namespace morvanex
