#include "image_reading.h"

#include "firmware/image_file.h"

#include <new>
#include <stdexcept>

namespace morvanex::cli {

std::optional<std::vector<std::uint8_t>> readImageFile(const std::filesystem::path& path, std::string& reason)
{
    try {
        // The reader says why itself, running out of memory included.
        auto image = readWholeFile(path, &reason);
        if (!image && reason.empty())
            reason = "it cannot be opened or read as an ordinary file";
        return image;
    } catch (const std::bad_alloc&) {
    } catch (const std::length_error&) {
    } catch (const std::exception& e) {
        reason = e.what();
        return std::nullopt;
    } catch (...) {
        reason = "an unexpected failure while reading";
        return std::nullopt;
    }
    std::error_code ec;
    const auto size = std::filesystem::file_size(path, ec);
    reason = "not enough memory to hold it" + (ec ? std::string() : " (" + std::to_string(size) + " bytes)");
    return std::nullopt;
}

} // namespace morvanex::cli
