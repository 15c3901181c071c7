#include "firmware/firmware_lookup.h"

#include "firmware/firmware_catalogue.h"
#include "firmware/image_file.h"
#include "firmware/input_file.h"
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
    m_failure.reset();
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
    return readImage(record.fileName, record.byteSwapped != 0);
}

void FirmwareLookup::keepImages(bool keep, std::size_t byteBound)
{
    m_kept = keep ? std::make_unique<KeptImages>(byteBound) : nullptr;
}

ImageBytes FirmwareLookup::readImage(const std::string& fileName, bool swapped)
{
    const auto path = m_workspace.imagePath(fileName);
    if (!path)
        return fail(fileName, "its name does not stay inside the image folder");
    std::string reason;
    auto file = InputFile::open(*path, &reason);
    if (!file)
        return fail(fileName, reason);
    // Checked at every validation: a kept image counts only while its file is unchanged.
    const KeptImages::Key key{*path, swapped};
    if (m_kept) {
        if (ImageBytes kept = m_kept->find(key, file->identity()))
            return kept;
    }
    auto bytes = file->readAll(&reason);
    if (!bytes)
        return fail(fileName, reason);
    if (swapped)
        swapBytePairs(*bytes);
    auto image = std::make_shared<const std::vector<std::uint8_t>>(std::move(*bytes));
    // A file changed within the clock tick of its time could change again unseen: not kept.
    if (m_kept && file->settled())
        m_kept->keep(key, file->identity(), image);
    return image;
}

ImageBytes FirmwareLookup::fail(const std::string& fileName, std::string reason)
{
    m_failure = ImageReadFailure{fileName, std::move(reason)};
    return nullptr;
}

} // namespace morvanex
