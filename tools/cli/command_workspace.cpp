#include "command_workspace.h"

#include "arguments.h"
#include "exit_status.h"
#include "standard_streams.h"

namespace morvanex::cli {

CommandWorkspace::CommandWorkspace(const Arguments& args, CataloguePrompts& prompts)
    : m_workspace(workspaceDir(args)), m_status(openWorkspace(m_workspace, m_catalogue, prompts))
{
}

std::optional<int> CommandWorkspace::check(std::string_view command, EmptyCatalogue empty) const
{
    for (const WorkspaceWarning& warning : m_status.warnings)
        say(command, "warning: " + warning.text);
    switch (m_status.problem) {
    case WorkspaceProblem::None:
        break;
    case WorkspaceProblem::NoSuchFolder:
        say(command, m_status.description());
        return exit_status::noInput;
    // The rows are then not what the workspace holds.
    case WorkspaceProblem::UnreadableFolder:
        say(command, m_status.description());
        return exit_status::ioFailure;
    case WorkspaceProblem::EmptyCatalogue:
        if (empty == EmptyCatalogue::Ends) {
            say(command, m_status.description());
            return exit_status::noInput;
        }
        if (empty == EmptyCatalogue::WarnedOf)
            say(command, "warning: " + m_status.description());
        break;
    }
    return std::nullopt;
}

} // namespace morvanex::cli
