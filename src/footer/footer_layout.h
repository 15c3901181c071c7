#pragma once

#include <array>
#include <cstddef>

namespace morvanex {

// Where each field's digits stand in a FooterCode (positions 8, 17, 26 and 35 are separators), and
// which cnpjBlock digit masks a field's first digit; the following digits take the following ones.
inline constexpr std::array<std::size_t, 6> cooPositions{0, 1, 2, 3, 4, 5};
inline constexpr std::array<std::size_t, 6> serialPositions{6, 7, 9, 10, 11, 12};
inline constexpr std::array<std::size_t, 8> timestampPositions{13, 14, 15, 16, 18, 19, 20, 21};
inline constexpr std::array<std::size_t, 4> checksumPositions{22, 23, 24, 25};
inline constexpr std::array<std::size_t, 20> cnpjBlockPositions{27, 28, 29, 30, 31, 32, 33, 34, 36, 37,
                                                                38, 39, 40, 41, 42, 43, 44, 45, 46, 47};

inline constexpr std::size_t cooFirstMask = 0;
inline constexpr std::size_t serialFirstMask = 6;
inline constexpr std::size_t timestampFirstMask = 12;
inline constexpr std::size_t checksumFirstMask = 0;

} // namespace morvanex
