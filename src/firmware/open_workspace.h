#pragma once

#include <filesystem>
#include <string>
#include <vector>

namespace morvanex {

class CataloguePrompts;
class FirmwareCatalogue;
class Workspace;

// What stops a workspace from giving a catalogue to validate against.
enum class WorkspaceProblem {
    None,
    NoSuchFolder,     // the workspace folder is not there, or is no folder
    UnreadableFolder, // its TXT or Bin folder is there but cannot be read: the rows are not what it holds
    EmptyCatalogue,   // no descriptor in TXT
};

// Something to tell the user once, which does not stop the work.
struct WorkspaceWarning
{
    std::filesystem::path path; // what it is about
    std::string text;           // English, for a line on standard error
    std::string message;        // Windows-1252, for the operator's message box
};

// How opening a workspace went: the problem, if any, and the warnings to say once.
struct WorkspaceStatus
{
    WorkspaceProblem problem = WorkspaceProblem::None;
    std::filesystem::path folder; // the folder the problem is about
    std::string reason;           // the system's reason for an UnreadableFolder, English
    std::vector<WorkspaceWarning> warnings;

    // The problem in one English line, naming the folder: "no such folder: 'X'" and the like;
    // empty for None.
    std::string description() const;
    // What the operator is told at start-up (Windows-1252); empty for None.
    std::string operatorMessage() const;
};

// The one step that opens a workspace, for every command and both desktop faces: checks that its
// folder is there, then loads the catalogue (image messages go to prompts) and checks its folders and
// rows. A missing folder loads nothing.
WorkspaceStatus openWorkspace(const Workspace& workspace, FirmwareCatalogue& catalogue, CataloguePrompts& prompts);
// The status of a catalogue loaded already.
WorkspaceStatus statusOf(const FirmwareCatalogue& catalogue, const Workspace& workspace);

} // namespace morvanex
