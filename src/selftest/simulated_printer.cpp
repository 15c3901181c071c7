#include "selftest/simulated_printer.h"

#include "footer/footer_encoder.h"
#include "selftest/footer_request.h"
#include "selftest/printer_frame.h"

namespace morvanex {
namespace {

SimulatedPrinter::Answer refuse(std::string problem)
{
    return {{printer_framing::negativeAcknowledge}, false, std::move(problem)};
}

} // namespace

SimulatedPrinter::SimulatedPrinter(std::vector<std::uint8_t> image)
    : m_image(std::move(image)), m_parser(FooterRequest::size, FooterRequest::size)
{
}

std::vector<SimulatedPrinter::Answer> SimulatedPrinter::feed(std::span<const std::uint8_t> bytes)
{
    std::vector<Answer> answers;
    for (const FrameEvent& event : m_parser.feed(bytes))
        answers.push_back(answer(event));
    return answers;
}

SimulatedPrinter::Answer SimulatedPrinter::answer(const FrameEvent& event) const
{
    switch (event.kind) {
    case FrameEvent::Kind::Garbage:
        return refuse(std::to_string(event.byteCount) + " byte(s) outside any frame");
    case FrameEvent::Kind::BadLength:
        return refuse("frame length " + std::to_string(event.byteCount) + ", expected " +
                      std::to_string(FooterRequest::size + printer_framing::checksumSize));
    case FrameEvent::Kind::BadChecksum:
        return refuse("frame checksum does not match its payload");
    case FrameEvent::Kind::Frame:
        break;
    }
    const auto request = FooterRequest::parse(event.payload);
    if (!request)
        return refuse("payload is not a footer request");
    // A real printer's counter wraps at the six digits the code has room for.
    const std::uint32_t coo = request->coo % (maxCoo + 1);
    const auto code =
        encodeFooter(m_image, coo, request->serialExcerpt(), request->dateTime, request->cnpjText());
    if (!code)
        return refuse("serial or CNPJ holds characters a FooterCode cannot carry");
    Answer reply{{}, true, {}};
    reply.bytes.reserve(1 + code->size());
    reply.bytes.push_back(printer_framing::acknowledge);
    for (const char c : *code)
        reply.bytes.push_back(static_cast<std::uint8_t>(c));
    return reply;
}

} // namespace morvanex
