#include "firmware/folder_index.h"

#include "text/text_encoding.h"
#include "text/text_rules.h"

namespace morvanex {
namespace {

// Folders remembered at once; a process rarely resolves names in more than a handful.
constexpr std::size_t maxListings = 64;

} // namespace

bool entryExists(const std::filesystem::path& path)
{
    std::error_code ec;
    return std::filesystem::exists(std::filesystem::symlink_status(path, ec));
}

std::error_code forEachEntry(const std::filesystem::path& folder,
                             const std::function<void(std::string, const std::filesystem::directory_entry&)>& f)
{
    std::error_code ec;
    for (std::filesystem::directory_iterator it(folder, ec), end; !ec && it != end; it.increment(ec)) {
        std::string bytes;
        try {
            bytes = entryBytes(it->path());
        } catch (const std::exception&) {
            continue;
        }
        f(std::move(bytes), *it);
    }
    return ec;
}

bool isMissingFolder(const std::error_code& error)
{
    return error == std::errc::no_such_file_or_directory || error == std::errc::not_a_directory;
}

std::string foldedEntryName(std::string_view bytes)
{
    return foldCase(windows1252Name(bytes), CaseRule::Windows1252);
}

FolderIndex& FolderIndex::shared()
{
    static FolderIndex index;
    return index;
}

std::optional<std::string> FolderIndex::find(const std::filesystem::path& folder, std::string_view foldedName)
{
    const auto stamp = identityOf(folder);
    if (!stamp)
        return std::nullopt;
    const std::lock_guard lock(m_mutex);
    auto it = m_listings.find(folder);
    const bool current = it != m_listings.end() && it->second.stamp == *stamp;
    Listing* listing = current ? &it->second : &list(folder, *stamp);
    auto lookUp = [&]() -> std::optional<std::string> {
        const auto entry = listing->entries.find(std::string(foldedName));
        return entry != listing->entries.end() ? std::optional(entry->second) : std::nullopt;
    };
    auto found = lookUp();
    // An older listing may be behind the folder: the entry it names is gone, or the folder changed
    // again within the clock tick of its stamp.
    if (current && (found ? !entryExists(folder / entryPath(*found)) : listing->racy)) {
        listing = &list(folder, *stamp);
        found = lookUp();
    }
    return found;
}

FolderIndex::Listing& FolderIndex::list(const std::filesystem::path& folder, const FileIdentity& stamp)
{
    if (m_listings.size() >= maxListings && !m_listings.contains(folder))
        m_listings.clear();
    Listing& listing = m_listings[folder];
    listing.stamp = stamp;
    listing.racy = !isSettled(stamp);
    listing.entries.clear();
    forEachEntry(folder, [&](std::string bytes, const std::filesystem::directory_entry&) {
        auto [entry, added] = listing.entries.try_emplace(foldedEntryName(bytes), bytes);
        if (!added && bytes < entry->second)
            entry->second = std::move(bytes);
    });
    return listing;
}

} // namespace morvanex
