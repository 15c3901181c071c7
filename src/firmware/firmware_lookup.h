#pragma once

#include "footer/footer_decoder.h"

#include <filesystem>
#include <map>
#include <mutex>
#include <string>
#include <vector>

namespace morvanex {

class FirmwareCatalogue;
class OperatorPrompts;
class Workspace;

// Catalogue rows whose footerChecksum starts with the four characters, in catalogue order.
std::vector<int> matchingRows(const FirmwareCatalogue& catalogue, std::span<const std::uint8_t, 4> checksumText);

// Finds the image a code names: the matching row (the operator chooses among several), read from
// the image folder, byte pairs swapped for the byte-swapped models.
class FirmwareLookup : public FirmwareSource
{
public:
    FirmwareLookup(FirmwareCatalogue& catalogue, const Workspace& workspace, OperatorPrompts& prompts)
        : m_catalogue(catalogue), m_workspace(workspace), m_prompts(prompts)
    {
    }

    ImageBytes loadFirmwareImage(std::span<const std::uint8_t, 4> checksumText, int& chosenRow) override;

    // For a batch run: each image file is read once and kept for the rest of the run.
    void keepImages(bool keep) { m_keep = keep; }

private:
    ImageBytes readImage(const std::filesystem::path& path, bool swapped) const;

    FirmwareCatalogue& m_catalogue;
    const Workspace& m_workspace;
    OperatorPrompts& m_prompts;
    bool m_keep = false;
    std::mutex m_keptMutex;
    std::map<std::pair<std::filesystem::path, bool>, ImageBytes> m_kept;
};

} // namespace morvanex
