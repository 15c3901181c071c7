#include "settings/app_names.h"

#include "text/text_encoding.h"

namespace morvanex {
namespace {

constexpr std::string_view kPathSeparators = "\\/:";
constexpr std::string_view kProfileExtension = ".INI";
constexpr std::string_view kConfigSubfolder = ".config";
constexpr std::string_view kDataSubfolder = ".local/share";
constexpr std::string_view kRegisterFolder = "morvanex";

bool isUsableFolder(std::optional<std::string_view> value)
{
    return value && !value->empty() && std::filesystem::path(*value).is_absolute();
}

} // namespace

std::string baseNameOf(std::string_view programPath)
{
    const auto lastSeparator = programPath.find_last_of(kPathSeparators);
    const std::size_t nameStart = lastSeparator == std::string_view::npos ? 0 : lastSeparator + 1;
    std::string_view name = programPath.substr(nameStart);
    // A dot in a folder name ("/opt/my.tools/Morvanex") or a leading dot of a hidden file is no
    // extension; program files on Linux usually have none.
    const auto lastDot = name.rfind('.');
    if (lastDot != std::string_view::npos && lastDot > 0)
        name = name.substr(0, lastDot);
    return std::string(name);
}

std::string appNameOf(std::string_view baseName)
{
    return utf8ToCp1252(baseName).value_or(std::string(baseName));
}

std::string profileFileName(std::string_view baseName)
{
    std::string fileName(baseName);
    fileName += kProfileExtension;
    return fileName;
}

std::filesystem::path profileFilePath(std::string_view baseName, const std::filesystem::path& folder)
{
    return folder / profileFileName(baseName);
}

std::filesystem::path profileFilePath(std::string_view baseName,
                                      std::optional<std::string_view> xdgConfigHome,
                                      std::optional<std::string_view> home)
{
    if (isUsableFolder(xdgConfigHome))
        return profileFilePath(baseName, std::filesystem::path(*xdgConfigHome));
    if (isUsableFolder(home))
        return profileFilePath(baseName, std::filesystem::path(*home) / kConfigSubfolder);
    return std::filesystem::path(profileFileName(baseName));
}

std::filesystem::path registerFilePath(std::optional<std::string_view> xdgDataHome,
                                       std::optional<std::string_view> home)
{
    if (isUsableFolder(xdgDataHome))
        return std::filesystem::path(*xdgDataHome) / kRegisterFolder / registerFileName;
    if (isUsableFolder(home))
        return std::filesystem::path(*home) / kDataSubfolder / kRegisterFolder / registerFileName;
    return std::filesystem::path(registerFileName);
}

} // namespace morvanex
