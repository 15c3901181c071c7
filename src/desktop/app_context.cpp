#include "desktop/app_context.h"

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
    : AppContext(baseNameOf(programPath), profileFilePath(baseNameOf(programPath)), workingDirectory())
{
}

AppContext::AppContext(std::string name, std::filesystem::path profileFile, std::filesystem::path workspaceRoot)
    : baseName(std::move(name)), appName(appNameOf(baseName)),
      setting(std::move(profileFile), profileFileName(baseName)), workspace(std::move(workspaceRoot))
{
}

} // namespace morvanex
