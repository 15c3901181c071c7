#include "text/text_encoding.h"

#include <array>
#include <cstddef>

namespace morvanex {
namespace {

constexpr unsigned char kFirstMappedByte = 0x80;

// Code points of the bytes 0x80 to 0x9F; 0xA0 to 0xFF coincide with U+00A0 to U+00FF and 0x00 to 0x7F
// with ASCII. The bytes the code page leaves undefined keep their own value as a C1 control.
constexpr std::array<char32_t, 32> kCp1252HighControls = {
    U'\u20AC', U'\u0081', U'\u201A', U'\u0192', U'\u201E', U'\u2026', U'\u2020', U'\u2021', // 0x80
    U'\u02C6', U'\u2030', U'\u0160', U'\u2039', U'\u0152', U'\u008D', U'\u017D', U'\u008F', // 0x88
    U'\u0090', U'\u2018', U'\u2019', U'\u201C', U'\u201D', U'\u2022', U'\u2013', U'\u2014', // 0x90
    U'\u02DC', U'\u2122', U'\u0161', U'\u203A', U'\u0153', U'\u009D', U'\u017E', U'\u0178', // 0x98
};

constexpr char32_t kFirstIdentityAbove = 0xA0;
constexpr char32_t kLastLatin1 = 0xFF;

constexpr char32_t codePointOf(unsigned char byte)
{
    if (byte >= kFirstMappedByte && byte < kFirstIdentityAbove)
        return kCp1252HighControls[byte - kFirstMappedByte];
    return byte;
}

std::optional<unsigned char> byteOf(char32_t codePoint)
{
    if (codePoint < kFirstMappedByte || (codePoint >= kFirstIdentityAbove && codePoint <= kLastLatin1))
        return static_cast<unsigned char>(codePoint);
    for (std::size_t i = 0; i < kCp1252HighControls.size(); ++i) {
        if (kCp1252HighControls[i] == codePoint)
            return static_cast<unsigned char>(kFirstMappedByte + i);
    }
    return std::nullopt;
}

void appendUtf8(std::string& out, char32_t cp)
{
    if (cp < 0x80) {
        out.push_back(static_cast<char>(cp));
    } else if (cp < 0x800) {
        out.push_back(static_cast<char>(0xC0 | (cp >> 6)));
        out.push_back(static_cast<char>(0x80 | (cp & 0x3F)));
    } else {
        // The table holds nothing above the Basic Multilingual Plane.
        out.push_back(static_cast<char>(0xE0 | (cp >> 12)));
        out.push_back(static_cast<char>(0x80 | ((cp >> 6) & 0x3F)));
        out.push_back(static_cast<char>(0x80 | (cp & 0x3F)));
    }
}

// Decodes one well-formed UTF-8 sequence at `pos` (no overlong forms, no surrogates, nothing beyond
// U+10FFFF) and advances `pos` past it.
std::optional<char32_t> decodeUtf8(std::string_view in, std::size_t& pos)
{
    const auto lead = static_cast<unsigned char>(in[pos]);
    std::size_t length = 0;
    char32_t cp = 0;
    char32_t minimum = 0;
    if (lead < 0x80) {
        ++pos;
        return lead;
    } else if (lead >= 0xC2 && lead <= 0xDF) {
        length = 2;
        cp = lead & 0x1F;
        minimum = 0x80;
    } else if (lead >= 0xE0 && lead <= 0xEF) {
        length = 3;
        cp = lead & 0x0F;
        minimum = 0x800;
    } else if (lead >= 0xF0 && lead <= 0xF4) {
        length = 4;
        cp = lead & 0x07;
        minimum = 0x10000;
    } else {
        return std::nullopt;
    }
    if (in.size() - pos < length)
        return std::nullopt;
    for (std::size_t i = 1; i < length; ++i) {
        const auto next = static_cast<unsigned char>(in[pos + i]);
        if ((next & 0xC0) != 0x80)
            return std::nullopt;
        cp = (cp << 6) | (next & 0x3F);
    }
    if (cp < minimum || cp > 0x10FFFF || (cp >= 0xD800 && cp <= 0xDFFF))
        return std::nullopt;
    pos += length;
    return cp;
}

} // namespace

std::string utf8(std::string_view cp1252Bytes)
{
    std::string out;
    out.reserve(cp1252Bytes.size());
    for (const char c : cp1252Bytes)
        appendUtf8(out, codePointOf(static_cast<unsigned char>(c)));
    return out;
}

std::optional<std::string> utf8ToCp1252(std::string_view utf8Text)
{
    std::string out;
    out.reserve(utf8Text.size());
    std::size_t pos = 0;
    while (pos < utf8Text.size()) {
        const auto cp = decodeUtf8(utf8Text, pos);
        if (!cp)
            return std::nullopt;
        const auto byte = byteOf(*cp);
        if (!byte)
            return std::nullopt;
        out.push_back(static_cast<char>(*byte));
    }
    return out;
}

std::string cp1252(std::string_view utf8Text)
{
    std::string out;
    out.reserve(utf8Text.size());
    for (std::size_t pos = 0; pos < utf8Text.size();) {
        const std::size_t start = pos;
        const auto cp = decodeUtf8(utf8Text, pos);
        const auto byte = cp ? byteOf(*cp) : std::nullopt;
        out.push_back(byte ? static_cast<char>(*byte) : '?');
        if (!cp)
            pos = start + 1;
    }
    return out;
}

std::string cp1252Message(std::string_view format, std::string_view name)
{
    std::string text = cp1252(format);
    return text.replace(text.find("%s"), 2, name);
}

std::string windows1252Name(std::string_view entryBytes)
{
    auto converted = utf8ToCp1252(entryBytes);
    return converted ? std::move(*converted) : std::string(entryBytes);
}

} // namespace morvanex
