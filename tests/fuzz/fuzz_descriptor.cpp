// Any bytes as a descriptor: the reader never crashes, asks for at most two checksums per line and keeps
// every value a byte-exact piece of one line.
#include "firmware/firmware_record.h"
#include "firmware/catalogue_prompts.h"

#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <string>
#include <unistd.h>

namespace {

class Recorder : public morvanex::ImageChecksumSource, public morvanex::CataloguePrompts
{
public:
    std::size_t requests = 0;
    std::optional<std::uint16_t> checksum(std::string_view, morvanex::ImageChecksum which, std::string& reason) override
    {
        ++requests;
        if (requests % 3 == 0) {
            reason = "unreadable";
            return std::nullopt;
        }
        return which == morvanex::ImageChecksum::Display ? 0xABCD : 0x1234;
    }
    void showError(std::string_view, std::string_view) override {}
};

void check(bool condition)
{
    if (!condition)
        std::abort();
}

bool isPieceOfALine(const std::string& bytes, const std::string& value)
{
    return value.find('\n') == std::string::npos && bytes.find(value) != std::string::npos;
}

} // namespace

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size)
{
    static const std::filesystem::path path =
        std::filesystem::temp_directory_path() /
        ("morvanex-fuzz-descriptor-" + std::to_string(getpid()) + ".txt");
    const std::string bytes(reinterpret_cast<const char*>(data), size);
    std::ofstream(path, std::ios::binary | std::ios::trunc)
        .write(bytes.data(), static_cast<std::streamsize>(size));

    Recorder recorder;
    morvanex::FirmwareRecord record;
    check(record.loadDescriptor(path, recorder, recorder) == 1);
    std::size_t lines = 1;
    for (const char c : bytes)
        lines += c == '\n';
    check(recorder.requests <= 2 * lines); // two procedures per image line
    for (const std::string* value : {&record.fileName, &record.model, &record.version, &record.brand})
        check(isPieceOfALine(bytes, *value));
    check(record.footerChecksum.empty() || record.footerChecksum == "1234" ||
          record.footerChecksum == "0000");
    check(record.displayChecksum.empty() || record.displayChecksum == "ABCD" ||
          record.displayChecksum == "0000");
    check(record.byteSwapped == 0 || record.byteSwapped == 1);
    return 0;
}
