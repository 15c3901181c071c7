#include "app/app_context.h"

#include "text/text_encoding.h"

namespace morvanex {

AppContext::AppContext(std::string name, std::filesystem::path profile, std::filesystem::path workspaceRoot)
    : baseName(std::move(name)), appName(utf8ToCp1252(baseName).value_or(baseName)),
      profileFile(std::move(profile)), workspace(std::move(workspaceRoot))
{
}

} // namespace morvanex
