// Any INI bytes, any section, key and value: reading never crashes, a stored entry reads back, and
// every byte outside the one written line survives the write.
#include "settings/settings_store.h"

#include <algorithm>
#include <cstdlib>
#include <string>

namespace {

void check(bool condition)
{
    if (!condition)
        std::abort();
}

std::string_view trimmed(std::string_view s)
{
    const auto first = s.find_first_not_of(" \t");
    if (first == std::string_view::npos)
        return {};
    return s.substr(first, s.find_last_not_of(" \t") - first + 1);
}

} // namespace

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size)
{
    // The first three bytes give the lengths of section, key and value; the rest is the file.
    if (size < 3)
        return 0;
    const std::string_view all(reinterpret_cast<const char*>(data), size);
    std::size_t at = 3;
    auto take = [&](std::size_t n) {
        n = std::min(n, all.size() - at);
        const auto piece = all.substr(at, n);
        at += n;
        return piece;
    };
    const auto section = take(data[0] % 16);
    const auto key = take(data[1] % 16);
    const auto value = take(data[2] % 32);
    const auto file = all.substr(at);

    (void)morvanex::findProfileValue(file, section, key);
    const auto written = morvanex::applyProfileWrite(file, section, key, value);
    if (!written)
        return 0;
    const auto readBack = morvanex::findProfileValue(*written, section, key);
    check(readBack.has_value());
    if (value.find('"') == std::string_view::npos && value.size() <= morvanex::kMaxProfileValueLength)
        check(*readBack == trimmed(value));

    // Outside the common head and tail, the old file may only have lost one line.
    const std::string& out = *written;
    std::size_t head = 0;
    while (head < file.size() && head < out.size() && file[head] == out[head])
        ++head;
    std::size_t tail = 0;
    while (tail < file.size() - head && tail < out.size() - head &&
           file[file.size() - 1 - tail] == out[out.size() - 1 - tail])
        ++tail;
    const auto removed = file.substr(head, file.size() - head - tail);
    check(std::count(removed.begin(), removed.end(), '\n') <= 1);
    return 0;
}
