#pragma once

#include "firmware/firmware_record.h"

#include <atomic>
#include <cstdint>
#include <filesystem>
#include <string>
#include <vector>

namespace morvanex {

class CataloguePrompts;
class Workspace;

// The approved images, built once at start-up and never changed afterwards, so any thread may read
// the rows. selectedIndex is written by whichever thread decodes, hence atomic.
class FirmwareCatalogue
{
public:
    std::vector<FirmwareRecord> rows;
    std::atomic<std::int32_t> selectedIndex{-1};
    // Set when the descriptor or the image folder is there but could not be read: the rows are then
    // not the catalogue the workspace holds. The folder, and the system's reason.
    std::filesystem::path unreadableFolder;
    std::string folderProblem;

    std::int32_t count() const { return static_cast<std::int32_t>(rows.size()); }
    // Whether a row's image could not be read while the catalogue loaded.
    bool hasUnreadableRows() const;
};

// One row per "*.txt" entry of the descriptor folder, in listing order. Image-open messages reach
// prompts in catalogue order; the image checksums may be computed on several threads beforehand.
void loadCatalogue(FirmwareCatalogue& catalogue, const Workspace& workspace, CataloguePrompts& prompts);

} // namespace morvanex
