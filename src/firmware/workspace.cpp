#include "firmware/workspace.h"

#include <algorithm>

namespace morvanex {
namespace {

unsigned char foldCase(unsigned char c)
{
    return c >= 'A' && c <= 'Z' ? static_cast<unsigned char>(c + 32) : c;
}

bool equalsIgnoringCase(std::string_view a, std::string_view b)
{
    return a.size() == b.size() && std::equal(a.begin(), a.end(), b.begin(), [](char x, char y) {
               return foldCase(static_cast<unsigned char>(x)) == foldCase(static_cast<unsigned char>(y));
           });
}

bool endsWithIgnoringCase(std::string_view name, std::string_view suffix)
{
    return name.size() >= suffix.size() && equalsIgnoringCase(name.substr(name.size() - suffix.size()), suffix);
}

} // namespace

std::filesystem::path Workspace::descriptorFolder() const
{
    return findEntry(m_root, "TXT");
}

std::filesystem::path Workspace::imageFolder() const
{
    return findEntry(m_root, "Bin");
}

std::optional<std::filesystem::path> Workspace::imagePath(std::string_view fileName) const
{
    if (fileName.find_first_of("/\\") != std::string_view::npos || fileName == "." || fileName == "..")
        return std::nullopt;
    const auto folder = imageFolder();
    if (fileName.empty())
        return folder; // names the folder itself, which no open accepts
    return findEntry(folder, fileName);
}

std::filesystem::path findEntry(const std::filesystem::path& folder, std::string_view name)
{
    const std::filesystem::path exact = folder / std::filesystem::path(std::string(name));
    std::error_code ec;
    if (std::filesystem::exists(std::filesystem::symlink_status(exact, ec)))
        return exact;
    std::optional<std::string> best;
    for (std::filesystem::directory_iterator it(folder, ec), end; !ec && it != end; it.increment(ec)) {
        std::string candidate = it->path().filename().string();
        if (equalsIgnoringCase(candidate, name) && (!best || candidate < *best))
            best = std::move(candidate);
    }
    return best ? folder / *best : exact;
}

std::vector<std::string> listFolder(const std::filesystem::path& folder, std::string_view extension)
{
    std::vector<std::string> names;
    std::error_code ec;
    for (std::filesystem::directory_iterator it(folder, ec), end; !ec && it != end; it.increment(ec)) {
        const std::string name = it->path().filename().string();
        if (!endsWithIgnoringCase(name, extension))
            continue;
        std::error_code statError;
        if (it->is_directory(statError))
            names.push_back("[" + name + "]");
        else if (it->is_regular_file(statError))
            names.push_back(name);
    }
    std::sort(names.begin(), names.end(), [](const std::string& a, const std::string& b) { return listingLess(a, b); });
    return names;
}

bool listingLess(std::string_view a, std::string_view b)
{
    const auto folded = std::lexicographical_compare(a.begin(), a.end(), b.begin(), b.end(), [](char x, char y) {
        return foldCase(static_cast<unsigned char>(x)) < foldCase(static_cast<unsigned char>(y));
    });
    if (folded || !equalsIgnoringCase(a, b))
        return folded;
    return a < b;
}

} // namespace morvanex
