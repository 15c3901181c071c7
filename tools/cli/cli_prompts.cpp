#include "cli_prompts.h"

#include "standard_streams.h"

#include "text/text_encoding.h"

namespace morvanex::cli {

void CliPrompts::showError(std::string_view, std::string_view message)
{
    writeErr(utf8(message) + "\n");
}

} // namespace morvanex::cli
