#include "selftest/footer_request.h"
#include "selftest/printer_frame.h"
#include "selftest/selftest_random.h"

#include <gtest/gtest.h>
#include <string>
#include <vector>

namespace morvanex {
namespace {

std::vector<std::uint8_t> firstCycleFrame()
{
    SelfTestRandom random;
    const FooterRequest request = FooterRequest::draw(random);
    PrinterFrame frame;
    EXPECT_TRUE(frame.append(request.bytes()));
    EXPECT_TRUE(frame.seal());
    return {frame.bytes().begin(), frame.bytes().end()};
}

TEST(SelfTestRandom, MatchesTheRuntimeSequenceFromStateOne)
{
    SelfTestRandom random;
    // rand() after srand(1): 41, 18467, 6334, 26500, 19169.
    for (const unsigned expected : {41u, 18467u, 6334u, 26500u, 19169u})
        EXPECT_EQ(random.next(), expected);
}

TEST(SelfTestRandom, RejectionDrawsUntilTheRawValueIsAccepted)
{
    SelfTestRandom random;
    SelfTestRandom reference;
    const char drawn = random.drawCharacter("0123456789ABC");
    // The reference walks the same sequence by hand and must land on the same character, having
    // dropped the same number of rejected values.
    unsigned value;
    do
        value = reference.next();
    while (!((value >= '0' && value <= '9') || (value >= 'A' && value <= 'C')));
    EXPECT_EQ(static_cast<unsigned char>(drawn), value);
    EXPECT_EQ(random.next(), reference.next());
}

TEST(FooterRequest, FirstCycleDrawsTheKnownDocumentData)
{
    SelfTestRandom random;
    const FooterRequest request = FooterRequest::draw(random);
    EXPECT_EQ(request.coo, 41u);
    EXPECT_EQ(request.dateTime, 0x482318BEu);
    EXPECT_EQ(std::string(request.serial.begin(), request.serial.end()), "5A5C9A81B762242020BB");
    EXPECT_EQ(request.serialExcerpt(), "42020B");
    for (const char c : request.cnpj)
        EXPECT_NE(FooterRequest::cnpjCharacters.find(c), std::string_view::npos) << c;
}

TEST(FooterRequest, BytesRoundTripThroughParse)
{
    SelfTestRandom random;
    FooterRequest request = FooterRequest::draw(random);
    request.coo = 0x01020304;
    const auto bytes = request.bytes();
    EXPECT_EQ(bytes[2], 0x04);
    EXPECT_EQ(bytes[5], 0x01);
    const auto parsed = FooterRequest::parse(bytes);
    ASSERT_TRUE(parsed);
    EXPECT_EQ(parsed->coo, request.coo);
    EXPECT_EQ(parsed->dateTime, request.dateTime);
    EXPECT_EQ(parsed->serial, request.serial);
    EXPECT_EQ(parsed->cnpj, request.cnpj);

    auto wrongStart = bytes;
    wrongStart[1] = 0x28;
    EXPECT_FALSE(FooterRequest::parse(wrongStart));
    EXPECT_FALSE(FooterRequest::parse(std::span(bytes).first(49)));
}

TEST(PrinterFrame, FirstCycleFrameIsTheKnown55Bytes)
{
    const auto frame = firstCycleFrame();
    ASSERT_EQ(frame.size(), 55u);
    const std::vector<std::uint8_t> head{0x02, 0x34, 0x00, 0x1C, 0x29, 0x29, 0x00, 0x00, 0x00};
    const std::vector<std::uint8_t> tail{0xBE, 0x18, 0x23, 0x48, 0x1E, 0x0A};
    EXPECT_EQ(std::vector(frame.begin(), frame.begin() + 9), head);
    EXPECT_EQ(std::vector(frame.end() - 6, frame.end()), tail);
}

TEST(PrinterFrame, LengthAndChecksumCoverOnlyWhatFollowsTheHeader)
{
    PrinterFrame empty;
    ASSERT_TRUE(empty.seal());
    EXPECT_EQ(std::vector(empty.bytes().begin(), empty.bytes().end()),
              (std::vector<std::uint8_t>{0x02, 0x02, 0x00, 0x00, 0x00}));

    // 300 bytes of 0xFF: length 302 = 0x012E, sum 76500 mod 65536 = 0x2AD4.
    PrinterFrame large;
    ASSERT_TRUE(large.append(std::vector<std::uint8_t>(300, 0xFF)));
    ASSERT_TRUE(large.seal());
    const auto bytes = large.bytes();
    ASSERT_EQ(bytes.size(), 305u);
    EXPECT_EQ(bytes[1], 0x2E);
    EXPECT_EQ(bytes[2], 0x01);
    EXPECT_EQ(bytes[303], 0xD4);
    EXPECT_EQ(bytes[304], 0x2A);
    EXPECT_FALSE(large.seal()) << "a sealed frame is complete";
    EXPECT_FALSE(large.append(std::vector<std::uint8_t>(1, 0)));
}

TEST(PrinterFrame, AppendRefusesDataBeyondTheBuffer)
{
    PrinterFrame frame;
    const std::size_t room = PrinterFrame::capacity - frame.count();
    EXPECT_FALSE(frame.append(std::vector<std::uint8_t>(room + 1, 0x55)));
    EXPECT_EQ(frame.count(), 3u) << "a refused append copies nothing";
    EXPECT_TRUE(frame.append(std::vector<std::uint8_t>(room, 0x55)));
    EXPECT_EQ(frame.count(), PrinterFrame::capacity);
    EXPECT_FALSE(frame.append(std::vector<std::uint8_t>(1, 0x55)));
    // A full buffer has no room for the checksum.
    EXPECT_FALSE(frame.seal());
    EXPECT_EQ(frame.count(), PrinterFrame::capacity);
}

} // namespace
} // namespace morvanex
