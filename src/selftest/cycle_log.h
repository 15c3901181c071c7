#pragma once

#include "footer/footer_decoder.h"
#include "footer/footer_layout.h"

#include <cstddef>
#include <cstdint>
#include <span>
#include <string>
#include <vector>

namespace morvanex {

struct FooterRequest;

// The FooterCode characters a printer answers with, after the one byte the test ignores.
inline constexpr std::size_t replyCodeLength = footerLength;

// Which decoded fields differ from what was sent; the comparisons hold whatever the status.
struct CycleComparison
{
    bool cooDiffers = false;
    bool dateDiffers = false;
    bool serialDiffers = false;
    bool cnpjDiffers = false;

    bool anyDiffers() const { return cooDiffers || dateDiffers || serialDiffers || cnpjDiffers; }
};

CycleComparison compareCycle(const FooterRequest& sent, const FooterDecoder& decoded);

// The status line of the log, as Windows-1252 bytes.
std::string statusLogLine(ValidationStatus status);

// The log lines of one cycle, each without its CR LF, as Windows-1252 bytes: the reply text, then
// COO, date/time, serial excerpt and CNPJ, each preceded by its error marker when it differs, the
// status, and the line that leaves the cycle's blank line.
std::vector<std::string> cycleLogLines(const FooterRequest& sent, std::span<const std::uint8_t> reply,
                                       const FooterDecoder& decoded, ValidationStatus status);

} // namespace morvanex
