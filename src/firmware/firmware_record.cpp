#include "firmware/firmware_record.h"

#include "text/input_file.h"
#include "firmware/catalogue_prompts.h"
#include "text/text_encoding.h"
#include "text/line_stream.h"
#include "text/text_rules.h"

#include <algorithm>
#include <cstdio>
#include <memory>
#include <new>
#include <vector>

namespace morvanex {
namespace {

constexpr std::string_view imageOpenFormat =
    "O arquivo %s não pôde ser aberto.\nVerifique se o arquivo não está sendo usado.";
constexpr std::size_t descriptorChunk = 65536;

// Line kinds go by ASCII letters only.
bool isModelLine(std::string_view line)
{
    return startsWithIgnoringCase(line, "mo", CaseRule::Ascii);
}

// The model of a descriptor's last model line, trailing blanks aside, names a byte-swapped model exactly.
bool isByteSwappedModel(std::string model)
{
    model.erase(model.find_last_not_of(' ') + 1);
    return std::find(byteSwappedModels.begin(), byteSwappedModels.end(), model) != byteSwappedModels.end();
}

std::string hex4(std::uint16_t value)
{
    char text[5];
    std::snprintf(text, sizeof text, "%04X", value);
    return text;
}

// Calls f with every line of the file, memory bounded by its longest line.
template <typename F>
bool forEachLine(const std::filesystem::path& path, F f)
{
    auto file = InputFile::open(path);
    if (!file)
        return false;
    try {
        LineStream lines(LineEnds::Lf);
        const auto chunk = std::make_unique_for_overwrite<std::uint8_t[]>(descriptorChunk);
        for (;;) {
            const auto got = file->read({chunk.get(), descriptorChunk});
            if (!got)
                return false;
            if (*got == 0)
                lines.close();
            lines.append(std::string_view(reinterpret_cast<const char*>(chunk.get()), *got));
            while (const auto line = lines.next())
                f(std::string_view(*line));
            if (*got == 0)
                return true;
        }
    } catch (const std::bad_alloc&) {
        return false; // a line longer than memory holds: the descriptor cannot be read
    }
}

} // namespace

std::string imageOpenMessage(std::string_view fileName)
{
    return cp1252Message(imageOpenFormat, fileName);
}

std::string descriptorValue(std::string_view line)
{
    const auto colon = line.find(':');
    if (colon == std::string_view::npos)
        return {};
    std::size_t start = colon + 1;
    while (start < line.size() && line[start] == ' ')
        ++start;
    return std::string(line.substr(start));
}

std::vector<std::pair<std::string, ImageChecksum>> imageChecksumRequests(const std::filesystem::path& path)
{
    std::string model;
    std::vector<std::string> images;
    if (!forEachLine(path, [&](std::string_view line) {
            if (isModelLine(line))
                model = descriptorValue(line);
            else if (!line.empty() && foldCase(line[0], CaseRule::Ascii) == 'a')
                images.push_back(descriptorValue(line));
        }))
        return {};
    const ImageChecksum footer =
        isByteSwappedModel(model) ? ImageChecksum::SwappedFooter : ImageChecksum::Footer;
    std::vector<std::pair<std::string, ImageChecksum>> requests;
    for (auto& name : images) {
        requests.emplace_back(name, footer);
        requests.emplace_back(std::move(name), ImageChecksum::Display);
    }
    return requests;
}

int FirmwareRecord::loadDescriptor(const std::filesystem::path& path, ImageChecksumSource& images,
                                   CataloguePrompts& prompts)
{
    // The model decides the byte swap before any image line is checksummed, wherever it stands. A
    // descriptor of one chunk or less is read once and its lines gone over twice; a larger one is read
    // twice, so that memory stays bounded by its longest line.
    std::string scratchModel;
    std::vector<std::string> kept;
    std::size_t bytes = 0;
    if (!forEachLine(path, [&](std::string_view line) {
            if (isModelLine(line))
                scratchModel = descriptorValue(line);
            bytes += line.size() + 1;
            if (bytes <= descriptorChunk)
                kept.emplace_back(line);
            else
                kept.clear();
        }))
        return 0;
    if (isByteSwappedModel(scratchModel))
        byteSwapped = 1;

    if (bytes <= descriptorChunk) {
        for (const std::string& line : kept)
            applyLine(line, images, prompts);
        return 1;
    }
    return forEachLine(path, [&](std::string_view line) { applyLine(line, images, prompts); }) ? 1 : 0;
}

void FirmwareRecord::applyLine(std::string_view line, ImageChecksumSource& images, CataloguePrompts& prompts)
{
    if (line.empty())
        return;
    switch (foldCase(line[0], CaseRule::Ascii)) {
    case 'a':
        applyImageLine(descriptorValue(line), images, prompts);
        break;
    case 'm':
        (isModelLine(line) ? model : brand) = descriptorValue(line);
        break;
    case 'v':
        version = descriptorValue(line);
        break;
    default:
        break;
    }
}

void FirmwareRecord::applyImageLine(std::string_view name, ImageChecksumSource& images, CataloguePrompts& prompts)
{
    fileName = name;
    imageProblem.clear();
    runChecksum(byteSwapped == 1 ? ImageChecksum::SwappedFooter : ImageChecksum::Footer, footerChecksum,
                images, prompts);
    runChecksum(ImageChecksum::Display, displayChecksum, images, prompts);
}

void FirmwareRecord::runChecksum(ImageChecksum which, std::string& field, ImageChecksumSource& images,
                                 CataloguePrompts& prompts)
{
    std::string reason;
    const auto value = images.checksum(fileName, which, reason);
    if (!value) {
        if (imageProblem.empty())
            imageProblem = reason.empty() ? std::string("it cannot be read") : reason;
        prompts.showError(imageMessageCaption, imageOpenMessage(fileName));
    }
    field = hex4(value.value_or(0));
}

} // namespace morvanex
