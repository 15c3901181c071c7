#include "settings/app_names.h"

#include <windows.h>
#include <shlobj.h>

namespace morvanex {
namespace {

// A folder of its own under the roaming application data, as programs keep theirs there.
constexpr std::string_view kSettingsFolder = "Morvanex";

} // namespace

std::filesystem::path profileFilePath(std::string_view baseName)
{
    PWSTR folder = nullptr;
    const HRESULT found = ::SHGetKnownFolderPath(FOLDERID_RoamingAppData, KF_FLAG_DEFAULT, nullptr, &folder);
    std::filesystem::path path;
    if (SUCCEEDED(found))
        path = std::filesystem::path(folder) / kSettingsFolder / profileFileName(baseName);
    else
        path = profileFileName(baseName);
    ::CoTaskMemFree(folder);
    return path;
}

} // namespace morvanex
