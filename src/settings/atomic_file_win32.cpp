#include "settings/atomic_file.h"

#include <fstream>
#include <functional>
#include <system_error>
#include <thread>

namespace morvanex {
namespace {

namespace fs = std::filesystem;

constexpr int kTemporaryNameAttempts = 100;

} // namespace

unsigned long long writerTag()
{
    return std::hash<std::thread::id>{}(std::this_thread::get_id());
}

bool isWritableFile(const fs::path&, fs::perms permissions)
{
    return (permissions & fs::perms::owner_write) != fs::perms::none;
}

bool replaceFileAtomically(const fs::path& target, std::string_view bytes, std::optional<fs::perms>)
{
    const fs::path folder = target.has_parent_path() ? target.parent_path() : fs::path(".");
    std::error_code ec;
    fs::path temporary;
    for (int attempt = 0; attempt < kTemporaryNameAttempts; ++attempt) {
        temporary = folder / temporaryNameFor(target);
        if (!fs::exists(temporary, ec) && !ec)
            break;
        temporary.clear();
    }
    if (temporary.empty())
        return false;
    {
        std::ofstream out(temporary, std::ios::binary | std::ios::trunc);
        out.write(bytes.data(), static_cast<std::streamsize>(bytes.size()));
        out.flush();
        out.close();
        if (!out) {
            fs::remove(temporary, ec);
            return false;
        }
    }
    fs::rename(temporary, target, ec);
    if (ec) {
        fs::remove(temporary, ec);
        return false;
    }
    return true;
}

} // namespace morvanex
