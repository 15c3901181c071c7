#pragma once

#include <filesystem>
#include <string>
#include <string_view>

namespace morvanex {

// The one setting, FooterString: the code fields as the operator last left them with "Sair", in the
// settings file of the platform. Values are Windows-1252. On Linux the settings store keeps the file
// (settings_store.h); on Windows the platform's own profile functions do, so that the file holds
// exactly what they write, and a value the original left in the Windows folder is read but never
// written there.
class FooterSetting
{
public:
    // legacyFile: the bare file name (UTF-8) the original's profile functions looked for in the Windows
    // folder.
    FooterSetting(std::filesystem::path file, std::string legacyFile)
        : m_file(std::move(file)), m_legacyFile(std::move(legacyFile))
    {
    }

    // The value in the settings file; on Windows, while that holds none, the one in the Windows
    // folder. Empty when none is stored.
    std::string read() const;
    // Stores value, making the settings folder first (a first run finds none); false when it could
    // not be written.
    bool write(std::string_view value) const;

    const std::filesystem::path& file() const { return m_file; }
    const std::string& legacyFile() const { return m_legacyFile; }

private:
    // The platform's half of write, once the folder is there.
    bool writeFile(std::string_view value) const;

    std::filesystem::path m_file;
    std::string m_legacyFile;
};

} // namespace morvanex
