#pragma once

#include "firmware/firmware_catalogue.h"
#include "firmware/workspace.h"
#include "settings/app_names.h"

#include <filesystem>
#include <string>

namespace morvanex {

// What the application derives at start-up and shares with its windows for the whole run.
class AppContext
{
public:
    // baseName as the file system spells it (UTF-8 on Linux).
    AppContext(std::string baseName, std::filesystem::path profileFile, std::filesystem::path workspaceRoot);

    AppContext(const AppContext&) = delete;
    AppContext& operator=(const AppContext&) = delete;

    std::string baseName;
    std::string appName; // Windows-1252, caption of the validation messages
    std::filesystem::path profileFile;
    Workspace workspace;
    FirmwareCatalogue catalogue;
};

} // namespace morvanex
