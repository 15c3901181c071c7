#include "register/check_register.h"

#include "register/odbc_register.h"

namespace morvanex {

std::unique_ptr<CheckRegister> openCheckRegister(const std::string& location, const RegisterWarning& warn,
                                                 std::string* error)
{
    if (location.starts_with("odbc:"))
        return openOdbcRegister(location.substr(5), warn, error);
    // The file store joins here.
    *error = "no file register in this build: '" + location + "'";
    return nullptr;
}

} // namespace morvanex
