#include "arguments.h"
#include "cli_prompts.h"
#include "commands.h"
#include "firmware_json.h"
#include "json_writer.h"
#include "line_reader.h"
#include "text_escape.h"
#include "workspace_checks.h"

#include "firmware/firmware_catalogue.h"
#include "firmware/workspace.h"
#include "footer/calendar_time.h"
#include "footer/footer_encoder.h"
#include "footer/plausibility.h"
#include "text/text_encoding.h"
#include "validation/validation_flow.h"

#include <algorithm>
#include <array>
#include <cstdio>
#include <filesystem>

namespace morvanex::cli {

namespace {

// Exit statuses of one code; Ambiguous, CnpjMismatch, Implausible and ImageUnreadable are the CLI's
// own outcomes.
enum class Outcome {
    Valid = 0,
    InvalidString = 1,
    FirmwareNotFound = 2,
    ChecksumMismatch = 3,
    Ambiguous = 4,
    CnpjMismatch = 5,
    Implausible = 6,
    // Not found while an approved image could not be read: no verdict on the document.
    ImageUnreadable = ioFailure,
};
constexpr int batchFailure = 10;
// First field of a suggestion's line.
constexpr std::string_view suggestionLabel = "SUGESTÃO";

std::string outcomeName(Outcome o)
{
    switch (o) {
    case Outcome::Ambiguous:
        return "Ambiguous";
    case Outcome::CnpjMismatch:
        return "CnpjMismatch";
    case Outcome::Implausible:
        return "Implausible";
    case Outcome::ImageUnreadable:
        return "ImageUnreadable";
    default:
        return std::string(statusName(static_cast<ValidationStatus>(o)));
    }
}

// Result rows as text, one "label<TAB>value" line each, in UTF-8 with control characters escaped.
std::string rowLines(const std::vector<ResultRow>& rows)
{
    std::string lines;
    for (const ResultRow& r : rows)
        lines += utf8(r.label) + "\t" + escapeControls(utf8(r.value)) + "\n";
    return lines;
}

void sayUnreadable(const ImageReadFailure& image)
{
    std::fprintf(stderr, "morvanex-cli validate: cannot read image '%s': %s\n", utf8(image.fileName).c_str(),
                 image.reason.c_str());
}

// One "SUGESTÃO<TAB>code<TAB>change" line per suggestion.
std::string suggestionLines(const std::vector<Suggestion>& suggestions)
{
    std::string lines;
    for (const Suggestion& s : suggestions)
        lines +=
            std::string(suggestionLabel) + "\t" + s.code + "\t" + escapeControls(utf8(changeText(s))) + "\n";
    return lines;
}

// Positions counted from 1, as in the text lines; the row and the image file each decodes with.
std::string suggestionsJson(const std::vector<Suggestion>& suggestions, const FirmwareCatalogue& catalogue)
{
    std::string list = "[";
    for (const Suggestion& s : suggestions) {
        std::string positions = "[";
        for (const std::size_t p : s.positions)
            positions += (positions.size() > 1 ? "," : "") + std::to_string(p + 1);
        JsonObject o;
        o.add("code", s.code)
            .addRaw("positions", positions + "]")
            .add("typed", utf8(s.typed))
            .add("suggested", s.suggested)
            .addBool("cnpjCheckDigits", s.cnpjCheckDigits)
            .addNumber("row", s.row)
            .add("fileName", utf8(catalogue.rows.at(static_cast<std::size_t>(s.row)).fileName));
        list += (list.size() > 1 ? "," : "") + o.str();
    }
    return list + "]";
}

struct Options
{
    bool json = false;
    bool batch = false; // codes from standard input: in text form every failure also names itself on stdout
    bool suggest = false; // a code that is not Valid also lists the valid codes one edit away
    int row = -1;
    std::optional<std::string> expectedCnpj;
};

class Validator
{
public:
    Validator(const Workspace& workspace, const Options& options)
        : m_options(options), m_prompts(options.row), m_flow(m_catalogue, workspace, m_prompts)
    {
        loadCatalogue(m_catalogue, workspace, m_prompts);
        // A batch keeps its images prepared; one code reads its image afresh, as the desktop does.
        if (options.batch)
            m_flow.keepImages();
    }

    bool catalogueEmpty() const { return m_catalogue.rows.empty(); }
    const FirmwareCatalogue& catalogue() const { return m_catalogue; }
    // Decodes and answers one code; false in outputOk once standard output has failed.
    Outcome validate(std::string_view code);
    bool outputOk() const { return m_outputOk; }

private:
    struct Verdict
    {
        Outcome outcome;
        std::string codeChecksum;             // the code's own checksum text
        std::vector<FooterField> implausible; // for Implausible
        std::string reason;                   // for InvalidString, when there is more to say
        std::vector<ImageReadFailure> unreadable; // for ImageUnreadable
        std::vector<Suggestion> suggestions;  // with --suggest, for any outcome but Valid
    };
    void report(const Verdict& verdict, const FooterDecoder& decoder);
    // The lines of a catalogue row's five result rows, made once per row.
    const std::string& firmwareLines(int row);
    void reportJson(const Verdict& verdict, const FooterDecoder& decoder, const FirmwareRecord* firmware);

    Options m_options;
    CliPrompts m_prompts;
    FirmwareCatalogue m_catalogue;
    ValidationFlow m_flow;
    std::vector<std::string> m_firmwareLines; // by catalogue row, empty until first needed
    bool m_outputOk = true;
};

Outcome Validator::validate(std::string_view code)
{
    m_prompts.reset();
    const CodeCheck check = m_flow.check(code);
    const FooterDecoder& decoder = check.decoder;
    const ValidationStatus status = check.status;

    // The code's own checksum text, reported for the outcomes that leave the fields as digit values.
    const auto checksum = decoder.checksumText();
    Verdict verdict{static_cast<Outcome>(status), std::string(checksum.begin(), checksum.end()), {}, check.reason,
                    check.unreadableImages, {}};
    if (status == ValidationStatus::FirmwareNotFound && !m_prompts.offered().empty() && check.row < 0)
        verdict.outcome = Outcome::Ambiguous;
    else if (status == ValidationStatus::FirmwareNotFound && !check.unreadableImages.empty())
        verdict.outcome = Outcome::ImageUnreadable;
    if (status == ValidationStatus::Valid) {
        // A code no printer makes is not a document whose CNPJ differs: this comes first.
        verdict.implausible = implausibleFields(decoder);
        if (!verdict.implausible.empty())
            verdict.outcome = Outcome::Implausible;
        else if (m_options.expectedCnpj && FooterDecoder::text(decoder.cnpj) != *m_options.expectedCnpj)
            verdict.outcome = Outcome::CnpjMismatch;
    }
    // A set-up fault beside the verdict: the row's image is there in name but cannot be had.
    if (const auto& failure = check.imageFailure; failure && verdict.outcome == Outcome::FirmwareNotFound)
        sayUnreadable(*failure);
    if (verdict.outcome == Outcome::ImageUnreadable)
        for (const ImageReadFailure& image : verdict.unreadable)
            sayUnreadable(image);
    if (m_options.suggest && verdict.outcome != Outcome::Valid)
        verdict.suggestions = m_flow.suggest(code, CheckOptions{m_options.row, m_options.expectedCnpj});
    report(verdict, decoder);
    return verdict.outcome;
}

void Validator::reportJson(const Verdict& verdict, const FooterDecoder& decoder,
                           const FirmwareRecord* firmware)
{
    const Outcome outcome = verdict.outcome;
    JsonObject o;
    o.add("status", outcomeName(outcome));
    if (outcome == Outcome::Valid || outcome == Outcome::CnpjMismatch || outcome == Outcome::Implausible) {
        o.add("coo", utf8(FooterDecoder::text(decoder.coo)))
            .add("cnpj", utf8(FooterDecoder::text(decoder.cnpj)))
            .add("serial", utf8(FooterDecoder::text(decoder.serial)))
            .add("timestamp", utf8(FooterDecoder::text(decoder.timestamp)))
            .add("checksum", utf8(FooterDecoder::text(decoder.checksum)))
            .add("dateTime", formatDateTime(secondsToCalendar(decoder.dateValue())));
    } else if (outcome != Outcome::InvalidString) {
        o.add("checksum", utf8(verdict.codeChecksum));
    }
    if (firmware)
        o.addRaw("firmware", firmwareJson(*firmware, decoder.chosenRow()));
    if (outcome == Outcome::Ambiguous) {
        std::string list = "[";
        for (std::size_t i = 0; i < m_prompts.offered().size(); ++i)
            list += (i ? "," : "") + std::to_string(m_prompts.offered()[i]);
        o.addRaw("candidates", list + "]");
    }
    if (outcome == Outcome::Implausible) {
        std::string list = "[";
        for (std::size_t i = 0; i < verdict.implausible.size(); ++i)
            list += (i ? "," : "") + jsonString(footerFieldName(verdict.implausible[i]));
        o.addRaw("implausibleFields", list + "]");
    }
    if (outcome == Outcome::ImageUnreadable) {
        std::string list = "[";
        for (std::size_t i = 0; i < verdict.unreadable.size(); ++i)
            list += (i ? "," : "") + JsonObject()
                                         .add("fileName", utf8(verdict.unreadable[i].fileName))
                                         .add("reason", verdict.unreadable[i].reason)
                                         .str();
        o.addRaw("unreadableImages", list + "]");
    }
    if (!verdict.reason.empty())
        o.add("reason", verdict.reason);
    if (m_options.suggest && outcome != Outcome::Valid)
        o.addRaw("suggestions", suggestionsJson(verdict.suggestions, m_catalogue));
    m_outputOk = writeOut(o.str() + "\n");
}

void Validator::report(const Verdict& verdict, const FooterDecoder& decoder)
{
    const int row = decoder.chosenRow();
    const FirmwareRecord* firmware = row >= 0 ? &m_catalogue.rows[static_cast<std::size_t>(row)] : nullptr;
    if (m_options.json)
        return reportJson(verdict, decoder, firmware);

    const Outcome outcome = verdict.outcome;
    switch (outcome) {
    case Outcome::Valid:
        break;
    case Outcome::Implausible: {
        std::string fields;
        for (const FooterField field : verdict.implausible)
            fields += std::string(fields.empty() ? "" : ", ") + std::string(footerFieldName(field)) + " (0-" +
                      std::to_string(maxGenuineDigit(field)) + ")";
        std::fprintf(
            stderr,
            "morvanex-cli validate: no genuine printer makes this code: digits outside their range in %s\n",
            fields.c_str());
        break;
    }
    case Outcome::Ambiguous: {
        std::string list;
        for (const int candidate : m_prompts.offered())
            list += " " + std::to_string(candidate);
        std::fprintf(stderr,
                     "several firmware images match checksum %s: catalogue rows%s; choose one with --row N\n",
                     verdict.codeChecksum.c_str(), list.c_str());
        break;
    }
    case Outcome::CnpjMismatch:
        m_prompts.showError({}, rejectedCnpjMessage());
        break;
    case Outcome::ImageUnreadable:
        break; // the images that could not be read are named above
    case Outcome::InvalidString:
        m_prompts.showError({}, failureMessage(ValidationStatus::InvalidString));
        if (!verdict.reason.empty())
            std::fprintf(stderr, "morvanex-cli validate: %s\n", verdict.reason.c_str());
        break;
    default:
        m_prompts.showError({}, failureMessage(static_cast<ValidationStatus>(outcome)));
    }

    // Nine rows of two columns for a decoded code; in a batch every other answer is its outcome's name
    // on a line of its own, so a reader of stdout keeps track of which code it reads about.
    std::string out;
    if (outcome == Outcome::Valid || (outcome == Outcome::Implausible && !m_options.batch)) {
        out = rowLines(documentRows(decoder)) + firmwareLines(row);
    } else if (m_options.batch) {
        out = outcomeName(outcome) + "\n";
    }
    m_outputOk = writeOut(out + suggestionLines(verdict.suggestions));
}

const std::string& Validator::firmwareLines(int row)
{
    m_firmwareLines.resize(m_catalogue.rows.size());
    std::string& lines = m_firmwareLines[static_cast<std::size_t>(row)];
    if (lines.empty())
        lines = rowLines(firmwareRows(m_catalogue.rows[static_cast<std::size_t>(row)]));
    return lines;
}

int usage(const std::string& message)
{
    std::fprintf(stderr, "morvanex-cli validate: %s\n", message.c_str());
    return usageError;
}

// Answers every line of standard input; whenever the next line is not yet at hand, every answer so
// far has been flushed.
int validateLines(Validator& validator)
{
    LineReader reader;
    bool allValid = true;
    bool unreadable = false;
    std::string line;
    for (;;) {
        if (!reader.lineReady() && !flushOut())
            return ioFailure;
        const LineReader::Result result = reader.next(line);
        if (result == LineReader::Result::End)
            break;
        if (result == LineReader::Result::Failed) {
            std::fprintf(stderr, "morvanex-cli validate: cannot read standard input: %s\n",
                         reader.error().c_str());
            flushOut(); // the lines answered so far stay answered
            return ioFailure;
        }
        const Outcome outcome = validator.validate(line);
        allValid = outcome == Outcome::Valid && allValid;
        unreadable = outcome == Outcome::ImageUnreadable || unreadable;
        if (!validator.outputOk())
            return ioFailure;
    }
    if (!flushOut() || unreadable)
        return ioFailure;
    return allValid ? 0 : batchFailure;
}

} // namespace

int validateCommand(const std::vector<std::string>& args)
{
    std::string error;
    const auto parsed = parseArguments(args, {{"dir", "row", "expect-cnpj"}, {"json", "suggest"}}, error);
    if (!parsed)
        return usage(error);
    if (parsed->positional.size() != 1)
        return usage("give one footer code, or - to read codes from standard input");
    const std::string code = parsed->positional.front();
    Options options;
    options.json = parsed->has("json");
    options.batch = code == "-";
    options.suggest = parsed->has("suggest");
    if (const auto row = parsed->value("row")) {
        const auto n = parseNumber(*row, INT32_MAX);
        if (!n)
            return usage("--row must be a catalogue index: '" + *row + "'");
        options.row = static_cast<int>(*n);
    }
    if (const auto cnpj = parsed->value("expect-cnpj")) {
        if (cnpj->size() != cnpjDigits || !isDocumentText(*cnpj))
            return usage("--expect-cnpj must be 20 characters of \"0123456789ABC./\": '" + *cnpj + "'");
        options.expectedCnpj = *cnpj;
    }
    const auto dir = existingWorkspaceDir(*parsed, "validate");
    if (!dir)
        return noInput;
    const Workspace workspace(*dir);
    Validator validator(workspace, options);
    if (!foldersReadable(validator.catalogue(), "validate"))
        return ioFailure;
    if (validator.catalogueEmpty()) {
        std::fprintf(stderr, "morvanex-cli validate: %s\n", emptyCatalogueMessage(*dir).c_str());
        return noInput;
    }

    if (options.batch)
        return validateLines(validator);
    const Outcome outcome = validator.validate(code);
    return validator.outputOk() && flushOut() ? static_cast<int>(outcome) : ioFailure;
}

} // namespace morvanex::cli
