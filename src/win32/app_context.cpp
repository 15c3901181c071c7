#include "win32/app_context.h"

#include "settings/app_names.h"

namespace morvanex {

AppContext::AppContext(std::string name, std::filesystem::path profile, std::filesystem::path workspaceRoot)
    : baseName(std::move(name)), appName(appNameOf(baseName)), profileFile(std::move(profile)),
      legacyProfileFile(profileFileName(baseName)), workspace(std::move(workspaceRoot))
{
}

} // namespace morvanex
