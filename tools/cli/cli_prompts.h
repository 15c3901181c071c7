#pragma once

#include "validation/operator_prompts.h"

namespace morvanex::cli {

// Messages go to standard error as UTF-8. Nobody answers at a command line: a choice among several
// images is given up front (CheckOptions), so the chooser takes none, and the command line lists
// suggestions itself (--suggest).
class CliPrompts : public OperatorPrompts
{
public:
    void showError(std::string_view caption, std::string_view message) override;
    int chooseFirmware(const FirmwareCatalogue&, std::span<const int>) override { return -1; }
    bool confirmCnpj(std::string_view) override { return true; }
    int chooseSuggestion(std::span<const Suggestion>) override { return -1; }
};

} // namespace morvanex::cli
