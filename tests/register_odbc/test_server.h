#pragma once

#include "register/check_register.h"

#include <string>
#include <string_view>

namespace morvanex::test {

// The private PostgreSQL server that with-postgres started for this run, as its variables describe it.
class TestServer
{
public:
    enum class Role { Admin, Owner, Desk };

    // A database of its own for a test, owned by the owner's role; what the owner makes in it the desks'
    // role may insert into and read, as the README's set-up has it. Its name.
    static std::string freshDatabase();
    // A whole connection string to database as role.
    static std::string connection(std::string_view database, Role role);
    // The password of role, to look for in what the register says.
    static std::string password(Role role);
    // A server where none listens.
    static std::string down();
    // Runs sql in database as the superuser, each statement committed at once; empty, or the failure.
    static std::string admin(std::string_view database, std::string_view sql);
    // The first column of the first row of a query run as the superuser, as a number; -1 on failure.
    static long long adminNumber(std::string_view database, std::string_view sql);
};

// A record of a check of document (checksum, serial, coo, moment) with cnpj, the other fields
// made up from them.
CheckRecord checkOf(std::string_view checksum, std::string_view serial, std::string_view coo, std::string_view moment,
                    std::string_view cnpj, std::int64_t checkedAt, std::string_view station);

} // namespace morvanex::test
