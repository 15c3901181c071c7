// Any byte stream, fed in pieces of any size: the frame parser and the simulated printer never
// crash, never hold more than a frame, and answer every accepted request with ACK and 48 characters.
#include "selftest/printer_frame_parser.h"
#include "selftest/simulated_printer.h"

#include <cstdlib>

namespace {

void check(bool condition)
{
    if (!condition)
        std::abort();
}

} // namespace

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size)
{
    if (size == 0)
        return 0;
    const std::size_t piece = 1 + data[0] % 64;
    morvanex::PrinterFrameParser parser(0, 4096);
    static morvanex::SimulatedPrinter printer(std::vector<std::uint8_t>(1000, 0x5A));
    morvanex::SimulatedPrinter fresh(std::vector<std::uint8_t>(70000, 0xA5));
    for (std::size_t at = 1; at < size; at += piece) {
        const std::span<const std::uint8_t> bytes(data + at, std::min(piece, size - at));
        for (const auto& event : parser.feed(bytes))
            check(event.kind != morvanex::FrameEvent::Kind::Frame || event.payload.size() <= 4096);
        check(parser.pending() <= parser.maxFrameSize());
        for (const auto& answer : fresh.feed(bytes))
            check(!answer.accepted || (answer.bytes.size() == 49 && answer.bytes[0] == 0x06));
    }
    (void)printer.feed(std::span<const std::uint8_t>(data, size));
    return 0;
}
