#include "settings/settings_store.h"

#include "settings/atomic_file.h"
#include "text/input_file.h"
#include "text/text_encoding.h"
#include "text/text_rules.h"

#include <algorithm>
#include <cstdint>
#include <system_error>

namespace morvanex {
namespace {

namespace fs = std::filesystem;

constexpr std::string_view kBlanks = " \t";
constexpr std::string_view kCrLf = "\r\n";
constexpr std::string_view kUtf8ByteOrderMark = "\xEF\xBB\xBF";
constexpr std::string_view kQuotes = "\"'";
// A settings file is a few lines; anything far larger is not ours and is not loaded into memory.
constexpr std::uintmax_t kMaxSettingsFileSize = 64u * 1024u * 1024u;

struct Line
{
    std::size_t begin = 0;
    std::size_t contentEnd = 0; // before the line end
    std::size_t end = 0;        // after the line end
    bool hasLineEnd() const { return end > contentEnd; }
    std::string_view contentIn(std::string_view bytes) const
    {
        return bytes.substr(begin, contentEnd - begin);
    }
    std::string_view lineEndIn(std::string_view bytes) const
    {
        return bytes.substr(contentEnd, end - contentEnd);
    }
};

struct Location
{
    bool sectionFound = false;
    std::optional<Line> keyLine;
    std::string_view rawValue; // what follows the "=" of keyLine, if anything
    // A missing key goes after this line: the section's last non-empty line, or without the section the
    // file's last line (none when the file holds nothing beyond a byte-order mark).
    std::optional<Line> insertAfter;
};

// The line starting at `begin`. CR LF, LF and CR alone each end a line, as for the platform's reader.
Line lineStartingAt(std::string_view bytes, std::size_t begin)
{
    const TextLine line = lineAt(bytes, begin, LineEnds::Any);
    const std::size_t contentEnd = begin + line.content.size();
    return {begin, contentEnd, contentEnd + line.ending.size()};
}

std::size_t firstLineBegin(std::string_view bytes)
{
    return bytes.starts_with(kUtf8ByteOrderMark) ? kUtf8ByteOrderMark.size() : 0;
}

std::string_view trimBlanks(std::string_view text)
{
    const auto first = text.find_first_not_of(kBlanks);
    if (first == std::string_view::npos)
        return {};
    const auto last = text.find_last_not_of(kBlanks);
    return text.substr(first, last - first + 1);
}

// "[name]", blanks allowed before the bracket and around the name; text after "]" is ignored.
std::optional<std::string_view> sectionNameOf(std::string_view content)
{
    const auto first = content.find_first_not_of(kBlanks);
    if (first == std::string_view::npos || content[first] != '[')
        return std::nullopt;
    const auto close = content.find(']', first + 1);
    if (close == std::string_view::npos)
        return std::nullopt;
    return trimBlanks(content.substr(first + 1, close - first - 1));
}

Location locate(std::string_view bytes, std::string_view section, std::string_view key)
{
    Location location;
    for (std::size_t pos = firstLineBegin(bytes); pos < bytes.size();) {
        const Line line = lineStartingAt(bytes, pos);
        pos = line.end;
        const std::string_view content = line.contentIn(bytes);
        if (const auto name = sectionNameOf(content)) {
            if (location.sectionFound)
                break;
            location.sectionFound = equalsIgnoringCase(*name, section, CaseRule::Windows1252);
            location.insertAfter = line;
            continue;
        }
        if (!location.sectionFound) {
            location.insertAfter = line;
            continue;
        }
        if (trimBlanks(content).empty())
            continue;
        location.insertAfter = line;
        // "key=value", or the key alone.
        const auto equals = std::min(content.find('='), content.size());
        if (equalsIgnoringCase(trimBlanks(content.substr(0, equals)), key, CaseRule::Windows1252)) {
            location.keyLine = line;
            location.rawValue = content.substr(std::min(equals + 1, content.size()));
            return location;
        }
    }
    return location;
}

// The line end most lines of the file have; ties go to CR LF, the platform's own, then LF.
std::string_view mostCommonLineEnd(std::string_view bytes)
{
    constexpr std::string_view kinds[] = {kCrLf, "\n", "\r"};
    std::size_t counts[std::size(kinds)] = {};
    for (std::size_t pos = 0; pos < bytes.size();) {
        const Line line = lineStartingAt(bytes, pos);
        pos = line.end;
        for (std::size_t i = 0; i < std::size(kinds); ++i)
            counts[i] += line.lineEndIn(bytes) == kinds[i] ? 1 : 0;
    }
    return kinds[std::max_element(std::begin(counts), std::end(counts)) - std::begin(counts)];
}

bool isStorableName(std::string_view name, std::string_view forbidden)
{
    return !name.empty() && name.find_first_of(forbidden) == std::string_view::npos &&
           name.find_first_of(kCrLf) == std::string_view::npos && trimBlanks(name).size() == name.size();
}

std::optional<std::string> readFileBytes(const fs::path& file)
{
    auto in = InputFile::open(file);
    if (!in || in->identity().size > kMaxSettingsFileSize)
        return std::nullopt;
    const auto bytes = in->readAll();
    if (!bytes)
        return std::nullopt;
    return std::string(bytes->begin(), bytes->end());
}

} // namespace

std::optional<std::string> findProfileValue(std::string_view fileBytes, std::string_view section,
                                            std::string_view key)
{
    if (section.empty() || key.empty())
        return std::nullopt;
    const Location location = locate(fileBytes, section, key);
    if (!location.keyLine)
        return std::nullopt;
    std::string_view value = trimBlanks(location.rawValue);
    value = value.substr(0, value.find('\0'));
    if (value.size() >= 2 && kQuotes.find(value.front()) != std::string_view::npos &&
        value.back() == value.front())
        value = value.substr(1, value.size() - 2);
    // A file that starts with a byte-order mark is UTF-8 throughout; its values come back in the code page.
    if (fileBytes.starts_with(kUtf8ByteOrderMark))
        return cp1252(value).substr(0, kMaxProfileValueLength);
    return std::string(value.substr(0, kMaxProfileValueLength));
}

std::optional<std::string> applyProfileWrite(std::string_view fileBytes, std::string_view section,
                                             std::string_view key, std::string_view value)
{
    if (!isStorableName(section, "]") || !isStorableName(key, "=") || key.front() == '[' ||
        value.find_first_of(kCrLf) != std::string_view::npos)
        return std::nullopt;

    const Location location = locate(fileBytes, section, key);
    std::string entry(key);
    entry += '=';
    entry.append(fileBytes.starts_with(kUtf8ByteOrderMark) ? utf8(value) : std::string(value));
    std::string result;
    result.reserve(fileBytes.size() + section.size() + entry.size() + 8);

    if (location.keyLine) {
        result.append(fileBytes.substr(0, location.keyLine->begin));
        result.append(entry);
        result.append(fileBytes.substr(location.keyLine->contentEnd));
        return result;
    }

    // Taking the line end of the line before keeps a CR added here from joining an LF that follows.
    const auto& after = location.insertAfter;
    const std::string_view lineEnd =
        after && after->hasLineEnd() ? after->lineEndIn(fileBytes) : mostCommonLineEnd(fileBytes);
    const std::size_t insertAt = after ? after->end : fileBytes.size();
    result.append(fileBytes.substr(0, insertAt));
    if (after && !after->hasLineEnd())
        result.append(lineEnd);
    if (!location.sectionFound) {
        result += '[';
        result.append(section);
        result += ']';
        result.append(lineEnd);
    }
    result.append(entry);
    result.append(lineEnd);
    result.append(fileBytes.substr(insertAt));
    return result;
}

std::string readProfileString(const std::filesystem::path& file, std::string_view section,
                              std::string_view key, std::string_view defaultValue)
{
    const auto bytes = readFileBytes(file);
    if (!bytes)
        return std::string(defaultValue);
    auto value = findProfileValue(*bytes, section, key);
    return value ? std::move(*value) : std::string(defaultValue);
}

bool writeProfileString(const std::filesystem::path& file, std::string_view section, std::string_view key,
                        std::string_view value)
{
    std::error_code ec;
    fs::path target = file;
    // Write through a link to the file it names instead of replacing the link.
    if (fs::is_symlink(fs::symlink_status(file, ec))) {
        target = fs::weakly_canonical(file, ec);
        if (ec)
            return false;
    }

    const fs::file_status status = fs::status(target, ec);
    std::string current;
    std::optional<fs::perms> permissions;
    if (status.type() == fs::file_type::not_found) {
        const fs::path folder = target.parent_path();
        if (!folder.empty() && !fs::is_directory(folder, ec)) {
            fs::create_directories(folder, ec);
            if (ec)
                return false;
        }
    } else {
        if (status.type() != fs::file_type::regular || !isWritableFile(target, status.permissions()))
            return false;
        auto bytes = readFileBytes(target);
        if (!bytes)
            return false;
        current = std::move(*bytes);
        permissions = status.permissions();
    }

    const auto updated = applyProfileWrite(current, section, key, value);
    if (!updated)
        return false;
    if (permissions && *updated == current)
        return true;
    return replaceFileAtomically(target, *updated, permissions);
}

} // namespace morvanex
