#include "desktop/app_context.h"

#include "desktop/register_setting.h"
#include "settings/app_names.h"

#include <system_error>

namespace morvanex {
namespace {

std::filesystem::path workingDirectory()
{
    std::error_code ec;
    std::filesystem::path here = std::filesystem::current_path(ec);
    return ec ? std::filesystem::path(".") : here;
}

} // namespace

AppContext::AppContext(std::string_view programPath)
    : AppContext(baseNameOf(programPath), profileFilePath(baseNameOf(programPath)), workingDirectory(),
                 registerFilePath())
{
}

AppContext::AppContext(std::string name, std::filesystem::path profileFile, std::filesystem::path workspaceRoot,
                       const std::filesystem::path& defaultRegister)
    : baseName(std::move(name)), appName(appNameOf(baseName)),
      setting(std::move(profileFile), profileFileName(baseName)),
      registerLocation(morvanex::registerLocation(setting.file(), defaultRegister)),
      workspace(std::move(workspaceRoot))
{
}

} // namespace morvanex
