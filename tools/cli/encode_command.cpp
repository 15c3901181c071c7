#include "arguments.h"
#include "commands.h"
#include "exit_status.h"
#include "standard_streams.h"

#include "firmware/image_file.h"
#include "footer/footer_encoder.h"

#include <cstdint>
#include <filesystem>

namespace morvanex::cli {
namespace {

int fail(const std::string& message, int status = exit_status::usageError)
{
    say("encode", message);
    return status;
}

} // namespace

int encodeCommand(const Arguments& args)
{
    const auto coo = parseNumber(*args.value("coo"), maxCoo);
    if (!coo)
        return fail("COO must be a number from 0 to 999999: '" + *args.value("coo") + "'");
    const auto seconds = parseNumber(*args.value("time"), UINT32_MAX);
    if (!seconds)
        return fail("time must be seconds since 1970, decimal or 0x-hexadecimal, at most 32 bits: '" +
                    *args.value("time") + "'");
    const std::string serial = *args.value("serial");
    if (serial.size() != serialDigits || !isDocumentText(serial))
        return fail("serial must be 6 characters of \"0123456789ABC./\": '" + serial + "'");
    const std::string cnpj = *args.value("cnpj");
    if (cnpj.size() != cnpjDigits || !isDocumentText(cnpj))
        return fail("CNPJ must be 20 characters of \"0123456789ABC./\": '" + cnpj + "'");

    const std::filesystem::path imagePath = *args.value("image");
    std::error_code ec;
    if (!std::filesystem::is_regular_file(imagePath, ec))
        return fail("no image file '" + imagePath.string() + "'");
    std::string reason;
    auto image = readWholeFile(imagePath, &reason);
    if (!image)
        return fail("cannot read image '" + imagePath.string() + "': " + reason, exit_status::ioFailure);
    if (args.has("swap"))
        swapBytePairs(*image);

    const auto footer = encodeFooter(*image, static_cast<std::uint32_t>(*coo), serial,
                                     static_cast<std::uint32_t>(*seconds), cnpj);
    return writeOut(*footer + "\n") && flushOut() ? exit_status::done : exit_status::ioFailure;
}

} // namespace morvanex::cli
