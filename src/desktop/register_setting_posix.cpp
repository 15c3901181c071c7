#include "desktop/register_setting.h"

#include "settings/app_names.h"
#include "settings/settings_store.h"
#include "text/text_encoding.h"

namespace morvanex {

std::string registerSetting(const std::filesystem::path& profileFile)
{
    // The store reads Windows-1252, as the profile functions do; locations are UTF-8.
    return utf8(readProfileString(profileFile, settingsSection, registerKey));
}

} // namespace morvanex
