#include "register/check_register.h"
#include "register/file_register.h"
#include "register/odbc_register.h"

#include <filesystem>

namespace morvanex {
namespace {

constexpr std::string_view serverPrefix = "odbc:";

} // namespace

std::unique_ptr<CheckRegister> openCheckRegister(const std::string& location, const RegisterWarning& warn,
                                                 std::string* error)
{
    if (location.starts_with(serverPrefix))
        return openOdbcRegister(location.substr(serverPrefix.size()), warn, error);
    // Locations are UTF-8, also where the system's own file names are not.
    return openFileRegister(std::filesystem::path(std::u8string(location.begin(), location.end())), warn,
                            error);
}

} // namespace morvanex
