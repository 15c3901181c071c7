#include "settings/app_names.h"

#include <windows.h>
#include <shlobj.h>

namespace morvanex {
namespace {

// A folder of its own under the roaming application data, as programs keep theirs there.
constexpr std::string_view kSettingsFolder = "Morvanex";

// The file in our folder of the roaming application data; the bare name when that is not known.
std::filesystem::path inSettingsFolder(const std::filesystem::path& name)
{
    PWSTR folder = nullptr;
    const HRESULT found = ::SHGetKnownFolderPath(FOLDERID_RoamingAppData, KF_FLAG_DEFAULT, nullptr, &folder);
    std::filesystem::path path;
    if (SUCCEEDED(found))
        path = std::filesystem::path(folder) / kSettingsFolder / name;
    else
        path = name;
    ::CoTaskMemFree(folder);
    return path;
}

} // namespace

std::filesystem::path profileFilePath(std::string_view baseName)
{
    return inSettingsFolder(profileFileName(baseName));
}

std::filesystem::path registerFilePath()
{
    return inSettingsFolder(std::string(registerFileName));
}

} // namespace morvanex
