#include "desktop/footer_setting.h"

#include "settings/app_names.h"
#include "settings/settings_store.h"

namespace morvanex {

// No Windows folder here: the legacy file is never looked for.
std::string FooterSetting::read() const
{
    return readProfileString(m_file, settingsSection, footerStringKey);
}

bool FooterSetting::writeFile(std::string_view value) const
{
    return writeProfileString(m_file, settingsSection, footerStringKey, value);
}

} // namespace morvanex
