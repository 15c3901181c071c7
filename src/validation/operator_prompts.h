#pragma once

#include "firmware/catalogue_prompts.h"
#include "validation/suggestions.h"

#include <span>
#include <string_view>

namespace morvanex {

class FirmwareCatalogue;

// Everything the core asks of the operator: the catalogue's messages, and while a code is validated,
// the choice among several images, the CNPJ question and, after a failure, the choice among the
// codes one edit away. Texts are Windows-1252 bytes.
class OperatorPrompts : public CataloguePrompts
{
public:
    // One of candidates (catalogue indices, in catalogue order), or -1 for none.
    virtual int chooseFirmware(const FirmwareCatalogue& catalogue, std::span<const int> candidates) = 0;
    // Whether the operator confirms that the decoded CNPJ is the one printed on the document.
    virtual bool confirmCnpj(std::string_view cnpj) = 0;
    // After a failed validation: the index of the suggested code the operator takes, or -1.
    virtual int chooseSuggestion(std::span<const Suggestion> suggestions) = 0;
};

} // namespace morvanex
