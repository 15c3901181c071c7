#include "validation/firmware_lookup.h"

#include "firmware/firmware_catalogue.h"
#include "firmware/image_file.h"
#include "text/input_file.h"
#include "validation/operator_prompts.h"
#include "firmware/workspace.h"

#include <algorithm>
#include <cstring>

namespace morvanex {

namespace {

void collectMatchingRows(const FirmwareCatalogue& catalogue, std::span<const std::uint8_t, 4> checksumText,
                         std::vector<int>& rows)
{
    rows.clear();
    for (int i = 0; i < catalogue.count(); ++i) {
        const std::string& text = catalogue.rows[static_cast<std::size_t>(i)].footerChecksum;
        if (text.size() >= 4 && std::memcmp(text.data(), checksumText.data(), checksumText.size()) == 0)
            rows.push_back(i);
    }
}

} // namespace

std::vector<int> matchingRows(const FirmwareCatalogue& catalogue, std::span<const std::uint8_t, 4> checksumText)
{
    std::vector<int> rows;
    collectMatchingRows(catalogue, checksumText, rows);
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
    // Kept from one lookup to the next: a batch asks for one per code.
    std::vector<int>& candidates = m_candidates;
    collectMatchingRows(m_catalogue, checksumText, candidates);
    if (candidates.empty())
        return nullptr;
    const int row = candidates.size() == 1 ? candidates.front()
                    : m_givenRow           ? *m_givenRow
                                           : m_prompts.chooseFirmware(m_catalogue, candidates);
    // The chooser may only answer with one of the candidates.
    const int index = std::find(candidates.begin(), candidates.end(), row) != candidates.end() ? row : -1;
    chosenRow = index;
    m_catalogue.selectedIndex = index;
    return index < 0 ? nullptr : &m_catalogue.rows[static_cast<std::size_t>(index)];
}

std::optional<FileIdentity> FirmwareLookup::imageIdentity(const FirmwareRecord& record)
{
    // Where a name leads is worked out once; whether the file is there, and which, every time.
    auto place = m_places.find(record.fileName);
    if (place == m_places.end())
        place = m_places.emplace(record.fileName, m_workspace.imagePlace(record.fileName)).first;
    return m_workspace.imageIdentity(record.fileName, place->second);
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
