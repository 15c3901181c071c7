#pragma once

#include <array>
#include <cstdint>
#include <filesystem>
#include <optional>
#include <string>
#include <string_view>
#include <utility>
#include <vector>

namespace morvanex {

class CataloguePrompts;

// The printer models whose images are checksummed and decoded with every byte pair swapped.
inline constexpr std::array<std::string_view, 5> byteSwappedModels{"ZQ-101 ORBITA", "XR-55-LQ", "ZQ-102 ORBITA",
                                                                    "ZQ-103 ORBITA", "ZQ-104 ORBITA"};

// Caption of the image-open message, and its text with the file name in place of %s.
inline constexpr std::string_view imageMessageCaption = "Morvanex";
std::string imageOpenMessage(std::string_view fileName);

// The value of a descriptor line: the text after its first colon, blanks directly after the colon
// skipped; empty when the line has no colon.
std::string descriptorValue(std::string_view line);

// The three checksum procedures of an image line.
enum class ImageChecksum { Footer, SwappedFooter, Display };

// Where a record gets its image checksums while the catalogue loads.
class ImageChecksumSource
{
public:
    virtual ~ImageChecksumSource() = default;
    // One procedure's value, from the image as it is when the procedure runs; nothing when the
    // image cannot be opened or read, reason then saying why.
    virtual std::optional<std::uint16_t> checksum(std::string_view fileName, ImageChecksum which,
                                                  std::string& reason) = 0;
};

// The checksum procedures loadDescriptor runs for the descriptor at path, in order, found from one read
// of it: for computing them ahead. Empty when it cannot be read.
std::vector<std::pair<std::string, ImageChecksum>> imageChecksumRequests(const std::filesystem::path& path);

// One approved image. Texts are Windows-1252 bytes as the descriptor holds them.
class FirmwareRecord
{
public:
    virtual ~FirmwareRecord() = default;

    // 1 when the descriptor was read, 0 when it cannot be opened.
    int loadDescriptor(const std::filesystem::path& path, ImageChecksumSource& images, CataloguePrompts& prompts);
    void applyLine(std::string_view line, ImageChecksumSource& images, CataloguePrompts& prompts);

    std::string fileName;
    std::string model;
    std::string version;
    std::string brand;
    std::string footerChecksum;
    std::string displayChecksum;
    std::int32_t byteSwapped = 0;
    // Why the image of the last image line could not be read while the catalogue loaded; empty when
    // it was. Such a row's checksums are "0000", which no genuine code of that image names.
    std::string imageProblem;

private:
    void applyImageLine(std::string_view name, ImageChecksumSource& images, CataloguePrompts& prompts);
    // One procedure: its message when the image cannot be opened, then its field.
    void runChecksum(ImageChecksum which, std::string& field, ImageChecksumSource& images,
                     CataloguePrompts& prompts);
};

} // namespace morvanex
