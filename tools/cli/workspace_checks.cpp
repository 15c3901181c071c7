#include "workspace_checks.h"

#include "arguments.h"

#include "firmware/firmware_catalogue.h"
#include "text/text_encoding.h"

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

bool foldersReadable(const FirmwareCatalogue& catalogue, std::string_view command)
{
    if (catalogue.folderProblem.empty())
        return true;
    std::fprintf(stderr, "morvanex-cli %.*s: cannot read folder '%s': %s\n", static_cast<int>(command.size()),
                 command.data(), catalogue.unreadableFolder.string().c_str(), catalogue.folderProblem.c_str());
    return false;
}

void warnOfUnreadableRows(const FirmwareCatalogue& catalogue, std::string_view command)
{
    for (int i = 0; i < catalogue.count(); ++i) {
        const FirmwareRecord& row = catalogue.rows[static_cast<std::size_t>(i)];
        if (!row.imageProblem.empty())
            std::fprintf(stderr, "morvanex-cli %.*s: warning: row %d: cannot read image '%s': %s\n",
                         static_cast<int>(command.size()), command.data(), i, utf8(row.fileName).c_str(),
                         row.imageProblem.c_str());
    }
}

std::string emptyCatalogueMessage(const std::filesystem::path& dir)
{
    return "the firmware catalogue of '" + dir.string() +
           "' is empty: no descriptors (*.txt) in its folder TXT";
}

} // namespace morvanex::cli
