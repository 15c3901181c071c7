#pragma once

#include "register/check_register.h"
#include "register/record_index.h"
#include "validation/validation_flow.h"

#include <cstdint>
#include <string>
#include <string_view>
#include <vector>

namespace morvanex {

// What the command line and both desktop faces say of a register's answer, in one place. Texts are
// UTF-8 unless said otherwise. Times of checks (UTC in the register) are shown in the machine's
// local time; moments of issue as the decoder's calendar gives them, with no zone.

// "new", "repeat", "clone": the JSON status.
std::string_view documentStatusName(DocumentStatus status);

// A moment of issue (seconds since 1970) in ISO 8601 without a zone, "2026-12-05T14:02:11", for
// JSON. Times of checks take isoTime (register_format.h): "2026-12-08T10:15:00Z".
std::string isoMoment(std::int64_t seconds);

// "AAAA-MM-DD hh:mm:ss" of a check's time in local time.
std::string localCheckTime(std::int64_t seconds);

// One line of the command line's text answer, label and value (printed with a tab between them, the
// value escaped as the other values are).
struct RegisterLine
{
    std::string label;
    std::string value;
};

// The command line's lines for an answer, in order:
//   REGISTRO    primeira verificação
//   REGISTRO    verificado N vezes, primeira em AAAA-MM-DD hh:mm:ss (estação)
//   REGISTRO    CLONE: o mesmo documento foi verificado com o CNPJ X em AAAA-MM-DD hh:mm:ss (estação)
//               (one for each other CNPJ, instead of the two above)
//   IMPRESSORA  esta impressora emitiu N documentos para o CNPJ X, o último em AAAA-MM-DD hh:mm:ss
//               (one for each other CNPJ of the printer)
std::vector<RegisterLine> registerLines(const RegisterAnswer& answer);

// The desktop's rows after the nine, Windows-1252 as the result list takes them: VERIFICADO (e.g.
// "2 vezes, primeira em 08/12/2026 10:15"), then an IMPRESSORA row for each other CNPJ of the
// printer, which asks the operator to look closer.
std::vector<ResultRow> registerRows(const RegisterAnswer& answer);

// The desktop's warning for a clone (caption "Morvanex", warning icon): the other CNPJs, when and
// where they were checked, and that one of the documents is forged. Empty for an answer that is
// no clone.
std::string cloneWarning(const RegisterAnswer& answer);

// The desktop's messages when the register cannot be opened, consulted or written; detail is the
// register's error, which names it. The verdict stands in each case.
std::string registerOpenFailure(std::string_view detail);
std::string registerCheckFailure(std::string_view detail);
std::string registerWriteFailure(std::string_view detail);

} // namespace morvanex
