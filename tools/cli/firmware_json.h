#pragma once

#include <string>

namespace morvanex {
class FirmwareRecord;
}

namespace morvanex::cli {

// A catalogue row as a JSON object: index, fileName, model, version, brand, footerChecksum,
// displayChecksum, byteSwapped.
std::string firmwareJson(const FirmwareRecord& record, int index);

} // namespace morvanex::cli
