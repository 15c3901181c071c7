#include "validate_answers.h"

#include "answer_text.h"
#include "command_help.h"
#include "command_register.h"
#include "firmware_json.h"
#include "json_writer.h"
#include "register_output.h"
#include "standard_streams.h"
#include "text_escape.h"

#include "firmware/firmware_catalogue.h"
#include "footer/calendar_time.h"
#include "text/text_encoding.h"
#include "validation/kept_images.h"

namespace morvanex::cli {

namespace {

constexpr std::string_view commandName = "validate";
// First field of a suggestion's line.
constexpr std::string_view suggestionLabel = "SUGESTÃO";

// "morvanex-cli validate: message" and a line end, as say writes it.
void sayInto(std::string& err, std::string_view message)
{
    err.append(programName).append(" ").append(commandName).append(": ").append(message).append("\n");
}

void sayUnreadable(std::string& err, const ImageReadFailure& image)
{
    sayInto(err, "cannot read image '" + utf8(image.fileName) + "': " + image.reason);
}

// A message of the validation's own (Windows-1252) on its line, as the prompts show it.
void showError(std::string& err, std::string_view message)
{
    err += utf8(message);
    err += '\n';
}

// One "SUGESTÃO<TAB>code<TAB>change" line per suggestion.
void appendSuggestionLines(std::string& out, const std::vector<Suggestion>& suggestions)
{
    for (const Suggestion& s : suggestions) {
        out.append(suggestionLabel).append("\t").append(s.code).append("\t");
        out += escapeControls(utf8(changeText(s)));
        out += '\n';
    }
}

// A JSON array of the items, each as json makes it.
template <typename T, typename F>
std::string jsonList(const std::vector<T>& items, const F& json)
{
    std::string list = "[";
    for (const T& item : items) {
        if (list.size() > 1)
            list += ',';
        list += json(item);
    }
    list += ']';
    return list;
}

// Positions counted from 1, as in the text lines; the row and the image file each decodes with.
std::string suggestionsJson(const std::vector<Suggestion>& suggestions, const FirmwareCatalogue& catalogue)
{
    return jsonList(suggestions, [&catalogue](const Suggestion& s) {
        JsonObject o;
        o.add("code", s.code)
            .addRaw("positions", jsonList(s.positions, [](std::size_t p) { return std::to_string(p + 1); }))
            .add("typed", utf8(s.typed))
            .add("suggested", s.suggested)
            .addBool("cnpjCheckDigits", s.cnpjCheckDigits)
            .addNumber("row", s.row)
            .add("fileName", utf8(catalogue.rows.at(static_cast<std::size_t>(s.row)).fileName));
        return o.str();
    });
}

} // namespace

CodeAnswerer::CodeAnswerer(FirmwareCatalogue& catalogue, const Workspace& workspace, const ValidateOptions& options,
                           KeptImageStore* keptImages)
    : m_options(options), m_catalogue(catalogue), m_flow(catalogue, workspace, m_prompts)
{
    // A batch keeps its images prepared; one code reads its image afresh, as the desktop does.
    if (keptImages)
        m_flow.keepImages(*keptImages);
}

void CodeAnswerer::answer(AnswerChunk& chunk)
{
    // Lines that were at hand at once.
    m_flow.beginGroup();
    for (const BatchLine& line : chunk.lines)
        answer(chunk.code(line), line.charactersCut, chunk);
}

void CodeAnswerer::answer(std::string_view code, std::size_t charactersCut, AnswerChunk& into)
{
    CodeCheck check = charactersCut ? overlongCode(code, charactersCut) : m_flow.check(code, m_options.check);
    // A set-up fault beside the verdict: the row's image is there in name but cannot be had.
    if (check.imageFailure && check.verdict == Verdict::FirmwareNotFound)
        sayUnreadable(into.err, *check.imageFailure);
    if (check.verdict == Verdict::ImageUnreadable)
        for (const ImageReadFailure& image : check.unreadableImages)
            sayUnreadable(into.err, image);
    std::vector<Suggestion> suggestions;
    if (m_options.suggest && check.verdict != Verdict::Valid)
        suggestions = m_flow.suggest(code, m_options.check);
    LineAnswer answer;
    answer.verdict = check.verdict;
    if (m_options.json)
        appendJson(check, suggestions, into, answer);
    else
        appendText(check, suggestions, into, answer);
    answer.outEnd = into.out.size();
    answer.errEnd = into.err.size();
    // What the register records: a code decoded to a CNPJ with the row it decoded with.
    if (m_options.recording && check.row >= 0 &&
        (check.verdict == Verdict::Valid || check.verdict == Verdict::CnpjMismatch))
        answer.toRecord = std::move(check);
    into.answers.push_back(std::move(answer));
}

void CodeAnswerer::appendJson(const CodeCheck& check, const std::vector<Suggestion>& suggestions,
                              AnswerChunk& into, LineAnswer& answer)
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
    if (check.row >= 0)
        o.addRaw("firmware", firmwareObject(check.row));
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
    // The register's member goes here, before the suggestions and the closing brace.
    answer.registerAt = into.out.size() + o.size() - 1;
    if (m_options.suggest && verdict != Verdict::Valid)
        o.addRaw("suggestions", suggestionsJson(suggestions, m_catalogue));
    o.appendTo(into.out);
    into.out += '\n';
}

void CodeAnswerer::appendText(const CodeCheck& check, const std::vector<Suggestion>& suggestions,
                              AnswerChunk& into, LineAnswer& answer)
{
    std::string& err = into.err;
    const Verdict verdict = check.verdict;
    switch (verdict) {
    case Verdict::Valid:
        break;
    case Verdict::Implausible: {
        std::string fields;
        for (const FooterField field : check.implausibleFields) {
            if (!fields.empty())
                fields += ", ";
            fields.append(footerFieldName(field)).append(" (0-").append(std::to_string(maxGenuineDigit(field)));
            fields += ')';
        }
        sayInto(err, "no genuine printer makes this code: digits outside their range in " + fields);
        break;
    }
    case Verdict::Ambiguous: {
        const auto checksum = check.decoder.checksumText();
        err.append("several firmware images match checksum ").append(checksum.begin(), checksum.end());
        err += ": catalogue rows";
        for (const int candidate : check.candidates)
            err.append(" ").append(std::to_string(candidate));
        err += "; choose one with --row N\n";
        break;
    }
    case Verdict::CnpjMismatch:
        showError(err, rejectedCnpjMessage());
        break;
    case Verdict::ImageUnreadable:
        break; // the images that could not be read are named above
    case Verdict::InvalidString:
        showError(err, failureMessage(ValidationStatus::InvalidString));
        if (!check.reason.empty())
            sayInto(err, check.reason);
        break;
    case Verdict::FirmwareNotFound:
    case Verdict::ChecksumMismatch:
        showError(err, failureMessage(check.status));
        break;
    }

    // Nine rows of two columns for a decoded code; in a batch every other answer is its verdict's name
    // on a line of its own, so a reader of stdout keeps track of which code it reads about. What the
    // register says of the document follows, before any suggestion.
    std::string& out = into.out;
    if (verdict == Verdict::Valid || (verdict == Verdict::Implausible && !m_options.batch)) {
        appendDocumentLines(out, check.decoder);
        out += firmwareLines(check.row);
    } else if (m_options.batch) {
        out.append(verdictName(verdict)).append("\n");
    }
    answer.registerAt = out.size();
    appendSuggestionLines(out, suggestions);
}

const std::string& CodeAnswerer::firmwareLines(int row)
{
    m_firmwareLines.resize(m_catalogue.rows.size());
    std::string& lines = m_firmwareLines[static_cast<std::size_t>(row)];
    if (lines.empty())
        appendRowLines(lines, firmwareRows(m_catalogue.rows[static_cast<std::size_t>(row)]));
    return lines;
}

const std::string& CodeAnswerer::firmwareObject(int row)
{
    m_firmwareObjects.resize(m_catalogue.rows.size());
    std::string& object = m_firmwareObjects[static_cast<std::size_t>(row)];
    if (object.empty())
        object = firmwareJson(m_catalogue.rows[static_cast<std::size_t>(row)], row);
    return object;
}

AnswerWriter::AnswerWriter(const ValidateOptions& options, const FirmwareCatalogue& catalogue,
                           CommandRegister* checks)
    : m_options(options), m_catalogue(catalogue), m_register(checks)
{
}

void AnswerWriter::showProgress(std::string_view command)
{
    m_progress.emplace(command, ProgressLine::Clock::now());
}

bool AnswerWriter::write(const AnswerChunk& chunk)
{
    std::size_t outAt = 0;
    std::size_t errAt = 0;
    bool written = true;
    for (std::size_t i = 0; i < chunk.answers.size() && written; ++i) {
        const LineAnswer& answer = chunk.answers[i];
        const std::string_view out = std::string_view(chunk.out).substr(outAt, answer.outEnd - outAt);
        const std::string_view err = std::string_view(chunk.err).substr(errAt, answer.errEnd - errAt);
        outAt = answer.outEnd;
        errAt = answer.errEnd;
        // The register answers in input order, each answer after every earlier check; what it says of
        // itself on stderr comes before the code's own messages.
        std::optional<RegisterAnswer> known;
        if (m_register && answer.toRecord)
            known = m_register->record(*answer.toRecord, chunk.code(chunk.lines[i]), m_catalogue);
        if (!err.empty())
            writeErr(err);
        if (known) {
            const std::size_t at = answer.registerAt - (outAt - out.size());
            m_text.assign(out.substr(0, at));
            if (m_options.json)
                m_text.append(",\"register\":").append(answerJson(*known));
            else
                m_text += answerLines(*known);
            m_text += out.substr(at);
            written = writeOut(m_text);
        } else {
            written = writeOut(out);
        }
        m_lastVerdict = answer.verdict;
        m_lastCloned = known && known->status == DocumentStatus::Clone;
        m_allValid = m_allValid && answer.verdict == Verdict::Valid && !m_lastCloned;
        m_anyUnreadable = m_anyUnreadable || answer.verdict == Verdict::ImageUnreadable;
    }
    m_lines += chunk.answers.size();
    if (m_progress)
        if (const auto line = m_progress->update(m_lines, ProgressLine::Clock::now()))
            showStatus(*line);
    return written;
}

} // namespace morvanex::cli
