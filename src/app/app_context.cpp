#include "app/app_context.h"

namespace morvanex {

AppContext::AppContext(std::string name, std::filesystem::path profile, std::filesystem::path workspaceRoot)
    : baseName(std::move(name)), appName(appNameOf(baseName)),
      profileFile(std::move(profile)), workspace(std::move(workspaceRoot))
{
}

} // namespace morvanex
