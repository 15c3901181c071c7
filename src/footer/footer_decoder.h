#pragma once

#include "footer/footer_layout.h"
#include "footer/key_derivation.h"

#include <array>
#include <memory>
#include <cstdint>
#include <optional>
#include <span>
#include <string_view>
#include <vector>

namespace morvanex {

class PreparedImage;

enum class ValidationStatus : int {
    Valid = 0,
    InvalidString = 1,
    FirmwareNotFound = 2,
    ChecksumMismatch = 3,
};

std::string_view statusName(ValidationStatus status);

// A firmware image as read for one decode.
using ImageBytes = std::shared_ptr<const std::vector<std::uint8_t>>;

// An image in the form a batch run keeps it (see PreparedImage); shared so that dropping it from the
// kept ones cannot pull it away from a decode that uses it.
using PreparedImageRef = std::shared_ptr<const PreparedImage>;

// Where a decoder finds the image a code names by its checksum.
class FirmwareSource
{
public:
    virtual ~FirmwareSource() = default;
    // checksumText: the four characters the code's unmasked checksum makes ("0"-"9", "A"-"F" when
    // genuine). chosenRow receives the catalogue row settled on, or -1.
    virtual ImageBytes loadFirmwareImage(std::span<const std::uint8_t, checksumDigits> checksumText, int& chosenRow) = 0;
};

// The same for a batch run: the image comes prepared, so a decode needs neither its CRC-16 nor more
// than the samples of its own offset.
class PreparedFirmwareSource
{
public:
    virtual ~PreparedFirmwareSource() = default;
    virtual PreparedImageRef loadPreparedImage(std::span<const std::uint8_t, checksumDigits> checksumText,
                                               int& chosenRow) = 0;
};

// Turns a FooterCode back into its fields. Each text field is fixed width with a terminating zero.
class FooterDecoder
{
public:
    explicit FooterDecoder(FirmwareSource* source = nullptr) : m_source(source) {}
    // Decodes with prepared images instead: the same status and fields as from the image's bytes, but
    // the two operations below are not called.
    explicit FooterDecoder(PreparedFirmwareSource* source) : m_preparedSource(source) {}
    virtual ~FooterDecoder() = default;

    // Reads at most the first 49 bytes of text; positions the text does not have count as zero bytes.
    ValidationStatus decode(std::string_view text);
    // The timestamp text read as seconds since 1970; meaningful after Valid.
    std::uint32_t dateValue() const;
    // The catalogue row the lookup of the last decode settled on, -1 for none.
    int chosenRow() const { return m_chosenRow; }
    // The four characters the code's unmasked checksum makes, as the lookup matches them ("0"-"9",
    // "A"-"F" when genuine); meaningful once a decode got past InvalidString.
    std::array<std::uint8_t, checksumDigits> checksumText() const;

    // Text up to the first zero byte of a field.
    static std::string_view text(std::span<const std::uint8_t> field);

    std::array<std::uint8_t, cooDigits + 1> coo{};
    std::array<std::uint8_t, serialDigits + 1> serial{};
    std::array<std::uint8_t, checksumDigits + 1> checksum{};
    std::array<std::uint8_t, timestampDigits + 1> timestamp{};
    std::array<std::uint8_t, keyDigitCount + 1> keyDigits{};
    std::array<std::uint8_t, footerLength + 1> code{};
    std::array<std::uint8_t, cnpjDigits + 1> cnpj{};

protected:
    // Fills keyDigits from the image and the unmasked coo, serial, timestamp and checksum values.
    virtual void deriveKey(std::span<const std::uint8_t> image);
    // The image whose checksum the code names, or null.
    virtual ImageBytes loadFirmwareImage();

private:
    // Whether the image's CRC-16 makes the same text as the code's checksum digits.
    bool checksumMatches(std::uint16_t imageCrc) const;
    KeyFields keyFields() const;
    // The image's part of a decode: FirmwareNotFound, ChecksumMismatch, or Valid with keyDigits set.
    ValidationStatus decodeWithImage();
    ValidationStatus decodeWithPreparedImage();

    FirmwareSource* m_source = nullptr;
    PreparedFirmwareSource* m_preparedSource = nullptr;
    int m_chosenRow = -1;
};

} // namespace morvanex
