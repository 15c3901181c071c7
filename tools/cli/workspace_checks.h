#pragma once

#include <filesystem>
#include <optional>
#include <string>
#include <string_view>

namespace morvanex::cli {

struct Arguments;
}

namespace morvanex {
class FirmwareCatalogue;
}

namespace morvanex::cli {

// The --dir folder (else the current one) when it exists; otherwise nothing, said on stderr for command.
std::optional<std::filesystem::path> existingWorkspaceDir(const Arguments& args, std::string_view command);

// What to say when the catalogue of dir has no rows.
std::string emptyCatalogueMessage(const std::filesystem::path& dir);

// False, said on stderr for command, when a folder of the catalogue's workspace could not be read:
// the catalogue is then not what the workspace holds.
bool foldersReadable(const FirmwareCatalogue& catalogue, std::string_view command);
// Names on stderr, for command, the rows whose image could not be read while the catalogue loaded.
void warnOfUnreadableRows(const FirmwareCatalogue& catalogue, std::string_view command);

} // namespace morvanex::cli
