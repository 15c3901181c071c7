#include "firmware_json.h"

#include "cli_prompts.h"
#include "json_writer.h"

#include "text/text_encoding.h"
#include "firmware/firmware_record.h"

namespace morvanex::cli {

std::string firmwareJson(const FirmwareRecord& record, int index)
{
    JsonObject row;
    row
        .addNumber("index", index)
        .add("fileName", utf8(record.fileName))
        .add("model", utf8(record.model))
        .add("version", utf8(record.version))
        .add("brand", utf8(record.brand))
        .add("footerChecksum", utf8(record.footerChecksum))
        .add("displayChecksum", utf8(record.displayChecksum))
        .addBool("byteSwapped", record.byteSwapped != 0);
    // Only where it happened, so the rows of a sound workspace read as they always have.
    if (!record.imageProblem.empty())
        row.add("imageProblem", record.imageProblem);
    return row.str();
}

} // namespace morvanex::cli
