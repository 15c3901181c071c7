#include "selftest/footer_request.h"
#include "selftest/printer_frame.h"
#include "selftest/printer_frame_parser.h"
#include "selftest/selftest_random.h"

#include <gtest/gtest.h>
#include <vector>

namespace morvanex {
namespace {

using Bytes = std::vector<std::uint8_t>;
using Kind = FrameEvent::Kind;

Bytes frameOf(const Bytes& payload)
{
    PrinterFrame frame;
    EXPECT_TRUE(frame.append(payload));
    EXPECT_TRUE(frame.seal());
    return {frame.bytes().begin(), frame.bytes().end()};
}

Bytes requestPayload(int cycle)
{
    SelfTestRandom random;
    FooterRequest request;
    for (int i = 0; i <= cycle; ++i)
        request = FooterRequest::draw(random);
    const auto bytes = request.bytes();
    return {bytes.begin(), bytes.end()};
}

Bytes join(std::initializer_list<Bytes> parts)
{
    Bytes all;
    for (const Bytes& p : parts)
        all.insert(all.end(), p.begin(), p.end());
    return all;
}

std::vector<Kind> kinds(const std::vector<FrameEvent>& events)
{
    std::vector<Kind> out;
    for (const auto& e : events)
        out.push_back(e.kind);
    return out;
}

class FrameParser : public ::testing::Test
{
protected:
    PrinterFrameParser parser{FooterRequest::size, FooterRequest::size};
};

TEST_F(FrameParser, GoodFramesComeOutWithTheirPayloads)
{
    const Bytes first = requestPayload(0), second = requestPayload(1);
    const auto events = parser.feed(join({frameOf(first), frameOf(second)}));
    ASSERT_EQ(kinds(events), (std::vector{Kind::Frame, Kind::Frame}));
    EXPECT_EQ(events[0].payload, first);
    EXPECT_EQ(events[1].payload, second);
    EXPECT_EQ(parser.pending(), 0u);
}

TEST_F(FrameParser, FramesSplitAcrossReadsAreJoined)
{
    const Bytes payload = requestPayload(2);
    const Bytes stream = join({frameOf(payload), frameOf(payload)});
    // Byte by byte, and in uneven pieces that cut inside the header and the checksum.
    std::vector<FrameEvent> events;
    for (const std::uint8_t b : stream)
        for (auto& e : parser.feed(Bytes{b}))
            events.push_back(std::move(e));
    ASSERT_EQ(kinds(events), (std::vector{Kind::Frame, Kind::Frame}));
    EXPECT_EQ(events[1].payload, payload);

    PrinterFrameParser pieces(FooterRequest::size, FooterRequest::size);
    EXPECT_TRUE(pieces.feed(std::span(stream).first(2)).empty());
    EXPECT_TRUE(pieces.feed(std::span(stream).subspan(2, 52)).empty());
    const auto rest = pieces.feed(std::span(stream).subspan(54));
    EXPECT_EQ(kinds(rest), (std::vector{Kind::Frame, Kind::Frame}));
}

TEST_F(FrameParser, BadChecksumIsReportedOnceAndTheNextFrameStillParses)
{
    const Bytes payload = requestPayload(0);
    Bytes damaged = frameOf(payload);
    damaged[20] ^= 0x01;
    const auto events = parser.feed(join({damaged, frameOf(payload)}));
    ASSERT_EQ(kinds(events), (std::vector{Kind::BadChecksum, Kind::Frame}));
    EXPECT_EQ(events[1].payload, payload);
}

TEST_F(FrameParser, BadLengthIsRejectedAtOnceWithoutWaitingForTheClaimedBytes)
{
    const Bytes payload = requestPayload(0);
    Bytes longer = frameOf(payload);
    longer[1] = 0x35;
    auto events = parser.feed(std::span(longer).first(3));
    ASSERT_EQ(kinds(events), (std::vector{Kind::BadLength}));
    EXPECT_EQ(events[0].byteCount, 0x35u);
    // The rest of the rejected frame is part of the same damage; the good frame after it is found.
    events = parser.feed(join({Bytes(longer.begin() + 3, longer.end()), frameOf(payload)}));
    ASSERT_EQ(kinds(events), (std::vector{Kind::Frame}));
    EXPECT_EQ(events[0].payload, payload);

    PrinterFrameParser tooShort(FooterRequest::size, FooterRequest::size);
    EXPECT_EQ(kinds(tooShort.feed(Bytes{0x02, 0x01, 0x00})), (std::vector{Kind::BadLength}));
}

TEST_F(FrameParser, GarbageIsReportedOncePerRunAndResynchronisesOnTheStartByte)
{
    const Bytes payload = requestPayload(1);
    auto events = parser.feed(join({Bytes{'x', 'y', 'z'}, frameOf(payload), Bytes{0xFF, 0xFE}}));
    ASSERT_EQ(kinds(events), (std::vector{Kind::Garbage, Kind::Frame, Kind::Garbage}));
    EXPECT_EQ(events[0].byteCount, 3u);
    EXPECT_EQ(events[1].payload, payload);

    // The garbage run goes on across feeds, byte by byte: no new report until a frame starts.
    for (int i = 0; i < 10; ++i)
        EXPECT_TRUE(parser.feed(Bytes{0x41}).empty());
    events = parser.feed(join({frameOf(payload), Bytes{0x41}}));
    EXPECT_EQ(kinds(events), (std::vector{Kind::Frame, Kind::Garbage}));
}

TEST_F(FrameParser, FalseStartInsideGarbageDoesNotHideTheRealFrame)
{
    const Bytes payload = requestPayload(0);
    // A stray start byte with a plausible length swallows the real frame's first bytes; giving up
    // only the stray start byte finds the real frame behind it.
    const Bytes stream = join({Bytes{0x02, 0x34, 0x00, 0x11}, frameOf(payload)});
    const auto events = parser.feed(stream);
    ASSERT_EQ(kinds(events), (std::vector{Kind::BadChecksum, Kind::Frame}));
    EXPECT_EQ(events[1].payload, payload);
}

TEST_F(FrameParser, HeldBytesStayBoundedWhateverIsFed)
{
    // Start bytes with the largest length the field holds, fed in one large piece.
    Bytes flood;
    for (int i = 0; i < 20000; ++i)
        flood.insert(flood.end(), {0x02, 0x34, 0x00});
    parser.feed(flood);
    EXPECT_LT(parser.pending(), parser.maxFrameSize());

    PrinterFrameParser wide(0, 100000);
    EXPECT_EQ(wide.maxFrameSize(), 3u + 65535u);
    Bytes noise(100000, 0x02);
    wide.feed(noise);
    EXPECT_LT(wide.pending(), wide.maxFrameSize());
}

} // namespace
} // namespace morvanex
