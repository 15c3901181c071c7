#include "arguments.h"
#include "batch_pipeline.h"
#include "cli_prompts.h"
#include "command_register.h"
#include "command_workspace.h"
#include "commands.h"
#include "exit_status.h"
#include "line_reader.h"
#include "standard_streams.h"
#include "usable_cores.h"
#include "validate_answers.h"

#include "footer/footer_encoder.h"
#include "validation/kept_images.h"

#include <memory>

namespace morvanex::cli {

namespace {

constexpr std::string_view commandName = "validate";
// More threads than this would only wait on each other.
constexpr unsigned maxJobs = 1024;

int usage(const std::string& message)
{
    say(commandName, message);
    return exit_status::usageError;
}

// Writes what the register holds back and every answer so far; false when output failed.
bool flushAll(CommandRegister* checks)
{
    // The answers first: the register never holds them back.
    const bool written = flushOut();
    if (checks) {
        checks->flush();
        flushOut(); // what it said
    }
    return written;
}

// Answers every line of standard input on jobs threads, in input order; whenever the next line is
// not yet at hand, every answer so far has been flushed, and every check recorded.
int validateLines(const ValidateOptions& options, unsigned jobs, CommandWorkspace& opened, CommandRegister* checks)
{
    KeptImageStore kept; // one for every thread, within one bound
    AnswerWriter writer(options, opened.catalogue(), checks);
    // Progress for the one watching a terminal while the codes come from a file or a pipe.
    if (!isTerminal(0) && isTerminal(2))
        writer.showProgress(commandName);
    LineReader reader;
    const BatchPipeline::Stages stages{
        [&] {
            auto answerer = std::make_shared<CodeAnswerer>(opened.catalogue(), opened.workspace(), options, &kept);
            return [answerer](AnswerChunk& chunk) { answerer->answer(chunk); };
        },
        [&writer](AnswerChunk& chunk) { return writer.write(chunk); },
        [checks] { return flushAll(checks); },
    };
    const BatchPipeline::End end = BatchPipeline::run(reader, jobs, stages);
    if (end == BatchPipeline::End::ReadFailed)
        say(commandName, "cannot read standard input: " + reader.error());
    // The lines answered so far stay answered, whatever ended the batch.
    const bool flushed = flushAll(checks);
    clearStatus();
    if (end != BatchPipeline::End::Input || !flushed || writer.anyUnreadable() || (checks && checks->failed()))
        return exit_status::ioFailure;
    return writer.allValid() ? exit_status::done : exit_status::someLineNotValid;
}

// One code, answered on this thread with its image read afresh.
int validateOne(const std::string& code, const ValidateOptions& options, CommandWorkspace& opened,
                CommandRegister* checks)
{
    CodeAnswerer answerer(opened.catalogue(), opened.workspace(), options, nullptr);
    AnswerWriter writer(options, opened.catalogue(), checks);
    AnswerChunk chunk;
    chunk.add(code, 0);
    answerer.answer(chunk);
    const bool written = writer.write(chunk);
    const bool flushed = flushAll(checks);
    if (!written || !flushed || (checks && checks->failed()))
        return exit_status::ioFailure;
    return writer.lastCloned() ? exit_status::cloned : exit_status::of(writer.lastVerdict());
}

} // namespace

int validateCommand(const Arguments& args)
{
    if (args.positional.size() != 1)
        return usage("give one footer code, or - to read codes from standard input");
    const std::string code = args.positional.front();
    ValidateOptions options;
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
    unsigned jobs = usableCores();
    if (const auto given = args.value("jobs")) {
        const auto n = parseNumber(*given, maxJobs);
        if (!n || *n == 0)
            return usage("--jobs must be a number of threads from 1 to " + std::to_string(maxJobs) + ": '" +
                         *given + "'");
        jobs = static_cast<unsigned>(*n);
    }
    const auto registerLocation = args.value("register");
    if (registerLocation && registerLocation->empty())
        return usage("--register needs a file or odbc:CONNECTION");
    options.recording = registerLocation.has_value();
    CliPrompts prompts;
    CommandWorkspace opened(args, prompts);
    if (const auto ended = opened.check(commandName, EmptyCatalogue::Ends))
        return *ended;

    std::optional<CommandRegister> checks;
    if (registerLocation)
        checks.emplace(commandName, *registerLocation);
    CommandRegister* const recorded = checks ? &*checks : nullptr;
    return options.batch ? validateLines(options, jobs, opened, recorded)
                         : validateOne(code, options, opened, recorded);
}

} // namespace morvanex::cli
