#include "test_server.h"

#include "register/odbc_link.h"

#include <atomic>
#include <cstdlib>
#include <gtest/gtest.h>

namespace morvanex::test {
namespace {

std::string variable(const char* name)
{
    const char* value = std::getenv(name);
    if (!value || !*value) {
        ADD_FAILURE() << name << " is not set: run this through tests/register_odbc/with-postgres";
        return {};
    }
    return value;
}

std::string credentials(TestServer::Role role)
{
    switch (role) {
    case TestServer::Role::Admin:
        return variable("MORVANEX_TEST_ODBC_ADMIN");
    case TestServer::Role::Owner:
        return variable("MORVANEX_TEST_ODBC_OWNER");
    case TestServer::Role::Desk:
        return variable("MORVANEX_TEST_ODBC_DESK");
    }
    return {};
}

std::unique_ptr<odbc::Link> adminLink(std::string_view database, std::string* error)
{
    odbc::Failure failure;
    auto link = odbc::Link::connect(TestServer::connection(database, TestServer::Role::Admin), &failure);
    if (!link || !link->setAutocommit(true, &failure)) {
        *error = failure.state + " " + failure.message;
        return nullptr;
    }
    return link;
}

} // namespace

std::string TestServer::connection(std::string_view database, Role role)
{
    return variable("MORVANEX_TEST_ODBC_SERVER") + ";Database=" + std::string(database) + ";" + credentials(role);
}

std::string TestServer::password(Role role)
{
    const std::string text = credentials(role);
    return text.substr(text.find("PWD=") + 4);
}

std::string TestServer::down()
{
    return variable("MORVANEX_TEST_ODBC_DOWN");
}

std::string TestServer::admin(std::string_view database, std::string_view sql)
{
    std::string error;
    auto link = adminLink(database, &error);
    odbc::Failure failure;
    if (link && !link->run(odbc::utf16FromUtf8(sql), &failure))
        error = failure.state + " " + failure.message;
    return error;
}

long long TestServer::adminNumber(std::string_view database, std::string_view sql)
{
    std::string error;
    auto link = adminLink(database, &error);
    if (!link)
        return -1;
    odbc::Failure failure;
    odbc::Statement query(*link);
    if (!query.prepare(odbc::utf16FromUtf8(sql), &failure) || !query.execute(&failure) || !query.fetch(&failure))
        return -1;
    return query.integer(1, &failure).value_or(-1);
}

std::string TestServer::freshDatabase()
{
    static std::atomic<int> made{0};
    const std::string name = "register_" + std::to_string(made++);
    EXPECT_EQ(admin("postgres", "CREATE DATABASE " + name + " OWNER morvanex_owner"), "");
    EXPECT_EQ(admin(name, "ALTER DEFAULT PRIVILEGES FOR ROLE morvanex_owner IN SCHEMA public "
                          "GRANT SELECT, INSERT ON TABLES TO morvanex_desk"),
              "");
    return name;
}

CheckRecord checkOf(std::string_view checksum, std::string_view serial, std::string_view coo, std::string_view moment,
                    std::string_view cnpj, std::int64_t checkedAt, std::string_view station)
{
    CheckRecord record;
    record.checkedAt = checkedAt;
    record.station = station;
    record.user = "auditor";
    record.code = std::string(coo) + std::string(serial) + std::string(moment) + std::string(checksum);
    record.document = {std::string(checksum), std::string(serial), std::string(coo), std::string(moment)};
    record.cnpj = cnpj;
    record.firmwareFile = "ARGOS210.BIN";
    return record;
}

} // namespace morvanex::test
