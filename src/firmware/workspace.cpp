#include "firmware/workspace.h"

#include "firmware/folder_index.h"
#include "text/text_encoding.h"
#include "text/text_rules.h"

#include <algorithm>

namespace morvanex {
namespace {

constexpr std::string_view separators = "/\\";
constexpr std::string_view descriptorFolderName = "TXT";
constexpr std::string_view imageFolderName = "Bin";

bool isDrive(std::string_view name)
{
    return name.size() >= 2 && name[1] == ':' && foldCase(name[0], CaseRule::Ascii) >= 'a' &&
           foldCase(name[0], CaseRule::Ascii) <= 'z';
}

// Names that Windows gives to devices in every folder, with or without an extension.
bool isDeviceName(std::string_view component)
{
    constexpr std::string_view named[] = {"CON", "PRN", "AUX", "NUL", "CONIN$", "CONOUT$"};
    std::string_view base = component.substr(0, component.find('.'));
    base = base.substr(0, base.find_last_not_of(' ') + 1);
    if (std::any_of(std::begin(named), std::end(named), [base](std::string_view device) {
            return equalsIgnoringCase(base, device, CaseRule::Ascii);
        }))
        return true;
    return base.size() == 4 && base[3] >= '1' && base[3] <= '9' &&
           (startsWithIgnoringCase(base, "COM", CaseRule::Ascii) ||
            startsWithIgnoringCase(base, "LPT", CaseRule::Ascii));
}

// The "\" or "/" separated components of a name, as Windows reads them: trailing blanks and dots of
// each dropped. Nothing, with the reason, for a name that does not stay inside its folder or that
// Windows would not open as a file.
std::optional<std::vector<std::string_view>> components(std::string_view name, std::string* reason = nullptr)
{
    const auto refuse = [reason](std::string why) -> std::optional<std::vector<std::string_view>> {
        if (reason)
            *reason = std::move(why);
        return std::nullopt;
    };
    constexpr std::string_view leaves = "its name does not stay inside the image folder";
    if (name.empty() || separators.find(name.front()) != std::string_view::npos ||
        separators.find(name.back()) != std::string_view::npos || isDrive(name) ||
        name.find('\0') != std::string_view::npos)
        return refuse(std::string(leaves));
    std::vector<std::string_view> parts;
    for (std::size_t from = 0; from <= name.size();) {
        const std::size_t to = std::min(name.find_first_of(separators, from), name.size());
        const std::string_view written = name.substr(from, to - from);
        from = to + 1;
        if (written.empty()) // doubled separators count as one, as on the original platform
            continue;
        const std::string_view part = written.substr(0, written.find_last_not_of(" .") + 1);
        // "." and ".." come to nothing here, as does a component of blanks and dots alone.
        if (part.empty())
            return refuse(std::string(leaves));
        if (part.find(':') != std::string_view::npos)
            return refuse("its name holds a ':'");
        if (isDeviceName(part))
            return refuse("its name is the Windows device '" + std::string(part) + "'");
        parts.push_back(part);
    }
    return parts;
}

// The component name (Windows-1252) in its UTF-8 spelling.
std::filesystem::path utf8Path(std::string_view name)
{
    return entryPath(utf8(name));
}

} // namespace

Workspace::Workspace(const std::filesystem::path& root) : m_root(openedFolderPath(root).value_or(root)) {}

std::filesystem::path Workspace::descriptorFolder() const
{
    return findEntry(m_root, descriptorFolderName);
}

std::filesystem::path Workspace::imageFolder() const
{
    return findEntry(m_root, imageFolderName);
}

std::optional<std::filesystem::path> Workspace::imagePath(std::string_view fileName) const
{
    const auto parts = components(fileName);
    if (!parts)
        return std::nullopt;
    std::filesystem::path path = imageFolder();
    for (const std::string_view part : *parts)
        path = findEntry(path, part);
    return path;
}

std::optional<InputFile> Workspace::openImage(std::string_view fileName, std::string* reason) const
{
    const auto parts = components(fileName, reason);
    if (!parts)
        return std::nullopt;
    if (const auto spelled = spelledImagePath(fileName, *parts))
        if (auto file = InputFile::open(*spelled))
            return file;
    return InputFile::open(*imagePath(fileName), reason);
}

Workspace::ImagePlace Workspace::imagePlace(std::string_view fileName) const
{
    ImagePlace place;
    if (const auto parts = components(fileName)) {
        place.m_opens = true;
        place.m_spelled = spelledImagePath(fileName, *parts);
    }
    return place;
}

std::optional<FileIdentity> Workspace::imageIdentity(std::string_view fileName) const
{
    return imageIdentity(fileName, imagePlace(fileName));
}

std::optional<FileIdentity> Workspace::imageIdentity(std::string_view fileName, const ImagePlace& place) const
{
    if (!place.m_opens)
        return std::nullopt;
    // Where the spelled path names something, resolving would give that same path.
    if (place.m_spelled)
        if (auto identity = identityOf(*place.m_spelled))
            return identity;
    return identityOf(*imagePath(fileName));
}

std::optional<std::filesystem::path> Workspace::spelledImagePath(std::string_view fileName,
                                                                 const std::vector<std::string_view>& parts) const
{
    // A name of ASCII letters spelled as on disk resolves to its own spelling at every step, and
    // opening it says whether it is there: a few system calls fewer than resolving step by step.
    if (!std::all_of(fileName.begin(), fileName.end(), [](char c) { return static_cast<unsigned char>(c) < 0x80; }))
        return std::nullopt;
    std::filesystem::path spelled = m_root / imageFolderName;
    for (const std::string_view part : parts)
        spelled /= entryPath(part);
    return spelled;
}

std::optional<std::filesystem::path> resolveEntry(const std::filesystem::path& folder, std::string_view name)
{
    if (auto raw = byteSpelledEntry(folder, name))
        return raw;
    const std::string utf8Name = utf8(name);
    if (auto spelled = folder / entryPath(utf8Name); entryExists(spelled))
        return spelled;
    if (const auto entry = FolderIndex::shared().find(folder, foldCase(name, CaseRule::Windows1252)))
        return folder / entryPath(*entry);
    return std::nullopt;
}

std::filesystem::path findEntry(const std::filesystem::path& folder, std::string_view name)
{
    auto found = resolveEntry(folder, name);
    return found ? std::move(*found) : folder / utf8Path(name);
}

std::vector<std::string> listFolder(const std::filesystem::path& folder, std::string_view extension,
                                    std::string* problem)
{
    std::vector<std::pair<std::string, std::string>> keyed; // folded name, name
    const std::error_code error =
        forEachEntry(folder, [&](std::string name, const std::filesystem::directory_entry& entry) {
            if (!endsWithIgnoringCase(name, extension, CaseRule::Windows1252))
                return;
            std::error_code ec;
            if (entry.is_directory(ec))
                name = "[" + name + "]";
            else if (!entry.is_regular_file(ec))
                return;
            keyed.emplace_back(foldedEntryName(name), std::move(name));
        });
    if (error && !isMissingFolder(error)) {
        // Half a listing would pass for a smaller catalogue.
        if (problem)
            *problem = error.message();
        return {};
    }
    std::sort(keyed.begin(), keyed.end());
    std::vector<std::string> names;
    for (auto& entry : keyed)
        names.push_back(std::move(entry.second));
    return names;
}

std::optional<std::string> unreadableFolder(const std::filesystem::path& folder)
{
    std::error_code error;
    std::filesystem::directory_iterator listing(folder, error);
    if (!error || isMissingFolder(error))
        return std::nullopt;
    return error.message();
}

} // namespace morvanex
