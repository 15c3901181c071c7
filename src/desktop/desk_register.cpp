#include "desktop/desk_register.h"

#include "register/register_texts.h"
#include "text/text_encoding.h"

#include <filesystem>
#include <system_error>

namespace morvanex {
namespace {

constexpr std::string_view serverPrefix = "odbc:";

// The folder of a register file, made for the first check (a first run finds none); a folder that
// cannot be made shows as a register that cannot be opened.
void makeFolderOf(const std::string& location)
{
    if (location.starts_with(serverPrefix))
        return;
    const std::filesystem::path file(std::u8string(location.begin(), location.end()));
    std::error_code ignored;
    if (file.has_parent_path())
        std::filesystem::create_directories(file.parent_path(), ignored);
}

} // namespace

DeskRegister::Outcome DeskRegister::record(const FooterDecoder& decoder, std::string_view code,
                                           const FirmwareRecord& firmware, CheckVerdict verdict)
{
    Outcome outcome;
    if (m_location.empty())
        return outcome;
    std::string error;
    if (!m_register) {
        makeFolderOf(m_location);
        // Lines skipped while reading are the file's own business; the command line lists them.
        m_register = openCheckRegister(m_location, {}, &error);
        if (!m_register) {
            outcome.failure = cp1252(registerOpenFailure(error));
            return outcome;
        }
    }
    outcome.answer = m_register->check(checkRecordOf(decoder, code, firmware, verdict, m_context), &error);
    if (!outcome.answer) {
        outcome.failure = cp1252(registerCheckFailure(error));
        return outcome;
    }
    // Nobody waits for more work here: the operator may close the window next.
    if (!m_register->flush(&error))
        outcome.failure = cp1252(registerWriteFailure(error));
    return outcome;
}

} // namespace morvanex
