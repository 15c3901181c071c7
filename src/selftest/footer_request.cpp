#include "selftest/footer_request.h"

#include "selftest/selftest_random.h"

#include <algorithm>

namespace morvanex {
namespace {

void putLittleEndian32(std::span<std::uint8_t, 4> out, std::uint32_t value)
{
    for (auto& byte : out) {
        byte = static_cast<std::uint8_t>(value & 0xFF);
        value >>= 8;
    }
}

std::uint32_t getLittleEndian32(std::span<const std::uint8_t, 4> in)
{
    std::uint32_t value = 0;
    for (std::size_t i = in.size(); i-- > 0;)
        value = (value << 8) | in[i];
    return value;
}

} // namespace

FooterRequest FooterRequest::draw(SelfTestRandom& random)
{
    FooterRequest request;
    request.coo = random.next();
    const std::uint32_t high = random.next();
    const std::uint32_t low = random.next();
    request.dateTime = high << 16 | low;
    for (char& c : request.serial)
        c = random.drawCharacter(serialCharacters);
    for (char& c : request.cnpj)
        c = random.drawCharacter(cnpjCharacters);
    return request;
}

std::optional<FooterRequest> FooterRequest::parse(std::span<const std::uint8_t> payload)
{
    if (payload.size() != size || payload[0] != firstByte || payload[1] != secondByte)
        return std::nullopt;
    FooterRequest request;
    request.coo = getLittleEndian32(payload.subspan<cooOffset, 4>());
    std::copy_n(payload.begin() + serialOffset, serialLength, request.serial.begin());
    std::copy_n(payload.begin() + cnpjOffset, cnpjDigits, request.cnpj.begin());
    request.dateTime = getLittleEndian32(payload.subspan<dateTimeOffset, 4>());
    return request;
}

std::array<std::uint8_t, FooterRequest::size> FooterRequest::bytes() const
{
    std::array<std::uint8_t, size> out{};
    out[0] = firstByte;
    out[1] = secondByte;
    putLittleEndian32(std::span(out).subspan<cooOffset, 4>(), coo);
    std::copy(serial.begin(), serial.end(), out.begin() + serialOffset);
    std::copy(cnpj.begin(), cnpj.end(), out.begin() + cnpjOffset);
    putLittleEndian32(std::span(out).subspan<dateTimeOffset, 4>(), dateTime);
    return out;
}

} // namespace morvanex
