#include "arguments.h"
#include "cli_prompts.h"
#include "commands.h"
#include "firmware_json.h"
#include "text_escape.h"
#include "workspace_checks.h"

#include "text/text_encoding.h"
#include "firmware/firmware_catalogue.h"
#include "firmware/workspace.h"

#include <cstdio>
#include <filesystem>

namespace morvanex::cli {

int catalogueCommand(const std::vector<std::string>& args)
{
    std::string error;
    const auto parsed = parseArguments(args, {{"dir"}, {"json"}}, error);
    if (!parsed || !parsed->positional.empty()) {
        std::fprintf(stderr, "morvanex-cli catalogue: %s\n",
                     parsed ? ("unexpected argument '" + parsed->positional.front() + "'").c_str() : error.c_str());
        return usageError;
    }
    const auto dir = existingWorkspaceDir(*parsed, "catalogue");
    if (!dir)
        return noInput;
    const Workspace workspace(*dir);
    CliPrompts prompts;
    FirmwareCatalogue catalogue;
    loadCatalogue(catalogue, workspace, prompts);
    if (!foldersReadable(catalogue, "catalogue"))
        return ioFailure;
    warnOfUnreadableRows(catalogue, "catalogue");
    if (catalogue.rows.empty())
        std::fprintf(stderr, "morvanex-cli catalogue: warning: %s\n", emptyCatalogueMessage(*dir).c_str());

    std::string out;
    if (parsed->has("json")) {
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
    return writeOut(out) && flushOut() ? 0 : ioFailure;
}

} // namespace morvanex::cli
