#include "arguments.h"
#include "commands.h"

#include "firmware/image_file.h"
#include "footer/footer_encoder.h"

#include <cstdint>
#include <cstdio>
#include <filesystem>

namespace morvanex::cli {
namespace {

int fail(const std::string& message, int status = usageError)
{
    std::fprintf(stderr, "morvanex-cli encode: %s\n", message.c_str());
    return status;
}

} // namespace

int encodeCommand(const std::vector<std::string>& args)
{
    std::string error;
    const auto parsed = parseArguments(args, {{"image", "coo", "serial", "time", "cnpj"}, {"swap"}}, error);
    if (!parsed)
        return fail(error);
    if (!parsed->positional.empty())
        return fail("unexpected argument '" + parsed->positional.front() + "'");
    for (const char* required : {"image", "coo", "serial", "time", "cnpj"})
        if (!parsed->has(required))
            return fail(std::string("missing --") + required);

    const auto coo = parseNumber(*parsed->value("coo"), maxCoo);
    if (!coo)
        return fail("COO must be a number from 0 to 999999: '" + *parsed->value("coo") + "'");
    const auto seconds = parseNumber(*parsed->value("time"), UINT32_MAX);
    if (!seconds)
        return fail("time must be seconds since 1970, decimal or 0x-hexadecimal, at most 32 bits: '" +
                    *parsed->value("time") + "'");
    const std::string serial = *parsed->value("serial");
    if (serial.size() != serialDigits || !isDocumentText(serial))
        return fail("serial must be 6 characters of \"0123456789ABC./\": '" + serial + "'");
    const std::string cnpj = *parsed->value("cnpj");
    if (cnpj.size() != cnpjDigits || !isDocumentText(cnpj))
        return fail("CNPJ must be 20 characters of \"0123456789ABC./\": '" + cnpj + "'");

    const std::filesystem::path imagePath = *parsed->value("image");
    std::error_code ec;
    if (!std::filesystem::is_regular_file(imagePath, ec))
        return fail("no image file '" + imagePath.string() + "'");
    std::string reason;
    auto image = readWholeFile(imagePath, &reason);
    if (!image)
        return fail("cannot read image '" + imagePath.string() + "': " + reason, ioFailure);
    if (parsed->has("swap"))
        swapBytePairs(*image);

    const auto footer = encodeFooter(*image, static_cast<std::uint32_t>(*coo), serial,
                                     static_cast<std::uint32_t>(*seconds), cnpj);
    return writeOut(*footer + "\n") && flushOut() ? 0 : ioFailure;
}

} // namespace morvanex::cli
