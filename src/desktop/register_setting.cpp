#include "desktop/register_setting.h"

namespace morvanex {

std::string registerLocation(const std::filesystem::path& profileFile, const std::filesystem::path& defaultFile)
{
    if (std::string named = registerSetting(profileFile); !named.empty())
        return named;
    const std::u8string spelled = defaultFile.u8string();
    return std::string(spelled.begin(), spelled.end());
}

} // namespace morvanex
