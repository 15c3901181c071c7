#include "firmware/open_workspace.h"

#include "firmware/firmware_catalogue.h"
#include "firmware/workspace.h"
#include "text/text_encoding.h"

namespace morvanex {
namespace {

constexpr std::string_view noFirmwareText =
    "Nenhum firmware homologado foi encontrado em %s.\n"
    "Coloque os descritores (*.txt) na pasta TXT e as imagens na pasta Bin dessa pasta; "
    "sem eles, nenhum documento pode ser validado.";
constexpr std::string_view unreadableFolderText =
    "A pasta %s não pôde ser lida.\nSem ela, nenhum documento pode ser validado.";

// A path in Windows-1252, as the operator's messages are.
std::string spelled(const std::filesystem::path& path)
{
    const std::u8string name = path.u8string();
    return cp1252(std::string_view(reinterpret_cast<const char*>(name.data()), name.size()));
}

WorkspaceStatus problemWith(WorkspaceProblem problem, const std::filesystem::path& folder, std::string reason = {})
{
    WorkspaceStatus status;
    status.problem = problem;
    status.folder = folder;
    status.reason = std::move(reason);
    return status;
}

std::string quoted(const std::filesystem::path& path)
{
    return "'" + path.string() + "'";
}

} // namespace

std::string WorkspaceStatus::description() const
{
    switch (problem) {
    case WorkspaceProblem::None:
        break;
    case WorkspaceProblem::NoSuchFolder:
        return "no such folder: " + quoted(folder);
    case WorkspaceProblem::UnreadableFolder:
        return "cannot read folder " + quoted(folder) + ": " + reason;
    case WorkspaceProblem::EmptyCatalogue:
        return "the firmware catalogue of " + quoted(folder) + " is empty: no descriptors (*.txt) in its folder TXT";
    }
    return {};
}

std::string WorkspaceStatus::operatorMessage() const
{
    switch (problem) {
    case WorkspaceProblem::None:
        break;
    case WorkspaceProblem::UnreadableFolder:
        return cp1252Message(unreadableFolderText, spelled(folder));
    // Where no folder is, no firmware is found either.
    case WorkspaceProblem::NoSuchFolder:
    case WorkspaceProblem::EmptyCatalogue:
        return cp1252Message(noFirmwareText, spelled(folder));
    }
    return {};
}

WorkspaceStatus openWorkspace(const Workspace& workspace, FirmwareCatalogue& catalogue, CataloguePrompts& prompts)
{
    if (!openedFolderPath(workspace.root()))
        return problemWith(WorkspaceProblem::NoSuchFolder, workspace.root());
    loadCatalogue(catalogue, workspace, prompts);
    return statusOf(catalogue, workspace);
}

WorkspaceStatus statusOf(const FirmwareCatalogue& catalogue, const Workspace& workspace)
{
    if (!catalogue.folderProblem.empty())
        return problemWith(WorkspaceProblem::UnreadableFolder, catalogue.unreadableFolder, catalogue.folderProblem);
    if (catalogue.rows.empty())
        return problemWith(WorkspaceProblem::EmptyCatalogue, workspace.root());
    return {};
}

} // namespace morvanex
