#pragma once

#include "firmware/firmware_catalogue.h"
#include "firmware/open_workspace.h"
#include "firmware/workspace.h"

#include <optional>
#include <string_view>

namespace morvanex {
class CataloguePrompts;
}

namespace morvanex::cli {

struct Arguments;

// What an empty catalogue means to a command.
enum class EmptyCatalogue {
    Ends,      // nothing to work with: no input (66)
    WarnedOf,  // said on standard error, and the command goes on
    LeftAlone, // the command goes on and sees for itself
};

// A command's workspace, opened with the core's one step: the --dir folder (else the current one)
// and its catalogue.
class CommandWorkspace
{
public:
    CommandWorkspace(const Arguments& args, CataloguePrompts& prompts);

    CommandWorkspace(const CommandWorkspace&) = delete;
    CommandWorkspace& operator=(const CommandWorkspace&) = delete;

    // Says the warnings on standard error for command, each once, and the problem if there is one;
    // the exit status that ends the command, or nothing when it goes on.
    std::optional<int> check(std::string_view command, EmptyCatalogue empty) const;

    const Workspace& workspace() const { return m_workspace; }
    FirmwareCatalogue& catalogue() { return m_catalogue; }

private:
    Workspace m_workspace;
    FirmwareCatalogue m_catalogue;
    WorkspaceStatus m_status;
};

} // namespace morvanex::cli
