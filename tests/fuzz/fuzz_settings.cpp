// Any INI bytes, any section, key and value: reading never crashes, a stored entry reads back, and
// every line of the file but the one written keeps its bytes and its line end.
#include "settings/settings_store.h"

#include <algorithm>
#include <cstdlib>
#include <string>
#include <vector>

namespace {

void check(bool condition)
{
    if (!condition)
        std::abort();
}

// What a read returns for a stored value: without blanks at either end, cut at a zero byte, without a
// pair of enclosing quotes of one kind.
std::string_view readingOf(std::string_view value)
{
    const auto first = value.find_first_not_of(" \t");
    value = first == std::string_view::npos ? std::string_view{}
                                            : value.substr(first, value.find_last_not_of(" \t") - first + 1);
    value = value.substr(0, value.find('\0'));
    if (value.size() >= 2 && (value[0] == '"' || value[0] == '\'') && value.back() == value[0])
        value = value.substr(1, value.size() - 2);
    return value;
}

struct Line
{
    std::string_view content;
    std::string_view lineEnd; // CR LF, LF, CR or none
    bool operator==(const Line&) const = default;
};

std::vector<Line> linesOf(std::string_view bytes)
{
    std::vector<Line> lines;
    while (!bytes.empty()) {
        const auto at = std::min(bytes.find_first_of("\r\n"), bytes.size());
        const auto endSize = bytes.substr(at, 2) == "\r\n" ? 2 : std::min<std::size_t>(1, bytes.size() - at);
        lines.push_back({bytes.substr(0, at), bytes.substr(at, endSize)});
        bytes.remove_prefix(at + endSize);
    }
    return lines;
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
    check(readBack == readingOf(value));

    // Lines are only added, at one place, except one old line that may change: its content, keeping its
    // line end, or (the last line) gaining a line end.
    // A byte-order mark stays where it is, ahead of the first line.
    constexpr std::string_view kByteOrderMark = "\xEF\xBB\xBF";
    const std::size_t mark = file.starts_with(kByteOrderMark) ? kByteOrderMark.size() : 0;
    check(std::string_view(*written).substr(0, mark) == file.substr(0, mark));
    const auto before = linesOf(file.substr(mark));
    const auto after = linesOf(std::string_view(*written).substr(mark));
    check(after.size() >= before.size());
    std::size_t head = 0;
    while (head < before.size() && before[head] == after[head])
        ++head;
    std::size_t tail = 0;
    while (tail < before.size() - head && before[before.size() - 1 - tail] == after[after.size() - 1 - tail])
        ++tail;
    const std::size_t changed = before.size() - head - tail;
    check(changed <= 1);
    if (changed == 1) {
        const Line& old = before[head];
        const Line& now = after[head];
        check((now.lineEnd == old.lineEnd && after.size() == before.size()) ||
              (now.content == old.content && old.lineEnd.empty()));
    }
    return 0;
}
