#pragma once

#include "footer/footer_decoder.h"

#include <array>
#include <string>
#include <string_view>
#include <vector>

namespace morvanex {

class FirmwareCatalogue;
class FirmwareRecord;
class OperatorPrompts;
class Workspace;

// One line of the result list; texts are Windows-1252 bytes.
struct ResultRow
{
    std::string label;
    std::string value;
};

// The five code fields joined with one blank between neighbours, none at either end.
std::string joinFooterFields(const std::array<std::string, 5>& fields);

// The nine rows shown for a confirmed document: the decoder's fields and the chosen firmware's.
std::vector<ResultRow> resultRows(const FooterDecoder& decoder, const FirmwareRecord& firmware);
// Their two parts: the document's four rows and the firmware's five.
std::vector<ResultRow> documentRows(const FooterDecoder& decoder);
std::vector<ResultRow> firmwareRows(const FirmwareRecord& firmware);

// The operator's message for a failed decode (Windows-1252), empty for Valid.
std::string failureMessage(ValidationStatus status);
// The message when the operator does not confirm the CNPJ.
std::string rejectedCnpjMessage();

struct ValidationResult
{
    ValidationStatus status = ValidationStatus::InvalidString;
    bool confirmed = false;       // the operator confirmed the CNPJ
    int row = -1;                 // the catalogue row this validation's decode chose
    std::vector<ResultRow> rows;  // filled only when confirmed
};

// Decodes the joined code, reports a failure or asks the operator to confirm the CNPJ, and on
// confirmation gives the result rows. Messages go to prompts captioned appName.
ValidationResult validateFooter(std::string_view footerString, FirmwareCatalogue& catalogue,
                                const Workspace& workspace, OperatorPrompts& prompts, std::string_view appName);

} // namespace morvanex
