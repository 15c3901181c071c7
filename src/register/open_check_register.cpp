#include "register/check_register.h"
#include "register/file_register.h"

#include <filesystem>

namespace morvanex {
namespace {

constexpr std::string_view serverPrefix = "odbc:";

} // namespace

std::unique_ptr<CheckRegister> openCheckRegister(const std::string& location, const RegisterWarning& warn,
                                                 std::string* error)
{
    if (location.starts_with(serverPrefix)) {
        // The database server's register opens here.
        if (error)
            *error = "this build has no database server register";
        return nullptr;
    }
    // Locations are UTF-8, also where the system's own file names are not.
    return openFileRegister(std::filesystem::path(std::u8string(location.begin(), location.end())), warn,
                            error);
}

} // namespace morvanex
