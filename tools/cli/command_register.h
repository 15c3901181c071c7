#pragma once

#include "register/check_context.h"
#include "register/check_register.h"

#include <memory>
#include <optional>
#include <string>
#include <string_view>

namespace morvanex {
class FirmwareCatalogue;
struct CodeCheck;
} // namespace morvanex

namespace morvanex::cli {

// The register of checked documents as validate uses it. The register never stops a verdict: what
// fails (opening it, answering from it, writing to it) is said on standard error, each kind once,
// the code is answered without it, and failed() then ends the command with 74.
class CommandRegister
{
public:
    // Opens the register at location (a file, made when absent, or odbc:CONNECTION) for command.
    CommandRegister(std::string_view command, const std::string& location);

    CommandRegister(const CommandRegister&) = delete;
    CommandRegister& operator=(const CommandRegister&) = delete;

    // What the register knew of the document a check decoded (Valid or CnpjMismatch, with a row),
    // which it then records; nothing for any other check, or when the register cannot answer.
    std::optional<RegisterAnswer> record(const CodeCheck& check, std::string_view code,
                                         const FirmwareCatalogue& catalogue);
    // Writes what the register holds back, before the command waits for more work and at its end.
    void flush();
    bool failed() const { return m_failed; }

private:
    enum Failure { opening, answering, writing, failureKinds };
    void fail(Failure kind, const std::string& error);

    std::string m_command;
    std::unique_ptr<CheckRegister> m_register;
    CheckContext m_context = CheckContext::ofThisMachine();
    bool m_said[failureKinds] = {};
    bool m_failed = false;
};

} // namespace morvanex::cli
