#include "arguments.h"
#include "cli_prompts.h"
#include "commands.h"
#include "firmware_json.h"

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
    const Workspace workspace(workspaceDir(*parsed));
    CliPrompts prompts;
    FirmwareCatalogue catalogue;
    loadCatalogue(catalogue, workspace, prompts);

    if (parsed->has("json")) {
        std::string out = "[";
        for (int i = 0; i < catalogue.count(); ++i)
            out += (i ? ",\n " : "") + firmwareJson(catalogue.rows[static_cast<std::size_t>(i)], i);
        writeOut(out + "]\n");
        return 0;
    }
    std::string out = "index\tfileName\tmodel\tversion\tbrand\tfooterChecksum\tdisplayChecksum\tbyteSwapped\n";
    for (int i = 0; i < catalogue.count(); ++i) {
        const FirmwareRecord& r = catalogue.rows[static_cast<std::size_t>(i)];
        out += std::to_string(i);
        for (const std::string* field :
             {&r.fileName, &r.model, &r.version, &r.brand, &r.footerChecksum, &r.displayChecksum})
            out += "\t" + utf8(*field);
        out += "\t" + std::to_string(r.byteSwapped) + "\n";
    }
    writeOut(out);
    return 0;
}

} // namespace morvanex::cli
