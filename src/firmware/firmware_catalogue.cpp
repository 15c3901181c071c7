#include "firmware/firmware_catalogue.h"

#include "firmware/folder_index.h"
#include "firmware/catalogue_prompts.h"
#include "firmware/workspace.h"
#include "firmware/workspace_image_checksums.h"

#include <algorithm>
#include <string>
#include <thread>
#include <utility>

namespace morvanex {

bool FirmwareCatalogue::hasUnreadableRows() const
{
    return std::any_of(rows.begin(), rows.end(), [](const FirmwareRecord& r) { return !r.imageProblem.empty(); });
}

void loadCatalogue(FirmwareCatalogue& catalogue, const Workspace& workspace, CataloguePrompts& prompts)
{
    const auto folder = workspace.descriptorFolder();
    std::string problem;
    const std::vector<std::string> names = listFolder(folder, ".txt", &problem);
    const auto imageFolder = workspace.imageFolder();
    catalogue.unreadableFolder.clear();
    catalogue.folderProblem = problem;
    if (!problem.empty())
        catalogue.unreadableFolder = folder;
    else if (auto images = unreadableFolder(imageFolder)) {
        catalogue.unreadableFolder = imageFolder;
        catalogue.folderProblem = std::move(*images);
    }
    catalogue.rows.assign(names.size(), FirmwareRecord{});

    WorkspaceImageChecksums images(workspace);
    const unsigned threads = std::max(1u, std::thread::hardware_concurrency());
    if (threads > 1 && names.size() > 1) {
        // Read the images on every core first; the procedures below then find most of them unchanged.
        std::vector<std::pair<std::string, ImageChecksum>> requests;
        for (const auto& name : names)
            for (auto& request : imageChecksumRequests(folder / entryPath(name)))
                requests.push_back(std::move(request));
        images.computeAhead(requests, threads);
    }
    for (std::size_t i = 0; i < names.size(); ++i)
        catalogue.rows[i].loadDescriptor(folder / entryPath(names[i]), images, prompts);
}

} // namespace morvanex
