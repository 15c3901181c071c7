#pragma once

#include <array>
#include <cstddef>

namespace morvanex {

// The geometry of a FooterCode, stated once: the five groups the operator types, the separators
// between them, and where each field's digits stand.

// The groups: where each starts in the 48 characters and how many characters it has.
inline constexpr std::size_t groupCount = 5;
inline constexpr std::array<std::size_t, groupCount> groupStarts{0, 9, 18, 27, 36};
inline constexpr std::array<std::size_t, groupCount> groupLengths{8, 8, 8, 8, 12};

inline constexpr std::size_t footerLength = groupStarts.back() + groupLengths.back(); // 48
// One position between neighbouring groups; never examined.
inline constexpr std::array<std::size_t, groupCount - 1> separatorPositions{
    groupStarts[0] + groupLengths[0], groupStarts[1] + groupLengths[1], groupStarts[2] + groupLengths[2],
    groupStarts[3] + groupLengths[3]};
// The positions that carry digits.
inline constexpr std::size_t codeDigitCount = footerLength - separatorPositions.size(); // 44

// Digits per field. The serial excerpt and the CNPJ are texts of the document alphabet of this
// many characters.
inline constexpr std::size_t cooDigits = 6;
inline constexpr std::size_t serialDigits = 6;
inline constexpr std::size_t timestampDigits = 8;
inline constexpr std::size_t checksumDigits = 4;
inline constexpr std::size_t cnpjDigits = 20;

// Where each field's digits stand, and which cnpjBlock digit masks a field's first digit; the
// following digits take the following ones.
inline constexpr std::array<std::size_t, cooDigits> cooPositions{0, 1, 2, 3, 4, 5};
inline constexpr std::array<std::size_t, serialDigits> serialPositions{6, 7, 9, 10, 11, 12};
inline constexpr std::array<std::size_t, timestampDigits> timestampPositions{13, 14, 15, 16, 18, 19, 20, 21};
inline constexpr std::array<std::size_t, checksumDigits> checksumPositions{22, 23, 24, 25};
inline constexpr std::array<std::size_t, cnpjDigits> cnpjBlockPositions{27, 28, 29, 30, 31, 32, 33, 34, 36, 37,
                                                                        38, 39, 40, 41, 42, 43, 44, 45, 46, 47};

inline constexpr std::size_t cooFirstMask = 0;
inline constexpr std::size_t serialFirstMask = 6;
inline constexpr std::size_t timestampFirstMask = 12;
inline constexpr std::size_t checksumFirstMask = 0;

static_assert(footerLength == 48 && separatorPositions == std::array<std::size_t, 4>{8, 17, 26, 35});
static_assert(cooDigits + serialDigits + timestampDigits + checksumDigits + cnpjDigits == codeDigitCount);

} // namespace morvanex
