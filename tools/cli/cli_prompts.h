#pragma once

#include "validation/operator_prompts.h"

#include <vector>

namespace morvanex::cli {

// Messages go to stderr as UTF-8; the chooser answers with a row given up front, if it is a candidate.
class CliPrompts : public OperatorPrompts
{
public:
    explicit CliPrompts(int requestedRow = -1) : m_requestedRow(requestedRow) {}

    void showError(std::string_view caption, std::string_view message) override;
    int chooseFirmware(const FirmwareCatalogue& catalogue, std::span<const int> candidates) override;
    bool confirmCnpj(std::string_view) override { return true; }
    // The command line lists suggestions itself (--suggest) and never takes one.
    int chooseSuggestion(std::span<const Suggestion>) override { return -1; }

    // The candidates of the last choice asked for; empty when none was asked since reset.
    const std::vector<int>& offered() const { return m_offered; }
    void reset() { m_offered.clear(); }

private:
    int m_requestedRow;
    std::vector<int> m_offered;
};


} // namespace morvanex::cli
