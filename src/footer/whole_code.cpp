#include "footer/whole_code.h"

#include "footer/alphabet.h"

namespace morvanex {
namespace {

bool isBlank(char c)
{
    return c == ' ' || c == '\t';
}

bool isSpace(char c)
{
    return isBlank(c) || c == '\r' || c == '\n';
}

} // namespace

std::optional<std::array<std::string, groupCount>> wholeFooterCode(std::string_view text)
{
    while (!text.empty() && isSpace(text.front()))
        text.remove_prefix(1);
    while (!text.empty() && isSpace(text.back()))
        text.remove_suffix(1);
    const bool separated = text.size() == footerLength;
    if (!separated && text.size() != codeDigitCount)
        return std::nullopt;

    std::array<std::string, groupCount> groups;
    std::size_t at = 0;
    for (std::size_t g = 0; g < groupCount; ++g) {
        if (separated && g > 0 && !isBlank(text[at++]))
            return std::nullopt;
        for (std::size_t i = 0; i < groupLengths[g]; ++i) {
            const char c = footerCharacter(text[at++]);
            if (!footerDigitValue(static_cast<unsigned char>(c)))
                return std::nullopt;
            groups[g] += c;
        }
    }
    return groups;
}

} // namespace morvanex
