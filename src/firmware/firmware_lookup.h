#pragma once

#include "firmware/kept_images.h"
#include "footer/footer_decoder.h"

#include <memory>
#include <optional>
#include <string>
#include <vector>

namespace morvanex {

class FirmwareCatalogue;
class OperatorPrompts;
class Workspace;

// Catalogue rows whose footerChecksum starts with the four characters, in catalogue order.
std::vector<int> matchingRows(const FirmwareCatalogue& catalogue, std::span<const std::uint8_t, 4> checksumText);

// Why the image of the row a lookup settled on could not be had.
struct ImageReadFailure
{
    std::string fileName; // Windows-1252, as the descriptor names it
    std::string reason;   // English, e.g. "not enough memory to hold its 5368709120 bytes"
};

// Bytes of images a batch run may keep at once.
inline constexpr std::size_t keptImageBound = std::size_t{1} << 30;

// Finds the image a code names: the matching row (the operator chooses among several), read from
// the image folder as it is now, byte pairs swapped for the byte-swapped models.
class FirmwareLookup : public FirmwareSource
{
public:
    FirmwareLookup(FirmwareCatalogue& catalogue, const Workspace& workspace, OperatorPrompts& prompts)
        : m_catalogue(catalogue), m_workspace(workspace), m_prompts(prompts)
    {
    }

    ImageBytes loadFirmwareImage(std::span<const std::uint8_t, 4> checksumText, int& chosenRow) override;

    // For a batch run: images read are kept, up to byteBound bytes, and used again while their
    // files keep the identity they were read with.
    void keepImages(bool keep, std::size_t byteBound = keptImageBound);

    // Set when the last loadFirmwareImage settled on a row but could not open, read or hold its
    // image (a missing file included); empty otherwise. For the thread that decoded.
    const std::optional<ImageReadFailure>& lastFailure() const { return m_failure; }

private:
    ImageBytes readImage(const std::string& fileName, bool swapped);
    ImageBytes fail(const std::string& fileName, std::string reason);

    FirmwareCatalogue& m_catalogue;
    const Workspace& m_workspace;
    OperatorPrompts& m_prompts;
    std::unique_ptr<KeptImages> m_kept;
    std::optional<ImageReadFailure> m_failure;
};

} // namespace morvanex
