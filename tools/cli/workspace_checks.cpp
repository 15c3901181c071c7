#include "workspace_checks.h"

#include "arguments.h"

#include <cstdio>

namespace morvanex::cli {

std::optional<std::filesystem::path> existingWorkspaceDir(const Arguments& args, std::string_view command)
{
    std::filesystem::path dir = workspaceDir(args);
    std::error_code ec;
    if (std::filesystem::is_directory(dir, ec))
        return dir;
    std::fprintf(stderr, "morvanex-cli %.*s: no such folder: '%s'\n", static_cast<int>(command.size()),
                 command.data(), dir.string().c_str());
    return std::nullopt;
}

std::string emptyCatalogueMessage(const std::filesystem::path& dir)
{
    return "the firmware catalogue of '" + dir.string() +
           "' is empty: no descriptors (*.txt) in its folder TXT";
}

} // namespace morvanex::cli
