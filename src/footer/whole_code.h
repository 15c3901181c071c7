#pragma once

#include "footer/footer_layout.h"

#include <array>
#include <optional>
#include <string>
#include <string_view>

namespace morvanex {

// The five groups of a text that is a whole FooterCode, as an operator pastes one: its 48 characters
// with a blank (or tab) at each separator, or its 44 code characters alone; letters of either case,
// blanks, tabs and line ends around it ignored. The groups come in upper case. Nothing for any other
// text, a code character outside the alphabet included.
std::optional<std::array<std::string, groupCount>> wholeFooterCode(std::string_view text);

} // namespace morvanex
