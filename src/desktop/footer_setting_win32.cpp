#include "desktop/footer_setting.h"

#include "desktop/wide_text.h"
#include "settings/app_names.h"
#include "settings/settings_store.h"

#include <windows.h>

namespace morvanex {
namespace {

// Through the UTF-16 functions: a user's folder may hold characters the system's code page lacks.
// They store the value in that code page, as the original's calls did.
std::string readValue(const wchar_t* file)
{
    const std::wstring section = wideFromCp1252(settingsSection);
    const std::wstring key = wideFromCp1252(footerStringKey);
    std::wstring value(kMaxProfileValueLength + 1, L'\0');
    const DWORD length = ::GetPrivateProfileStringW(section.c_str(), key.c_str(), L"", value.data(),
                                                    static_cast<DWORD>(value.size()), file);
    value.resize(length);
    return cp1252FromWide(value);
}

} // namespace

std::string FooterSetting::read() const
{
    std::string value = readValue(m_file.c_str());
    if (value.empty())
        value = readValue(wideFromUtf8(m_legacyFile).c_str());
    return value;
}

bool FooterSetting::writeFile(std::string_view value) const
{
    return ::WritePrivateProfileStringW(wideFromCp1252(settingsSection).c_str(),
                                        wideFromCp1252(footerStringKey).c_str(), wideFromCp1252(value).c_str(),
                                        m_file.c_str()) != FALSE;
}

} // namespace morvanex
