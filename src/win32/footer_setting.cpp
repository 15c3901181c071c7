#include "win32/footer_setting.h"

#include "settings/app_names.h"
#include "settings/settings_store.h"
#include "win32/win_text.h"

#include <windows.h>

#include <system_error>

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

std::string readFooterString(const std::filesystem::path& profileFile, std::string_view legacyFile)
{
    std::string value = readValue(profileFile.c_str());
    if (value.empty())
        value = readValue(wideFromCp1252(legacyFile).c_str());
    return value;
}

bool writeFooterString(const std::filesystem::path& profileFile, std::string_view value)
{
    // A first run finds no folder of ours yet.
    std::error_code ignored;
    std::filesystem::create_directories(profileFile.parent_path(), ignored);
    return ::WritePrivateProfileStringW(wideFromCp1252(settingsSection).c_str(),
                                        wideFromCp1252(footerStringKey).c_str(),
                                        wideFromCp1252(value).c_str(), profileFile.c_str()) != FALSE;
}

} // namespace morvanex
