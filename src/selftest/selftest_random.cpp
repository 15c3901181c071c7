#include "selftest/selftest_random.h"

namespace morvanex {

std::uint16_t SelfTestRandom::next()
{
    m_state = m_state * multiplier + increment;
    return static_cast<std::uint16_t>((m_state >> 16) & 0x7FFF);
}

char SelfTestRandom::drawCharacter(std::string_view accepted)
{
    // An empty set would never end the loop.
    if (accepted.empty())
        return '\0';
    for (;;) {
        const std::uint16_t value = next();
        if (value < 256 && accepted.find(static_cast<char>(value)) != std::string_view::npos)
            return static_cast<char>(value);
    }
}

} // namespace morvanex
