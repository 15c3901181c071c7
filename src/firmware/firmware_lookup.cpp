#include "firmware/firmware_lookup.h"

#include "firmware/firmware_catalogue.h"
#include "firmware/image_file.h"
#include "firmware/operator_prompts.h"
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
    const std::vector<int> candidates = matchingRows(m_catalogue, checksumText);
    if (candidates.empty())
        return nullptr;
    const int row = candidates.size() == 1 ? candidates.front() : m_prompts.chooseFirmware(m_catalogue, candidates);
    // The chooser may only answer with one of the candidates.
    const int index = std::find(candidates.begin(), candidates.end(), row) != candidates.end() ? row : -1;
    chosenRow = index;
    m_catalogue.selectedIndex = index;
    if (index < 0)
        return nullptr;
    const FirmwareRecord& record = m_catalogue.rows[static_cast<std::size_t>(index)];
    const auto path = m_workspace.imagePath(record.fileName);
    if (!path)
        return nullptr;
    const bool swapped = record.byteSwapped != 0;
    if (!m_keep)
        return readImage(*path, swapped);
    const std::lock_guard lock(m_keptMutex);
    auto it = m_kept.find({*path, swapped});
    if (it == m_kept.end())
        it = m_kept.emplace(std::pair{*path, swapped}, readImage(*path, swapped)).first;
    return it->second;
}

ImageBytes FirmwareLookup::readImage(const std::filesystem::path& path, bool swapped) const
{
    auto image = readWholeFile(path);
    if (!image)
        return nullptr;
    if (swapped)
        swapBytePairs(*image);
    return std::make_shared<const std::vector<std::uint8_t>>(std::move(*image));
}

} // namespace morvanex
