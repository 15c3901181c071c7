#include "validation/firmware_lookup.h"

#include "firmware/firmware_catalogue.h"
#include "firmware/image_file.h"
#include "text/input_file.h"
#include "validation/operator_prompts.h"
#include "firmware/workspace.h"

#include <algorithm>

namespace morvanex {

std::vector<int> matchingRows(const FirmwareCatalogue& catalogue, std::span<const std::uint8_t, 4> checksumText)
{
    std::vector<int> rows;
    for (int i = 0; i < catalogue.count(); ++i) {
        const std::string& text = catalogue.rows[static_cast<std::size_t>(i)].footerChecksum;
        if (text.size() >= 4 && std::equal(checksumText.begin(), checksumText.end(), text.begin(),
                                           [](std::uint8_t a, char b) { return a == static_cast<std::uint8_t>(b); }))
            rows.push_back(i);
    }
    return rows;
}

ImageBytes FirmwareLookup::loadFirmwareImage(std::span<const std::uint8_t, 4> checksumText, int& chosenRow)
{
    const FirmwareRecord* record = findRow(checksumText, chosenRow);
    if (!record)
        return nullptr;
    auto file = openImage(*record);
    if (!file)
        return nullptr;
    auto bytes = readImage(*record, *file);
    return bytes ? std::make_shared<const std::vector<std::uint8_t>>(std::move(*bytes)) : nullptr;
}

const FirmwareRecord* FirmwareLookup::findRow(std::span<const std::uint8_t, 4> checksumText, int& chosenRow)
{
    m_failure.reset();
    m_candidates.clear();
    const std::vector<int> candidates = matchingRows(m_catalogue, checksumText);
    if (candidates.empty())
        return nullptr;
    if (candidates.size() > 1)
        m_candidates = candidates;
    const int row = candidates.size() == 1 ? candidates.front()
                    : m_givenRow           ? *m_givenRow
                                           : m_prompts.chooseFirmware(m_catalogue, candidates);
    // The chooser may only answer with one of the candidates.
    const int index = std::find(candidates.begin(), candidates.end(), row) != candidates.end() ? row : -1;
    chosenRow = index;
    m_catalogue.selectedIndex = index;
    return index < 0 ? nullptr : &m_catalogue.rows[static_cast<std::size_t>(index)];
}

std::optional<std::filesystem::path> FirmwareLookup::imagePath(const FirmwareRecord& record) const
{
    return m_workspace.imagePath(record.fileName);
}

std::optional<InputFile> FirmwareLookup::openImage(const FirmwareRecord& record)
{
    std::string reason;
    auto file = m_workspace.openImage(record.fileName, &reason);
    if (!file)
        fail(record, reason);
    return file;
}

std::optional<std::vector<std::uint8_t>> FirmwareLookup::readImage(const FirmwareRecord& record, InputFile& file)
{
    std::string reason;
    auto bytes = file.readAll(&reason);
    if (!bytes) {
        fail(record, reason);
        return std::nullopt;
    }
    if (record.byteSwapped)
        swapBytePairs(*bytes);
    return bytes;
}

void FirmwareLookup::fail(const FirmwareRecord& record, std::string reason)
{
    m_failure = ImageReadFailure{record.fileName, std::move(reason)};
}

} // namespace morvanex
