#include "arguments.h"
#include "cli_prompts.h"
#include "command_workspace.h"
#include "commands.h"
#include "exit_status.h"
#include "firmware_json.h"
#include "json_writer.h"
#include "line_reader.h"
#include "standard_streams.h"
#include "text_escape.h"

#include "footer/calendar_time.h"
#include "footer/footer_encoder.h"
#include "text/text_encoding.h"
#include "validation/validation_flow.h"

namespace morvanex::cli {

namespace {

constexpr std::string_view commandName = "validate";
// First field of a suggestion's line.
constexpr std::string_view suggestionLabel = "SUGESTÃO";

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
    say(commandName, "cannot read image '" + utf8(image.fileName) + "': " + image.reason);
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
    CheckOptions check;
};

class Validator
{
public:
    Validator(CommandWorkspace& opened, CliPrompts& prompts, const Options& options)
        : m_options(options), m_prompts(prompts), m_catalogue(opened.catalogue()),
          m_flow(opened.catalogue(), opened.workspace(), prompts)
    {
        // A batch keeps its images prepared; one code reads its image afresh, as the desktop does.
        if (options.batch)
            m_flow.keepImages();
    }

    // Decodes and answers one code, of which charactersCut more up to its last non-blank were not
    // kept; false in outputOk once standard output has failed.
    Verdict validate(std::string_view code, std::size_t charactersCut = 0);
    bool outputOk() const { return m_outputOk; }

private:
    void report(const CodeCheck& check, const std::vector<Suggestion>& suggestions);
    // The lines of a catalogue row's five result rows, made once per row.
    const std::string& firmwareLines(int row);
    void reportJson(const CodeCheck& check, const std::vector<Suggestion>& suggestions,
                    const FirmwareRecord* firmware);

    Options m_options;
    CliPrompts& m_prompts;
    const FirmwareCatalogue& m_catalogue;
    ValidationFlow m_flow;
    std::vector<std::string> m_firmwareLines; // by catalogue row, empty until first needed
    bool m_outputOk = true;
};

Verdict Validator::validate(std::string_view code, std::size_t charactersCut)
{
    const CodeCheck check = charactersCut ? overlongCode(code, charactersCut) : m_flow.check(code, m_options.check);
    // A set-up fault beside the verdict: the row's image is there in name but cannot be had.
    if (check.imageFailure && check.verdict == Verdict::FirmwareNotFound)
        sayUnreadable(*check.imageFailure);
    if (check.verdict == Verdict::ImageUnreadable)
        for (const ImageReadFailure& image : check.unreadableImages)
            sayUnreadable(image);
    std::vector<Suggestion> suggestions;
    if (m_options.suggest && check.verdict != Verdict::Valid)
        suggestions = m_flow.suggest(code, m_options.check);
    report(check, suggestions);
    return check.verdict;
}

// A JSON array of the items, each as json makes it.
template <typename T, typename F>
std::string jsonList(const std::vector<T>& items, const F& json)
{
    std::string list = "[";
    for (const T& item : items)
        list += (list.size() > 1 ? "," : "") + json(item);
    return list + "]";
}

void Validator::reportJson(const CodeCheck& check, const std::vector<Suggestion>& suggestions,
                           const FirmwareRecord* firmware)
{
    const Verdict verdict = check.verdict;
    const FooterDecoder& decoder = check.decoder;
    JsonObject o;
    o.add("status", verdictName(verdict));
    if (verdict == Verdict::Valid || verdict == Verdict::CnpjMismatch || verdict == Verdict::Implausible) {
        o.add("coo", utf8(FooterDecoder::text(decoder.coo)))
            .add("cnpj", utf8(FooterDecoder::text(decoder.cnpj)))
            .add("serial", utf8(FooterDecoder::text(decoder.serial)))
            .add("timestamp", utf8(FooterDecoder::text(decoder.timestamp)))
            .add("checksum", utf8(FooterDecoder::text(decoder.checksum)))
            .add("dateTime", formatDateTime(secondsToCalendar(decoder.dateValue())));
    } else if (verdict != Verdict::InvalidString) {
        // The code's own checksum text: the outcome left the fields as digit values.
        const auto checksum = decoder.checksumText();
        o.add("checksum", utf8(std::string(checksum.begin(), checksum.end())));
    }
    if (firmware)
        o.addRaw("firmware", firmwareJson(*firmware, check.row));
    if (verdict == Verdict::Ambiguous)
        o.addRaw("candidates", jsonList(check.candidates, [](int row) { return std::to_string(row); }));
    if (verdict == Verdict::Implausible)
        o.addRaw("implausibleFields", jsonList(check.implausibleFields, [](FooterField field) {
                     return jsonString(footerFieldName(field));
                 }));
    if (verdict == Verdict::ImageUnreadable)
        o.addRaw("unreadableImages", jsonList(check.unreadableImages, [](const ImageReadFailure& image) {
                     return JsonObject().add("fileName", utf8(image.fileName)).add("reason", image.reason).str();
                 }));
    if (!check.reason.empty())
        o.add("reason", check.reason);
    if (m_options.suggest && verdict != Verdict::Valid)
        o.addRaw("suggestions", suggestionsJson(suggestions, m_catalogue));
    m_outputOk = writeOut(o.str() + "\n");
}

void Validator::report(const CodeCheck& check, const std::vector<Suggestion>& suggestions)
{
    const int row = check.row;
    const FirmwareRecord* firmware = row >= 0 ? &m_catalogue.rows[static_cast<std::size_t>(row)] : nullptr;
    if (m_options.json)
        return reportJson(check, suggestions, firmware);

    const Verdict verdict = check.verdict;
    switch (verdict) {
    case Verdict::Valid:
        break;
    case Verdict::Implausible: {
        std::string fields;
        for (const FooterField field : check.implausibleFields)
            fields += std::string(fields.empty() ? "" : ", ") + std::string(footerFieldName(field)) + " (0-" +
                      std::to_string(maxGenuineDigit(field)) + ")";
        say(commandName, "no genuine printer makes this code: digits outside their range in " + fields);
        break;
    }
    case Verdict::Ambiguous: {
        std::string list;
        for (const int candidate : check.candidates)
            list += " " + std::to_string(candidate);
        const auto checksum = check.decoder.checksumText();
        writeErr("several firmware images match checksum " + std::string(checksum.begin(), checksum.end()) +
                 ": catalogue rows" + list + "; choose one with --row N\n");
        break;
    }
    case Verdict::CnpjMismatch:
        m_prompts.showError({}, rejectedCnpjMessage());
        break;
    case Verdict::ImageUnreadable:
        break; // the images that could not be read are named above
    case Verdict::InvalidString:
        m_prompts.showError({}, failureMessage(ValidationStatus::InvalidString));
        if (!check.reason.empty())
            say(commandName, check.reason);
        break;
    case Verdict::FirmwareNotFound:
    case Verdict::ChecksumMismatch:
        m_prompts.showError({}, failureMessage(check.status));
        break;
    }

    // Nine rows of two columns for a decoded code; in a batch every other answer is its verdict's name
    // on a line of its own, so a reader of stdout keeps track of which code it reads about.
    std::string out;
    if (verdict == Verdict::Valid || (verdict == Verdict::Implausible && !m_options.batch))
        out = rowLines(documentRows(check.decoder)) + firmwareLines(row);
    else if (m_options.batch)
        out = std::string(verdictName(verdict)) + "\n";
    m_outputOk = writeOut(out + suggestionLines(suggestions));
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
    say(commandName, message);
    return exit_status::usageError;
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
            return exit_status::ioFailure;
        const LineReader::Result result = reader.next(line);
        if (result == LineReader::Result::End)
            break;
        if (result == LineReader::Result::Failed) {
            say(commandName, "cannot read standard input: " + reader.error());
            flushOut(); // the lines answered so far stay answered
            return exit_status::ioFailure;
        }
        const Verdict verdict = validator.validate(line, reader.charactersCut());
        allValid = verdict == Verdict::Valid && allValid;
        unreadable = verdict == Verdict::ImageUnreadable || unreadable;
        if (!validator.outputOk())
            return exit_status::ioFailure;
    }
    if (!flushOut() || unreadable)
        return exit_status::ioFailure;
    return allValid ? exit_status::done : exit_status::someLineNotValid;
}

} // namespace

int validateCommand(const Arguments& args)
{
    if (args.positional.size() != 1)
        return usage("give one footer code, or - to read codes from standard input");
    const std::string code = args.positional.front();
    Options options;
    options.json = args.has("json");
    options.batch = code == "-";
    options.suggest = args.has("suggest");
    if (const auto row = args.value("row")) {
        const auto n = parseNumber(*row, INT32_MAX);
        if (!n)
            return usage("--row must be a catalogue index: '" + *row + "'");
        options.check.row = static_cast<int>(*n);
    }
    if (const auto cnpj = args.value("expect-cnpj")) {
        if (cnpj->size() != cnpjDigits || !isDocumentText(*cnpj))
            return usage("--expect-cnpj must be 20 characters of \"0123456789ABC./\": '" + *cnpj + "'");
        options.check.expectedCnpj = *cnpj;
    }
    CliPrompts prompts;
    CommandWorkspace opened(args, prompts);
    if (const auto ended = opened.check(commandName, EmptyCatalogue::Ends))
        return *ended;

    Validator validator(opened, prompts, options);
    if (options.batch)
        return validateLines(validator);
    const Verdict verdict = validator.validate(code);
    return validator.outputOk() && flushOut() ? exit_status::of(verdict) : exit_status::ioFailure;
}

} // namespace morvanex::cli
