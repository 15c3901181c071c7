#pragma once

#include "text/input_file.h"
#include "text/thread_sync.h"

#include <filesystem>
#include <functional>
#include <map>
#include <mutex>
#include <optional>
#include <string>
#include <string_view>
#include <unordered_map>

namespace morvanex {

// The bytes of a path's last element as the file system spells it: raw bytes on POSIX, UTF-8 on
// Windows.
std::string entryBytes(const std::filesystem::path& path);
// A path element from such bytes.
std::filesystem::path entryPath(std::string_view bytes);
// Whether path names an entry, a link that leads nowhere included.
bool entryExists(const std::filesystem::path& path);
// Calls f with the bytes of every entry of folder and the entry itself; the error that ended the
// listing early (a folder that is not there included), or none. Names the system cannot spell in
// UTF-8 are passed over: no descriptor names them.
std::error_code forEachEntry(const std::filesystem::path& folder,
                             const std::function<void(std::string, const std::filesystem::directory_entry&)>& f);
// Whether an error of forEachEntry means the folder is not there (or is no folder) rather than
// unreadable.
bool isMissingFolder(const std::error_code& error);
// An entry's name as Windows-1252 with its letter case folded, as names are compared.
std::string foldedEntryName(std::string_view bytes);

// Each folder's entries by their folded Windows-1252 names, listed once and listed again when the
// folder changes, so that resolving many names in one folder costs one listing, not one per name.
class FolderIndex
{
public:
    static FolderIndex& shared();

    // The entry of folder whose folded name is foldedName (the first in byte order when several
    // are); nothing when there is none.
    std::optional<std::string> find(const std::filesystem::path& folder, std::string_view foldedName);

private:
    struct Listing
    {
        FileIdentity stamp;
        // The folder had not settled when it was listed: a miss is checked against a new listing.
        bool racy = false;
        std::unordered_map<std::string, std::string> entries; // folded name -> entry bytes
    };

    Listing& list(const std::filesystem::path& folder, const FileIdentity& stamp);

    Mutex m_mutex;
    std::map<std::filesystem::path, Listing> m_listings;
};

} // namespace morvanex
