#include "settings/app_names.h"

#include <cstdlib>

namespace morvanex {
namespace {

std::optional<std::string_view> environmentValue(const char* name)
{
    const char* value = std::getenv(name);
    if (value == nullptr)
        return std::nullopt;
    return std::string_view(value);
}

} // namespace

std::filesystem::path profileFilePath(std::string_view baseName)
{
    return profileFilePath(baseName, environmentValue("XDG_CONFIG_HOME"), environmentValue("HOME"));
}

std::filesystem::path registerFilePath()
{
    return registerFilePath(environmentValue("XDG_DATA_HOME"), environmentValue("HOME"));
}

} // namespace morvanex
