#include "footer/footer_decoder.h"
#include "footer/footer_encoder.h"
#include "support/temp_dir.h"
#include "selftest/cycle_log.h"
#include "selftest/footer_request.h"
#include "selftest/selftest_random.h"

#include <array>
#include <gtest/gtest.h>
#include <memory>
#include <string>
#include <vector>

namespace morvanex {
namespace {

// Hands the decoder a fixed image, or none.
class FixedImage : public FirmwareSource
{
public:
    explicit FixedImage(std::vector<std::uint8_t> image, bool present = true)
        : m_image(std::make_shared<const std::vector<std::uint8_t>>(std::move(image))), m_present(present)
    {
    }
    ImageBytes loadFirmwareImage(std::span<const std::uint8_t, 4>, int& chosenRow) override
    {
        chosenRow = m_present ? 0 : -1;
        return m_present ? m_image : nullptr;
    }

private:
    ImageBytes m_image;
    bool m_present;
};

const std::string serialMarker = "\r\n*** ERRO NO N\xDAMERO DE S\xC9RIE ***\r\n";
const std::string cooMarker = "\r\n*** ERRO NO COO ***\r\n";
const std::string dateMarker = "\r\n*** ERRO NA DATA ***\r\n";
const std::string cnpjMarker = "\r\n*** ERRO NO CNPJ ***\r\n";

class CycleLog : public ::testing::Test
{
protected:
    void SetUp() override
    {
        SelfTestRandom random;
        sent = FooterRequest::draw(random);
        image = test::randomBytes(3000, 7);
        const auto code = encodeFooter(image, sent.coo, sent.serialExcerpt(), sent.dateTime, sent.cnpjText());
        ASSERT_TRUE(code);
        std::copy(code->begin(), code->end(), reply.begin());
    }

    std::vector<std::string> linesFor(FirmwareSource& source)
    {
        FooterDecoder decoder(&source);
        status = decoder.decode(std::string_view(reinterpret_cast<const char*>(reply.data()), 49));
        return cycleLogLines(sent, reply, decoder, status);
    }

    std::string replyText() const { return std::string(reinterpret_cast<const char*>(reply.data()), 48); }

    FooterRequest sent;
    std::vector<std::uint8_t> image;
    std::array<std::uint8_t, 50> reply{};
    ValidationStatus status{};
};

TEST_F(CycleLog, AGoodReplyLogsMatchingFieldsAndNoMarker)
{
    FixedImage source(image);
    const auto lines = linesFor(source);
    EXPECT_EQ(status, ValidationStatus::Valid);
    const std::string cnpj(sent.cnpjText());
    const std::vector<std::string> expected{
        replyText(),
        "COO enc: 000041                 COO dec: 000041",
        "DATA enc: 482318BE              DATA dec: 482318BE",
        "No.S\xC9RIE enc: 42020B            No.S\xC9RIE dec: 42020B",
        "CNPJ enc: " + cnpj + "  CNPJ dec: " + cnpj,
        "RETORNO OK",
        "\r\n",
    };
    EXPECT_EQ(lines, expected);
}

TEST_F(CycleLog, EachDifferingFieldGetsItsMarkerJustBeforeItsLine)
{
    FixedImage source(image);
    sent.coo = 42;
    sent.dateTime ^= 1;
    auto lines = linesFor(source);
    ASSERT_EQ(lines.size(), 9u);
    EXPECT_EQ(lines[1], cooMarker);
    EXPECT_EQ(lines[2], "COO enc: 000042                 COO dec: 000041");
    EXPECT_EQ(lines[3], dateMarker);
    EXPECT_EQ(lines[4], "DATA enc: 482318BF              DATA dec: 482318BE");
    EXPECT_EQ(lines[5].substr(0, 8), "No.S\xC9RIE");

    SetUp();
    std::swap(sent.serial[13], sent.serial[14]); // "24020B" against "42020B"
    sent.cnpj[19] = sent.cnpj[19] == '0' ? '1' : '0';
    lines = linesFor(source);
    ASSERT_EQ(lines.size(), 9u);
    EXPECT_EQ(lines[3], serialMarker);
    EXPECT_EQ(lines[4], "No.S\xC9RIE enc: 24020B            No.S\xC9RIE dec: 42020B");
    EXPECT_EQ(lines[5], cnpjMarker);
    EXPECT_EQ(lines[7], "RETORNO OK") << "a differing field does not change the decoder's status";
}

TEST_F(CycleLog, TheTwentiethSerialCharacterIsNeitherComparedNorLogged)
{
    FixedImage source(image);
    sent.serial[19] = sent.serial[19] == '0' ? '1' : '0';
    const auto lines = linesFor(source);
    EXPECT_EQ(lines.size(), 7u);
    EXPECT_EQ(lines[3], "No.S\xC9RIE enc: 42020B            No.S\xC9RIE dec: 42020B");
}

TEST_F(CycleLog, InvalidStringKeepsTheFixedWidthLinesWithZeroBytesAndAllFourMarkers)
{
    reply[3] = 'a';
    FixedImage source(image);
    const auto lines = linesFor(source);
    EXPECT_EQ(status, ValidationStatus::InvalidString);
    ASSERT_EQ(lines.size(), 11u);
    EXPECT_EQ(lines[0], replyText());
    EXPECT_EQ(lines[1], cooMarker);
    EXPECT_EQ(lines[2], "COO enc: 000041                 COO dec: ");
    EXPECT_EQ(lines[3], dateMarker);
    EXPECT_EQ(lines[4].substr(0, 28), "DATA enc: 482318BE          ");
    EXPECT_EQ(lines[5], serialMarker);
    ASSERT_EQ(lines[6].size(), 52u);
    EXPECT_EQ(lines[6], "No.S\xC9RIE enc: 42020B            No.S\xC9RIE dec: " + std::string(6, '\0'));
    EXPECT_EQ(lines[7], cnpjMarker);
    ASSERT_EQ(lines[8].size(), 62u);
    EXPECT_EQ(lines[8], "CNPJ enc: " + std::string(sent.cnpjText()) + "  CNPJ dec: " + std::string(20, '\0'));
    EXPECT_EQ(lines[9], "RETORNO STRING INVALIDA");
    EXPECT_EQ(lines[10], "\r\n");
}

TEST_F(CycleLog, FirmwareNotFoundLogsTheUnconvertedDigitValues)
{
    FixedImage source(image, false);
    const auto lines = linesFor(source);
    EXPECT_EQ(status, ValidationStatus::FirmwareNotFound);
    ASSERT_EQ(lines.size(), 11u);
    // The COO digit values begin with 0, so its text is empty.
    EXPECT_EQ(lines[2], "COO enc: 000041                 COO dec: ");
    ASSERT_EQ(lines[6].size(), 52u);
    EXPECT_EQ(lines[6].substr(46), std::string("\x04\x02\x00\x02\x00\x0B", 6));
    ASSERT_EQ(lines[8].size(), 62u);
    EXPECT_EQ(lines[8].substr(42), std::string(20, '\0'));
    EXPECT_EQ(lines[9], "RETORNO FW N\xC3O ENCONTRADO");
}

TEST_F(CycleLog, ChecksumMismatchHasItsOwnStatusLine)
{
    FixedImage source(test::randomBytes(3000, 8));
    const auto lines = linesFor(source);
    EXPECT_EQ(status, ValidationStatus::ChecksumMismatch);
    EXPECT_EQ(lines[lines.size() - 2], "RETORNO CRC16 INV\xC1LIDO");
    EXPECT_EQ(lines.back(), "\r\n");
}

TEST_F(CycleLog, AZeroByteShortensTheReplyLineButTheDecoderSeesAll48Bytes)
{
    reply[8] = 0; // a separator position, which the decoder never examines
    FixedImage source(image);
    const auto lines = linesFor(source);
    EXPECT_EQ(status, ValidationStatus::Valid);
    EXPECT_EQ(lines[0], replyText().substr(0, 8));
    EXPECT_EQ(lines.size(), 7u);
}

TEST(CycleComparison, FieldsAreComparedWhateverTheStatus)
{
    SelfTestRandom random;
    const FooterRequest sent = FooterRequest::draw(random);
    FooterDecoder decoded;
    EXPECT_EQ(decoded.decode(std::string(48, '?')), ValidationStatus::InvalidString);
    const CycleComparison c = compareCycle(sent, decoded);
    EXPECT_TRUE(c.cooDiffers && c.dateDiffers && c.serialDiffers && c.cnpjDiffers);
}

} // namespace
} // namespace morvanex
