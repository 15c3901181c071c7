#pragma once

#include <cstdint>
#include <string_view>

namespace morvanex {

// The test thread's own generator, the same sequence as the platform runtime's rand(): every run of
// the test goes through the same cycles, whatever other threads draw.
class SelfTestRandom
{
public:
    static constexpr std::uint32_t initialState = 1;
    static constexpr std::uint32_t multiplier = 214013;
    static constexpr std::uint32_t increment = 2531011;

    // A value from 0 to 32767.
    std::uint16_t next();
    // Draws until the raw value is itself the code of one of accepted; nothing is ever reduced
    // modulo a range, so the rejected draws are part of the sequence.
    char drawCharacter(std::string_view accepted);

private:
    std::uint32_t m_state = initialState;
};

} // namespace morvanex
