#pragma once

#include "text/input_file.h"

#include <filesystem>
#include <optional>
#include <string>
#include <string_view>
#include <vector>

namespace morvanex {

// The working directory holding the folders TXT and Bin. Names from the system's texts are
// Windows-1252 bytes and are found as the original platform finds them, also where the file system
// distinguishes letter case and spells names in UTF-8: see findEntry.
class Workspace
{
public:
    // root as the platform resolves it (openedFolderPath), or as it is when it is no folder.
    explicit Workspace(const std::filesystem::path& root);

    const std::filesystem::path& root() const { return m_root; }
    std::filesystem::path descriptorFolder() const;
    std::filesystem::path imageFolder() const;
    // The path of an image a descriptor names, each "\" or "/" separated component, its trailing
    // blanks and dots dropped as Windows does, resolved with findEntry from the image folder down (a
    // component not found is kept as spelled, so opening fails). Nothing for a name no open accepts:
    // empty, absolute (a leading separator, a drive such as "C:"), ending in a separator, with a "."
    // or ".." component, a component that is a Windows device name (CON, NUL, COM1, LPT1, ...) or
    // holds a ":", or a zero byte. Links inside the image folder are followed.
    std::optional<std::filesystem::path> imagePath(std::string_view fileName) const;
    // The file imagePath gives, opened as it is now; nothing when it cannot be, reason saying why.
    std::optional<InputFile> openImage(std::string_view fileName, std::string* reason = nullptr) const;
    // What imageIdentity works out from a name alone, for a caller that looks at one image often.
    class ImagePlace
    {
    private:
        friend class Workspace;
        bool m_opens = false; // a name an open accepts
        std::optional<std::filesystem::path> m_spelled;
    };
    ImagePlace imagePlace(std::string_view fileName) const;
    // The identity of the file openImage would try to open, looked at without opening it; nothing when
    // it cannot be examined. With the place worked out for the same name.
    std::optional<FileIdentity> imageIdentity(std::string_view fileName) const;
    std::optional<FileIdentity> imageIdentity(std::string_view fileName, const ImagePlace& place) const;

private:
    // The path of a name of ASCII characters as written, every component spelled as on disk: what is
    // tried before resolving the name step by step. Nothing for other names.
    std::optional<std::filesystem::path> spelledImagePath(std::string_view fileName,
                                                          const std::vector<std::string_view>& parts) const;

    std::filesystem::path m_root;
};

// The folder the platform opens for path, as it names it: on Windows by the folder's own name (so
// trailing blanks and dots of the last part are gone), elsewhere path itself. Nothing when it opens no
// folder there.
std::optional<std::filesystem::path> openedFolderPath(const std::filesystem::path& path);
// The entry of folder spelled with the very bytes of name, where they differ from its UTF-8 spelling,
// as a Linux copy that kept the Windows-1252 spelling holds it; nothing where names are Unicode
// (Windows) or no such entry is there.
std::optional<std::filesystem::path> byteSpelledEntry(const std::filesystem::path& folder, std::string_view name);

// The entry of folder called name (Windows-1252): an entry spelled with exactly these bytes or
// their UTF-8 form first, otherwise the first in byte order that matches ignoring the letter case
// of every Windows-1252 letter. Nothing when none does.
std::optional<std::filesystem::path> resolveEntry(const std::filesystem::path& folder, std::string_view name);
// As resolveEntry, with folder / name (spelled in UTF-8) when nothing matches.
std::filesystem::path findEntry(const std::filesystem::path& folder, std::string_view name);

// The listing of "*<extension>" in folder: ordinary files and sub-folders whose names end in the
// extension (letter case ignored), a sub-folder as its name in square brackets; sorted with letter
// case ignored, ties by byte order. Names as the file system spells them (see entryBytes). Empty
// when the folder is not there; when it is but cannot be read, problem (if given) says why.
std::vector<std::string> listFolder(const std::filesystem::path& folder, std::string_view extension,
                                    std::string* problem = nullptr);
// Why folder, which is there, cannot be read; nothing when it can or is not there.
std::optional<std::string> unreadableFolder(const std::filesystem::path& folder);

} // namespace morvanex
