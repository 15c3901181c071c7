#pragma once

#include "text/input_file.h"
#include "firmware/workspace.h"
#include "footer/footer_decoder.h"

#include <filesystem>
#include <optional>
#include <string>
#include <unordered_map>
#include <vector>

namespace morvanex {

class FirmwareCatalogue;
class FirmwareRecord;
class OperatorPrompts;

// Catalogue rows whose footerChecksum starts with the four characters, in catalogue order.
std::vector<int> matchingRows(const FirmwareCatalogue& catalogue, std::span<const std::uint8_t, 4> checksumText);

// Why the image of the row a lookup settled on could not be had.
struct ImageReadFailure
{
    std::string fileName; // Windows-1252, as the descriptor names it
    std::string reason;   // English, e.g. "not enough memory to hold its 5368709120 bytes"
};

// Finds the image a code names: the matching row (the operator chooses among several), read from
// the image folder as it is now, byte pairs swapped for the byte-swapped models. Nothing of the image
// is kept; a batch run keeps images with KeptImages, which finds rows and files through this lookup.
class FirmwareLookup : public FirmwareSource
{
public:
    FirmwareLookup(FirmwareCatalogue& catalogue, const Workspace& workspace, OperatorPrompts& prompts)
        : m_catalogue(catalogue), m_workspace(workspace), m_prompts(prompts)
    {
    }

    ImageBytes loadFirmwareImage(std::span<const std::uint8_t, 4> checksumText, int& chosenRow) override;

    // The first steps of every lookup: the row the checksum text names (the operator chooses among
    // several, unless a row was given beforehand), also set as the catalogue's selectedIndex; null when
    // none is settled on.
    const FirmwareRecord* findRow(std::span<const std::uint8_t, 4> checksumText, int& chosenRow);
    // From now on a choice among several rows takes row when it is one of them and none otherwise,
    // without asking the operator; std::nullopt asks the operator again.
    void answerChoicesWith(std::optional<int> row) { m_givenRow = row; }
    // The rows the last lookup found; one or none when there was nothing to choose.
    const std::vector<int>& lastCandidates() const { return m_candidates; }
    // The identity of the file openImage would open for the row, looked at without opening it;
    // nothing when it cannot be examined (nothing noted: openImage says why).
    std::optional<FileIdentity> imageIdentity(const FirmwareRecord& record);
    // The row's image file opened as it is now; nothing when it cannot be (lastFailure says why).
    std::optional<InputFile> openImage(const FirmwareRecord& record);
    // The rest of the row's open image file, byte pairs swapped for the byte-swapped models; nothing
    // when it cannot be read or held in memory (lastFailure says why).
    std::optional<std::vector<std::uint8_t>> readImage(const FirmwareRecord& record, InputFile& file);
    // Notes why the row's image could not be had.
    void fail(const FirmwareRecord& record, std::string reason);

    // Set when the last lookup settled on a row but could not open, read or hold its image (a
    // missing file included); empty otherwise. For the thread that decoded.
    const std::optional<ImageReadFailure>& lastFailure() const { return m_failure; }

private:
    FirmwareCatalogue& m_catalogue;
    const Workspace& m_workspace;
    OperatorPrompts& m_prompts;
    std::optional<int> m_givenRow;
    std::optional<ImageReadFailure> m_failure;
    std::vector<int> m_candidates;                                  // of the last lookup
    std::unordered_map<std::string, Workspace::ImagePlace> m_places; // by file name
};

} // namespace morvanex
