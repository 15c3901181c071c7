#include "cli_prompts.h"

#include "text/text_encoding.h"

#include <algorithm>
#include <cstdio>
#include <string>

namespace morvanex::cli {

void CliPrompts::showError(std::string_view, std::string_view message)
{
    const std::string text = utf8(message);
    std::fprintf(stderr, "%s\n", text.c_str());
}

int CliPrompts::chooseFirmware(const FirmwareCatalogue&, std::span<const int> candidates)
{
    m_offered.assign(candidates.begin(), candidates.end());
    return std::find(candidates.begin(), candidates.end(), m_requestedRow) != candidates.end() ? m_requestedRow : -1;
}

} // namespace morvanex::cli
