#pragma once

#include "validation/operator_prompts.h"

namespace morvanex::bench {

// Prompts that answer without anyone there: errors unsaid, the CNPJ confirmed, no suggestion taken,
// and the firmware chooser given its first row or, where a benchmark wants no choice made, cancelled.
class SilentPrompts : public OperatorPrompts
{
public:
    enum class Chooser { FirstRow, Cancel };
    explicit SilentPrompts(Chooser chooser = Chooser::FirstRow) : m_chooser(chooser) {}

    void showError(std::string_view, std::string_view) override {}
    int chooseFirmware(const FirmwareCatalogue&, std::span<const int> rows) override
    {
        return m_chooser == Chooser::FirstRow ? rows.front() : -1;
    }
    bool confirmCnpj(std::string_view) override { return true; }
    int chooseSuggestion(std::span<const Suggestion>) override { return -1; }

private:
    Chooser m_chooser;
};

} // namespace morvanex::bench
