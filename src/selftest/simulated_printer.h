#pragma once

#include "selftest/printer_frame_parser.h"

#include <cstdint>
#include <span>
#include <string>
#include <vector>

namespace morvanex {

// A stand-in for the fiscal printer the self-test talks to: it takes request frames and answers
// each good one with ACK and the FooterCode its firmware image yields for the request's data.
class SimulatedPrinter
{
public:
    // What goes back for one event of the incoming stream.
    struct Answer
    {
        std::vector<std::uint8_t> bytes;
        bool accepted = false;
        std::string problem; // why the request was refused, empty when accepted
    };

    explicit SimulatedPrinter(std::vector<std::uint8_t> image);

    std::vector<Answer> feed(std::span<const std::uint8_t> bytes);
    Answer answer(const FrameEvent& event) const;

private:
    std::vector<std::uint8_t> m_image;
    PrinterFrameParser m_parser;
};

} // namespace morvanex
