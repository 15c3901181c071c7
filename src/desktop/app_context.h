#pragma once

#include "desktop/footer_setting.h"
#include "firmware/firmware_catalogue.h"
#include "firmware/workspace.h"
#include "register/check_context.h"

#include <filesystem>
#include <string>
#include <string_view>

namespace morvanex {

// What a desktop application derives at start-up and shares with its windows for the whole run: its
// names, where its setting and its register live, the workspace and the catalogue.
class AppContext
{
public:
    // From the program file's path; the workspace is the working directory, the register the user's
    // unless the settings file names another.
    explicit AppContext(std::string_view programPath);
    // baseName as the file system spells it (UTF-8). The register is the one the settings file names,
    // else defaultRegister; with neither, checks are not recorded.
    AppContext(std::string baseName, std::filesystem::path profileFile, std::filesystem::path workspaceRoot,
               const std::filesystem::path& defaultRegister = {});

    AppContext(const AppContext&) = delete;
    AppContext& operator=(const AppContext&) = delete;

    std::string baseName;
    std::string appName; // Windows-1252, caption of the validation messages
    FooterSetting setting;
    std::string registerLocation; // UTF-8, as openCheckRegister takes it; empty for none
    CheckContext checker = CheckContext::ofThisMachine();
    Workspace workspace;
    FirmwareCatalogue catalogue;
};

} // namespace morvanex
