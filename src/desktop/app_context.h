#pragma once

#include "desktop/footer_setting.h"
#include "firmware/firmware_catalogue.h"
#include "firmware/workspace.h"

#include <filesystem>
#include <string>
#include <string_view>

namespace morvanex {

// What a desktop application derives at start-up and shares with its windows for the whole run: its
// names, where its setting lives, the workspace and the catalogue.
class AppContext
{
public:
    // From the program file's path; the workspace is the working directory.
    explicit AppContext(std::string_view programPath);
    // baseName as the file system spells it (UTF-8).
    AppContext(std::string baseName, std::filesystem::path profileFile, std::filesystem::path workspaceRoot);

    AppContext(const AppContext&) = delete;
    AppContext& operator=(const AppContext&) = delete;

    std::string baseName;
    std::string appName; // Windows-1252, caption of the validation messages
    FooterSetting setting;
    Workspace workspace;
    FirmwareCatalogue catalogue;
};

} // namespace morvanex
