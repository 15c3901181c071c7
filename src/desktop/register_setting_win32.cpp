#include "desktop/register_setting.h"

#include "desktop/wide_text.h"
#include "settings/app_names.h"
#include "settings/settings_store.h"

#include <windows.h>

namespace morvanex {

// Through the UTF-16 function: a path may hold characters the system's code page lacks.
std::string registerSetting(const std::filesystem::path& profileFile)
{
    std::wstring value(kMaxProfileValueLength + 1, L'\0');
    const DWORD length = ::GetPrivateProfileStringW(
        wideFromCp1252(settingsSection).c_str(), wideFromCp1252(registerKey).c_str(), L"", value.data(),
        static_cast<DWORD>(value.size()), profileFile.c_str());
    value.resize(length);
    return utf8FromWide(value);
}

} // namespace morvanex
