#pragma once

#include "validation/validation_flow.h"

#include <string>
#include <vector>

namespace morvanex::cli {

// Result rows as text, one "label<TAB>value" line each, in UTF-8 with control characters escaped,
// appended to out.
void appendRowLines(std::string& out, const std::vector<ResultRow>& rows);
// The lines of documentRows(decoder), as appendRowLines writes them, without making the rows: a batch
// writes them for every valid code.
void appendDocumentLines(std::string& out, const FooterDecoder& decoder);

} // namespace morvanex::cli
