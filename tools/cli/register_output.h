#pragma once

#include "register/check_register.h"
#include "register/record_index.h"

#include <string>
#include <vector>

namespace morvanex::cli {

// What the command line prints of the register, text and JSON. Text is one record per line, values
// escaped as every value is (text_escape.h); times of checks are UTC in ISO 8601
// ("2026-12-08T10:15:00Z"), moments of issue ISO 8601 without a zone, as the document states them.

// validate --register: the REGISTRO and IMPRESSORA lines of an answer, after the code's own output.
std::string answerLines(const RegisterAnswer& answer);
// Its JSON object: status, checks, first, last (the earliest and latest earlier check with this CNPJ,
// null when none), otherCnpjs, otherChecks (cnpj, checked, station, verdict) and printerCnpjs (cnpj,
// documents, last).
std::string answerJson(const RegisterAnswer& answer);

// register list: a heading, then a line per record; in JSON an object per record and line.
std::string listedRecordHeading();
std::string listedRecord(const CheckRecord& record, bool json);

// register clones and merge: a line per document and CNPJ,
//   CLONE <TAB> checksum serial COO issued CNPJ checked station verdict
// and, for the printers seen with more than one CNPJ, a line per printer and CNPJ,
//   IMPRESSORA <TAB> checksum serial CNPJ documents last-issued
std::string cloneLines(const std::vector<ClonedDocument>& clones);
std::string printerLines(const std::vector<SharedPrinter>& printers);

} // namespace morvanex::cli
