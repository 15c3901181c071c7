#include "arguments.h"
#include "cli_prompts.h"
#include "command_workspace.h"
#include "commands.h"
#include "exit_status.h"
#include "firmware_json.h"
#include "standard_streams.h"
#include "text_escape.h"

#include "text/text_encoding.h"

namespace morvanex::cli {
namespace {

constexpr std::string_view commandName = "catalogue";

// Names the rows whose image could not be read while the catalogue loaded.
void warnOfUnreadableRows(const FirmwareCatalogue& catalogue)
{
    for (int i = 0; i < catalogue.count(); ++i) {
        const FirmwareRecord& row = catalogue.rows[static_cast<std::size_t>(i)];
        if (!row.imageProblem.empty())
            say(commandName, "warning: row " + std::to_string(i) + ": cannot read image '" + utf8(row.fileName) +
                                 "': " + row.imageProblem);
    }
}

} // namespace

int catalogueCommand(const Arguments& args)
{
    CliPrompts prompts;
    CommandWorkspace opened(args, prompts);
    const FirmwareCatalogue& catalogue = opened.catalogue();
    // An empty catalogue is still a catalogue to list.
    if (const auto ended = opened.check(commandName, EmptyCatalogue::WarnedOf))
        return *ended;
    warnOfUnreadableRows(catalogue);

    std::string out;
    if (args.has("json")) {
        out = "[";
        for (int i = 0; i < catalogue.count(); ++i)
            out += (i ? ",\n " : "") + firmwareJson(catalogue.rows[static_cast<std::size_t>(i)], i);
        out += "]\n";
    } else {
        out = "index\tfileName\tmodel\tversion\tbrand\tfooterChecksum\tdisplayChecksum\tbyteSwapped\n";
        for (int i = 0; i < catalogue.count(); ++i) {
            const FirmwareRecord& r = catalogue.rows[static_cast<std::size_t>(i)];
            out += std::to_string(i);
            for (const std::string* field :
                 {&r.fileName, &r.model, &r.version, &r.brand, &r.footerChecksum, &r.displayChecksum})
                out += "\t" + escapeControls(utf8(*field));
            out += "\t" + std::to_string(r.byteSwapped) + "\n";
        }
    }
    return writeOut(out) && flushOut() ? exit_status::done : exit_status::ioFailure;
}

} // namespace morvanex::cli
