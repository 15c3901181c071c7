#pragma once

#include "firmware/firmware_catalogue.h"
#include "firmware/workspace.h"

#include <filesystem>
#include <string>

namespace morvanex {

// What the application derives at start-up and shares with its windows for the whole run.
struct AppContext
{
    // baseName as the program file's name spells it (UTF-8).
    AppContext(std::string baseName, std::filesystem::path profileFile, std::filesystem::path workspaceRoot);

    AppContext(const AppContext&) = delete;
    AppContext& operator=(const AppContext&) = delete;

    std::string baseName;
    std::string appName; // Windows-1252, caption of the validation messages
    std::filesystem::path profileFile;
    // The file the original kept the setting in: the bare name, which the profile functions look for
    // in the Windows folder. Read while profileFile holds no value, never written.
    std::string legacyProfileFile;
    Workspace workspace;
    FirmwareCatalogue catalogue;
};

} // namespace morvanex
