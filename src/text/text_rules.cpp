#include "text/text_rules.h"

#include <algorithm>

namespace morvanex {
namespace {

constexpr unsigned char caseDistance = 'a' - 'A';
constexpr unsigned char multiplicationSign = 0xD7; // × between À-Þ has no small form
// Capital letters of 0x80-0x9F and their small forms: Š š, Œ œ, Ž ž, Ÿ ÿ.
constexpr std::pair<unsigned char, unsigned char> windowsPairs[] = {
    {0x8A, 0x9A}, {0x8C, 0x9C}, {0x8E, 0x9E}, {0x9F, 0xFF}};

unsigned char fold(unsigned char c, CaseRule rule)
{
    if (c >= 'A' && c <= 'Z')
        return static_cast<unsigned char>(c + caseDistance);
    if (rule == CaseRule::Ascii || c < 0x80)
        return c;
    if (c >= 0xC0 && c <= 0xDE && c != multiplicationSign)
        return static_cast<unsigned char>(c + 0x20);
    for (const auto& [capital, small] : windowsPairs) {
        if (c == capital)
            return small;
    }
    return c;
}

} // namespace

char foldCase(char c, CaseRule rule)
{
    return static_cast<char>(fold(static_cast<unsigned char>(c), rule));
}

std::string foldCase(std::string_view text, CaseRule rule)
{
    std::string folded(text);
    for (char& c : folded)
        c = foldCase(c, rule);
    return folded;
}

bool equalsIgnoringCase(std::string_view a, std::string_view b, CaseRule rule)
{
    return a.size() == b.size() && compareIgnoringCase(a, b, rule) == 0;
}

bool startsWithIgnoringCase(std::string_view text, std::string_view prefix, CaseRule rule)
{
    return text.size() >= prefix.size() && equalsIgnoringCase(text.substr(0, prefix.size()), prefix, rule);
}

bool endsWithIgnoringCase(std::string_view text, std::string_view suffix, CaseRule rule)
{
    return text.size() >= suffix.size() &&
           equalsIgnoringCase(text.substr(text.size() - suffix.size()), suffix, rule);
}

int compareIgnoringCase(std::string_view a, std::string_view b, CaseRule rule)
{
    const std::size_t common = std::min(a.size(), b.size());
    for (std::size_t i = 0; i < common; ++i) {
        const int x = fold(static_cast<unsigned char>(a[i]), rule);
        const int y = fold(static_cast<unsigned char>(b[i]), rule);
        if (x != y)
            return x - y;
    }
    return a.size() < b.size() ? -1 : a.size() > b.size() ? 1 : 0;
}

// A plain loop: find_first_of looks each byte up in the set of ends, which costs a call per byte.
std::size_t findLineEnd(std::string_view text, std::size_t from, LineEnds rule)
{
    if (rule == LineEnds::Lf)
        return text.find('\n', from);
    for (std::size_t at = from; at < text.size(); ++at)
        if (text[at] == '\n' || text[at] == '\r')
            return at;
    return std::string_view::npos;
}

TextLine lineAt(std::string_view text, std::size_t from, LineEnds rule)
{
    const std::size_t at = findLineEnd(text, from, rule);
    if (at == std::string_view::npos)
        return {text.substr(from), text.substr(text.size())};
    std::size_t contentEnd = at;
    std::size_t end = at + 1;
    if (rule == LineEnds::Lf && at > from && text[at - 1] == '\r')
        --contentEnd;
    else if (rule == LineEnds::Any && text[at] == '\r' && end < text.size() && text[end] == '\n')
        ++end;
    return {text.substr(from, contentEnd - from), text.substr(contentEnd, end - contentEnd)};
}

} // namespace morvanex
