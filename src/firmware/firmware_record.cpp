#include "firmware/firmware_record.h"

#include "firmware/operator_prompts.h"
#include "firmware/text_encoding.h"
#include "firmware/workspace.h"
#include "footer/checksum.h"
#include "firmware/image_file.h"

#include <algorithm>
#include <cstdio>
#include <fstream>
#include <vector>

namespace morvanex {
namespace {

constexpr std::string_view imageOpenFormat =
    "O arquivo %s não pôde ser aberto.\nVerifique se o arquivo não está sendo usado.";
constexpr std::size_t chunkSize = 1 << 20; // even, so byte pairs never straddle two chunks

char upper(char c)
{
    return c >= 'a' && c <= 'z' ? static_cast<char>(c - 32) : c;
}

bool isModelLine(std::string_view line)
{
    return line.size() >= 2 && upper(line[0]) == 'M' && upper(line[1]) == 'O';
}

std::string hex4(std::uint16_t value)
{
    char text[5];
    std::snprintf(text, sizeof text, "%04X", value);
    return text;
}

// Calls f with every line of the file: a line ends at LF, a CR right before it is dropped.
template <typename F>
bool forEachLine(const std::filesystem::path& path, F f)
{
    std::error_code ec;
    if (!std::filesystem::is_regular_file(path, ec))
        return false;
    std::ifstream in(path, std::ios::binary);
    if (!in)
        return false;
    std::string line;
    while (std::getline(in, line)) {
        // Only a CR right before a LF ends a line; a last line without LF keeps its CR.
        if (!in.eof() && !line.empty() && line.back() == '\r')
            line.pop_back();
        f(std::string_view(line));
    }
    return true;
}

} // namespace

std::string imageOpenMessage(std::string_view fileName)
{
    static const std::string format = *utf8ToCp1252(imageOpenFormat);
    const auto at = format.find("%s");
    return format.substr(0, at) + std::string(fileName) + format.substr(at + 2);
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

ImageChecksums checksumImageFile(const std::filesystem::path& path, bool swapped)
{
    ImageChecksums result;
    std::error_code ec;
    if (!std::filesystem::is_regular_file(path, ec))
        return result;
    std::ifstream in(path, std::ios::binary);
    if (!in)
        return result;
    result.opened = true;
    std::vector<std::uint8_t> chunk(chunkSize);
    while (in) {
        in.read(reinterpret_cast<char*>(chunk.data()), static_cast<std::streamsize>(chunk.size()));
        const std::span<std::uint8_t> piece(chunk.data(), static_cast<std::size_t>(in.gcount()));
        result.display = byteSum16Update(result.display, piece);
        if (swapped)
            swapBytePairs(piece);
        result.footer = crc16Update(result.footer, piece);
    }
    return result;
}

int FirmwareRecord::loadDescriptor(const std::filesystem::path& path, ImageChecksumSource& images,
                                   OperatorPrompts& prompts)
{
    // The model decides the byte swap before any image line is checksummed, wherever it stands.
    std::string scratchModel;
    if (!forEachLine(path, [&](std::string_view line) {
            if (isModelLine(line))
                scratchModel = descriptorValue(line);
        }))
        return 0;
    scratchModel.erase(scratchModel.find_last_not_of(' ') + 1);
    if (std::find(byteSwappedModels.begin(), byteSwappedModels.end(), scratchModel) != byteSwappedModels.end())
        byteSwapped = 1;

    return forEachLine(path, [&](std::string_view line) { applyLine(line, images, prompts); }) ? 1 : 0;
}

void FirmwareRecord::applyLine(std::string_view line, ImageChecksumSource& images, OperatorPrompts& prompts)
{
    if (line.empty())
        return;
    switch (upper(line[0])) {
    case 'A':
        applyImageLine(descriptorValue(line), images, prompts);
        break;
    case 'M':
        (isModelLine(line) ? model : brand) = descriptorValue(line);
        break;
    case 'V':
        version = descriptorValue(line);
        break;
    default:
        break;
    }
}

void FirmwareRecord::applyImageLine(std::string_view name, ImageChecksumSource& images, OperatorPrompts& prompts)
{
    fileName = name;
    const ImageChecksums sums = images.checksums(fileName, byteSwapped == 1);
    if (!sums.opened) {
        // One message for each of the two checksums, as the operator has always seen it.
        prompts.showError(imageMessageCaption, imageOpenMessage(fileName));
        footerChecksum = "0000";
        prompts.showError(imageMessageCaption, imageOpenMessage(fileName));
        displayChecksum = "0000";
        return;
    }
    footerChecksum = hex4(sums.footer);
    displayChecksum = hex4(sums.display);
}

ImageChecksums WorkspaceImageChecksums::checksums(std::string_view fileName, bool swapped)
{
    const auto path = m_workspace.imagePath(fileName);
    return path ? checksumImageFile(*path, swapped) : ImageChecksums{};
}

} // namespace morvanex
