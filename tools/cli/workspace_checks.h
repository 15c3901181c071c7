#pragma once

#include <filesystem>
#include <optional>
#include <string>
#include <string_view>

namespace morvanex::cli {

struct Arguments;

// The --dir folder (else the current one) when it exists; otherwise nothing, said on stderr for command.
std::optional<std::filesystem::path> existingWorkspaceDir(const Arguments& args, std::string_view command);

// What to say when the catalogue of dir has no rows.
std::string emptyCatalogueMessage(const std::filesystem::path& dir);

} // namespace morvanex::cli
