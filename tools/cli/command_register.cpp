#include "command_register.h"

#include "standard_streams.h"

#include "firmware/firmware_catalogue.h"
#include "validation/validation_flow.h"

namespace morvanex::cli {

CommandRegister::CommandRegister(std::string_view command, const std::string& location) : m_command(command)
{
    std::string error;
    m_register = openCheckRegister(
        location, [this](const std::string& warning) { say(m_command, "warning: " + warning); }, &error);
    if (!m_register)
        fail(opening, error + "; the codes are answered without it");
}

std::optional<RegisterAnswer> CommandRegister::record(const CodeCheck& check, std::string_view code,
                                                      const FirmwareCatalogue& catalogue)
{
    if (!m_register || check.row < 0)
        return std::nullopt;
    CheckVerdict verdict;
    if (check.verdict == Verdict::Valid)
        verdict = CheckVerdict::Valid;
    else if (check.verdict == Verdict::CnpjMismatch)
        verdict = CheckVerdict::CnpjMismatch;
    else
        return std::nullopt;
    const CheckRecord record = checkRecordOf(check.decoder, code, catalogue.rows[static_cast<std::size_t>(check.row)],
                                             verdict, m_context);
    std::string error;
    std::optional<RegisterAnswer> answer = m_register->check(record, &error);
    if (!answer)
        fail(answering, error + "; the code is answered without it");
    return answer;
}

void CommandRegister::flush()
{
    std::string error;
    if (m_register && !m_register->flush(&error))
        fail(writing, error);
}

void CommandRegister::fail(Failure kind, const std::string& error)
{
    m_failed = true;
    if (!m_said[kind])
        say(m_command, error);
    m_said[kind] = true;
}

} // namespace morvanex::cli
