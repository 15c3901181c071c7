#include "arguments.h"
#include "cli_prompts.h"
#include "commands.h"
#include "firmware_json.h"
#include "json_writer.h"

#include "firmware/firmware_catalogue.h"
#include "firmware/firmware_lookup.h"
#include "firmware/text_encoding.h"
#include "firmware/workspace.h"
#include "footer/alphabet.h"
#include "footer/calendar_time.h"
#include "footer/validation_flow.h"

#include <algorithm>
#include <array>
#include <cstdio>
#include <filesystem>
#include <iostream>

namespace morvanex::cli {
namespace {

// Exit statuses of one code; CnpjMismatch and Ambiguous are the CLI's own outcomes.
enum class Outcome { Valid = 0, InvalidString = 1, FirmwareNotFound = 2, ChecksumMismatch = 3, Ambiguous = 4, CnpjMismatch = 5 };
constexpr int batchFailure = 10;

std::string outcomeName(Outcome o)
{
    switch (o) {
    case Outcome::Ambiguous:
        return "Ambiguous";
    case Outcome::CnpjMismatch:
        return "CnpjMismatch";
    default:
        return std::string(statusName(static_cast<ValidationStatus>(o)));
    }
}

std::string_view withoutTrailingBlanks(std::string_view s)
{
    const auto end = s.find_last_not_of(' ');
    return end == std::string_view::npos ? std::string_view{} : s.substr(0, end + 1);
}

struct Options
{
    bool json = false;
    int row = -1;
    std::optional<std::string> expectedCnpj; // Windows-1252
};

class Validator
{
public:
    Validator(const Workspace& workspace, const Options& options)
        : m_options(options), m_prompts(options.row), m_lookup(m_catalogue, workspace, m_prompts)
    {
        loadCatalogue(m_catalogue, workspace, m_prompts);
        m_lookup.keepImages(true);
    }

    Outcome validate(std::string_view code);

private:
    void report(Outcome outcome, const FooterDecoder& decoder, std::string_view codeChecksum);

    Options m_options;
    CliPrompts m_prompts;
    FirmwareCatalogue m_catalogue;
    FirmwareLookup m_lookup;
};

Outcome Validator::validate(std::string_view code)
{
    m_prompts.reset();
    m_catalogue.selectedIndex = -1;
    FooterDecoder decoder(&m_lookup);
    const ValidationStatus status = decoder.decode(code);

    // The code's own checksum text, kept before a Valid decode turns the fields into text.
    std::array<std::uint8_t, 4> digits;
    std::copy_n(decoder.checksum.begin(), 4, digits.begin());
    digitsToAlnum(digits);
    const std::string codeChecksum(digits.begin(), digits.end());

    Outcome outcome = static_cast<Outcome>(status);
    if (status == ValidationStatus::FirmwareNotFound && !m_prompts.offered().empty() && decoder.chosenRow() < 0)
        outcome = Outcome::Ambiguous;
    if (status == ValidationStatus::Valid && m_options.expectedCnpj &&
        withoutTrailingBlanks(FooterDecoder::text(decoder.cnpj)) != withoutTrailingBlanks(*m_options.expectedCnpj))
        outcome = Outcome::CnpjMismatch;
    report(outcome, decoder, codeChecksum);
    return outcome;
}

void Validator::report(Outcome outcome, const FooterDecoder& decoder, std::string_view codeChecksum)
{
    const bool decoded = outcome == Outcome::Valid || outcome == Outcome::CnpjMismatch;
    const int row = decoder.chosenRow();
    const FirmwareRecord* firmware = row >= 0 ? &m_catalogue.rows[static_cast<std::size_t>(row)] : nullptr;

    if (m_options.json) {
        JsonObject o;
        o.add("status", outcomeName(outcome));
        if (decoded) {
            o.add("coo", utf8(FooterDecoder::text(decoder.coo)))
                .add("cnpj", utf8(FooterDecoder::text(decoder.cnpj)))
                .add("serial", utf8(FooterDecoder::text(decoder.serial)))
                .add("timestamp", utf8(FooterDecoder::text(decoder.timestamp)))
                .add("checksum", utf8(FooterDecoder::text(decoder.checksum)))
                .add("dateTime", formatDateTime(secondsToCalendar(decoder.dateValue())));
        } else if (outcome != Outcome::InvalidString) {
            o.add("checksum", utf8(codeChecksum));
        }
        if (firmware)
            o.addRaw("firmware", firmwareJson(*firmware, row));
        if (outcome == Outcome::Ambiguous) {
            std::string list = "[";
            for (std::size_t i = 0; i < m_prompts.offered().size(); ++i)
                list += (i ? "," : "") + std::to_string(m_prompts.offered()[i]);
            o.addRaw("candidates", list + "]");
        }
        writeOut(o.str() + "\n");
        return;
    }

    switch (outcome) {
    case Outcome::Valid: {
        std::string out;
        for (const ResultRow& r : resultRows(decoder, *firmware))
            out += utf8(r.label) + "\t" + utf8(r.value) + "\n";
        writeOut(out);
        break;
    }
    case Outcome::Ambiguous: {
        std::string list;
        for (const int candidate : m_prompts.offered())
            list += " " + std::to_string(candidate);
        std::fprintf(stderr, "several firmware images match checksum %s: catalogue rows%s; choose one with --row N\n",
                     std::string(codeChecksum).c_str(), list.c_str());
        break;
    }
    case Outcome::CnpjMismatch:
        m_prompts.showError({}, rejectedCnpjMessage());
        break;
    default:
        m_prompts.showError({}, failureMessage(static_cast<ValidationStatus>(outcome)));
    }
}

int usage(const std::string& message)
{
    std::fprintf(stderr, "morvanex-cli validate: %s\n", message.c_str());
    return usageError;
}

} // namespace

int validateCommand(const std::vector<std::string>& args)
{
    std::string error;
    const auto parsed = parseArguments(args, {{"dir", "row", "expect-cnpj"}, {"json"}}, error);
    if (!parsed)
        return usage(error);
    if (parsed->positional.size() != 1)
        return usage("give one footer code, or - to read codes from standard input");
    Options options;
    options.json = parsed->has("json");
    if (const auto row = parsed->value("row")) {
        const auto n = parseNumber(*row, INT32_MAX);
        if (!n)
            return usage("--row must be a catalogue index: '" + *row + "'");
        options.row = static_cast<int>(*n);
    }
    if (const auto cnpj = parsed->value("expect-cnpj")) {
        options.expectedCnpj = utf8ToCp1252(*cnpj);
        if (!options.expectedCnpj)
            return usage("--expect-cnpj is not valid UTF-8 text of Windows-1252 characters");
    }
    const std::string code = parsed->positional.front();
    const Workspace workspace(workspaceDir(*parsed));
    Validator validator(workspace, options);

    if (code != "-")
        return static_cast<int>(validator.validate(code));
    bool allValid = true;
    for (std::string line; std::getline(std::cin, line);) {
        if (!line.empty() && line.back() == '\r')
            line.pop_back();
        allValid = validator.validate(line) == Outcome::Valid && allValid;
        if (!options.json)
            std::fflush(stdout);
    }
    return allValid ? 0 : batchFailure;
}

} // namespace morvanex::cli
