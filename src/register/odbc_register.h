#pragma once

#include "register/check_register.h"

#include <memory>
#include <string>

namespace morvanex {

// The version of the tables this build makes and reads. A register of a higher version was made by
// a newer Morvanex and is refused; a later release that changes the tables raises it.
inline constexpr int kOdbcRegisterVersion = 1;

// The register of a team on a database server, reached through ODBC with connection (a DSN=...
// or a whole connection string). Its tables are made when absent, only by a role that owns the
// schema; a desk's role needs SELECT and INSERT on them and nothing more. Nothing, with error set,
// when the connection string is empty, the tables are missing and cannot be made, or they were made
// by a newer version. A server that cannot be reached now still gives the register: each check
// tries to connect again. No message names a password of connection.
std::unique_ptr<CheckRegister> openOdbcRegister(const std::string& connection, const RegisterWarning& warn,
                                                std::string* error);

} // namespace morvanex
