#pragma once

#include "register/check_context.h"
#include "register/check_register.h"

#include <memory>
#include <optional>
#include <string>
#include <string_view>

namespace morvanex {

class FirmwareRecord;
class FooterDecoder;

// The register of checked documents as a desktop window keeps it: opened when the first check needs
// it, so that start-up reads nothing of it, and every check written before its answer is shown. A
// register that cannot be opened, consulted or written is said and never stops a verdict; one that
// could not be opened is tried again at the next check.
class DeskRegister
{
public:
    // location as openCheckRegister takes it; empty for none. context says who checks, where and when.
    DeskRegister(std::string location, CheckContext context)
        : m_location(std::move(location)), m_context(std::move(context))
    {
    }

    struct Outcome
    {
        std::optional<RegisterAnswer> answer; // what the register knew of the document
        std::string failure;                  // what went wrong, for the operator (Windows-1252)
    };

    // Records the check of code, which decoded into decoder's fields with firmware, as verdict.
    Outcome record(const FooterDecoder& decoder, std::string_view code, const FirmwareRecord& firmware,
                   CheckVerdict verdict);

    const std::string& location() const { return m_location; }

private:
    std::string m_location;
    CheckContext m_context;
    std::unique_ptr<CheckRegister> m_register;
};

} // namespace morvanex
