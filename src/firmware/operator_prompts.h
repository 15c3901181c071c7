#pragma once

#include <span>
#include <string_view>

namespace morvanex {

class FirmwareCatalogue;

// Everything the core asks of the operator. Texts are Windows-1252 bytes.
class OperatorPrompts
{
public:
    virtual ~OperatorPrompts() = default;

    // A modal error message with an OK button.
    virtual void showError(std::string_view caption, std::string_view message) = 0;
    // One of candidates (catalogue indices, in catalogue order), or -1 for none.
    virtual int chooseFirmware(const FirmwareCatalogue& catalogue, std::span<const int> candidates) = 0;
    // Whether the operator confirms that the decoded CNPJ is the one printed on the document.
    virtual bool confirmCnpj(std::string_view cnpj) = 0;
};

} // namespace morvanex
