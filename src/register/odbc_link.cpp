#include "register/odbc_link.h"

#include "register/odbc_headers.h"

#include <algorithm>

namespace morvanex::odbc {
namespace {

static_assert(sizeof(SQLWCHAR) == sizeof(char16_t), "the wide ODBC functions take UTF-16");
static_assert(sizeof(SQLLEN) == sizeof(std::intptr_t));

// Seconds a connection attempt may take: a server that does not answer must not hold a verdict long.
constexpr SQLULEN kLoginTimeoutSeconds = 10;
// Characters read from a text column per call.
constexpr std::size_t kTextChunk = 256;

SQLWCHAR* wide(std::u16string& text)
{
    return reinterpret_cast<SQLWCHAR*>(text.data());
}

bool succeeded(SQLRETURN result)
{
    return result == SQL_SUCCESS || result == SQL_SUCCESS_WITH_INFO;
}

// The first diagnostic record of a handle, its message on one line.
Failure diagnose(SQLSMALLINT type, SQLHANDLE handle, std::string_view fallback)
{
    Failure failure{"HY000", std::string(fallback)};
    if (!handle)
        return failure;
    SQLWCHAR state[6] = {};
    SQLINTEGER native = 0;
    std::u16string message(1024, u'\0');
    SQLSMALLINT length = 0;
    const SQLRETURN result = SQLGetDiagRecW(type, handle, 1, state, &native, wide(message),
                                            static_cast<SQLSMALLINT>(message.size()), &length);
    if (!succeeded(result))
        return failure;
    message.resize(std::min<std::size_t>(static_cast<std::size_t>(std::max<SQLSMALLINT>(length, 0)),
                                         message.size() - 1));
    failure.state = utf8FromUtf16(std::u16string_view(reinterpret_cast<const char16_t*>(state), 5));
    std::string text = utf8FromUtf16(message);
    // One line: line ends and runs of blanks become one blank.
    std::string flat;
    for (const char c : text) {
        const bool blank = c == '\n' || c == '\r' || c == '\t' || c == ' ';
        if (blank && (flat.empty() || flat.back() == ' '))
            continue;
        flat += blank ? ' ' : c;
    }
    while (!flat.empty() && (flat.back() == ' ' || flat.back() == ';'))
        flat.pop_back();
    if (!flat.empty())
        failure.message = std::move(flat);
    return failure;
}

bool check(SQLRETURN result, SQLSMALLINT type, SQLHANDLE handle, Failure* failure, std::string_view what)
{
    if (succeeded(result))
        return true;
    if (failure)
        *failure = diagnose(type, handle, what);
    return false;
}

void appendUtf8(std::string& out, char32_t c)
{
    if (c < 0x80) {
        out += static_cast<char>(c);
    } else if (c < 0x800) {
        out += static_cast<char>(0xC0 | (c >> 6));
        out += static_cast<char>(0x80 | (c & 0x3F));
    } else if (c < 0x10000) {
        out += static_cast<char>(0xE0 | (c >> 12));
        out += static_cast<char>(0x80 | ((c >> 6) & 0x3F));
        out += static_cast<char>(0x80 | (c & 0x3F));
    } else {
        out += static_cast<char>(0xF0 | (c >> 18));
        out += static_cast<char>(0x80 | ((c >> 12) & 0x3F));
        out += static_cast<char>(0x80 | ((c >> 6) & 0x3F));
        out += static_cast<char>(0x80 | (c & 0x3F));
    }
}

} // namespace

bool Failure::linkLost() const
{
    return state.starts_with("08") || state.starts_with("57");
}

bool Failure::lostRace() const
{
    return state.starts_with("23") || state.starts_with("40");
}

std::u16string utf16FromUtf8(std::string_view text)
{
    std::u16string out;
    out.reserve(text.size());
    std::size_t i = 0;
    while (i < text.size()) {
        const auto lead = static_cast<unsigned char>(text[i]);
        std::size_t length = lead < 0x80 ? 1 : (lead >> 5) == 0x6 ? 2 : (lead >> 4) == 0xE ? 3 : (lead >> 3) == 0x1E ? 4 : 0;
        char32_t c = length == 1 ? lead : length == 2 ? lead & 0x1F : length == 3 ? lead & 0x0F : lead & 0x07;
        bool good = length != 0 && i + length <= text.size();
        for (std::size_t k = 1; good && k < length; ++k) {
            const auto next = static_cast<unsigned char>(text[i + k]);
            good = (next & 0xC0) == 0x80;
            c = (c << 6) | (next & 0x3F);
        }
        // Overlong forms, surrogates and values past Unicode are not well formed.
        constexpr char32_t least[] = {0, 0, 0x80, 0x800, 0x10000};
        good = good && c >= least[length] && c <= 0x10FFFF && (c < 0xD800 || c > 0xDFFF);
        if (!good) {
            out += u'\uFFFD';
            ++i;
            continue;
        }
        if (c >= 0x10000) {
            c -= 0x10000;
            out += static_cast<char16_t>(0xD800 + (c >> 10));
            out += static_cast<char16_t>(0xDC00 + (c & 0x3FF));
        } else {
            out += static_cast<char16_t>(c);
        }
        i += length;
    }
    return out;
}

std::string utf8FromUtf16(std::u16string_view text)
{
    std::string out;
    out.reserve(text.size());
    for (std::size_t i = 0; i < text.size(); ++i) {
        char32_t c = text[i];
        if (c >= 0xD800 && c <= 0xDBFF && i + 1 < text.size() && text[i + 1] >= 0xDC00 && text[i + 1] <= 0xDFFF) {
            c = 0x10000 + ((c - 0xD800) << 10) + (text[i + 1] - 0xDC00);
            ++i;
        } else if (c >= 0xD800 && c <= 0xDFFF) {
            c = 0xFFFD;
        }
        appendUtf8(out, c);
    }
    return out;
}

std::unique_ptr<Link> Link::connect(std::string_view connection, Failure* failure)
{
    std::unique_ptr<Link> link(new Link);
    SQLHENV environment = SQL_NULL_HENV;
    if (!succeeded(SQLAllocHandle(SQL_HANDLE_ENV, SQL_NULL_HANDLE, &environment))) {
        *failure = {"HY000", "no ODBC driver manager could be used"};
        return nullptr;
    }
    link->m_environment = environment;
    if (!check(SQLSetEnvAttr(environment, SQL_ATTR_ODBC_VERSION, reinterpret_cast<SQLPOINTER>(SQL_OV_ODBC3), 0),
               SQL_HANDLE_ENV, environment, failure, "the ODBC driver manager refused version 3"))
        return nullptr;
    SQLHDBC handle = SQL_NULL_HDBC;
    if (!check(SQLAllocHandle(SQL_HANDLE_DBC, environment, &handle), SQL_HANDLE_ENV, environment, failure,
               "no ODBC connection could be made"))
        return nullptr;
    link->m_connection = handle;
    SQLSetConnectAttrW(handle, SQL_ATTR_LOGIN_TIMEOUT, reinterpret_cast<SQLPOINTER>(kLoginTimeoutSeconds), 0);
    std::u16string text = utf16FromUtf8(connection);
    if (!check(SQLDriverConnectW(handle, nullptr, wide(text), static_cast<SQLSMALLINT>(text.size()), nullptr, 0,
                                 nullptr, SQL_DRIVER_NOPROMPT),
               SQL_HANDLE_DBC, handle, failure, "the connection failed"))
        return nullptr;
    if (!link->setAutocommit(false, failure))
        return nullptr;
    return link;
}

Link::~Link()
{
    if (m_connection) {
        SQLEndTran(SQL_HANDLE_DBC, m_connection, SQL_ROLLBACK);
        SQLDisconnect(m_connection);
        SQLFreeHandle(SQL_HANDLE_DBC, m_connection);
    }
    if (m_environment)
        SQLFreeHandle(SQL_HANDLE_ENV, m_environment);
}

bool Link::setAutocommit(bool on, Failure* failure)
{
    const SQLULEN mode = on ? SQL_AUTOCOMMIT_ON : SQL_AUTOCOMMIT_OFF;
    return check(SQLSetConnectAttrW(m_connection, SQL_ATTR_AUTOCOMMIT, reinterpret_cast<SQLPOINTER>(mode), 0),
                 SQL_HANDLE_DBC, m_connection, failure, "the driver cannot set autocommit");
}

bool Link::commit(Failure* failure)
{
    return check(SQLEndTran(SQL_HANDLE_DBC, m_connection, SQL_COMMIT), SQL_HANDLE_DBC, m_connection, failure,
                 "the commit failed");
}

void Link::rollback()
{
    SQLEndTran(SQL_HANDLE_DBC, m_connection, SQL_ROLLBACK);
}

bool Link::dead() const
{
    SQLUINTEGER dead = SQL_CD_FALSE;
    return succeeded(SQLGetConnectAttrW(m_connection, SQL_ATTR_CONNECTION_DEAD, &dead, 0, nullptr)) &&
           dead == SQL_CD_TRUE;
}

bool Link::setSnapshotReads(bool snapshot, Failure* failure)
{
    SQLUINTEGER level = SQL_TXN_READ_COMMITTED;
    if (snapshot)
        level = SQL_TXN_REPEATABLE_READ;
    return check(SQLSetConnectAttrW(m_connection, SQL_ATTR_TXN_ISOLATION,
                                    reinterpret_cast<SQLPOINTER>(static_cast<SQLULEN>(level)), 0),
                 SQL_HANDLE_DBC, m_connection, failure, "the driver cannot set the isolation level");
}

bool Link::run(std::u16string_view sql, Failure* failure)
{
    Statement statement(*this);
    if (!statement.m_statement) {
        *failure = diagnose(SQL_HANDLE_DBC, m_connection, "no statement could be made");
        return false;
    }
    std::u16string text(sql);
    const SQLRETURN result = SQLExecDirectW(statement.m_statement, wide(text), static_cast<SQLINTEGER>(text.size()));
    return result == SQL_NO_DATA || check(result, SQL_HANDLE_STMT, statement.m_statement, failure, "the statement failed");
}

Statement::Statement(Link& link) : m_link(link)
{
    SQLHSTMT handle = SQL_NULL_HSTMT;
    if (succeeded(SQLAllocHandle(SQL_HANDLE_STMT, link.m_connection, &handle)))
        m_statement = handle;
}

Statement::~Statement()
{
    if (m_statement)
        SQLFreeHandle(SQL_HANDLE_STMT, m_statement);
}

bool Statement::prepare(std::u16string_view sql, Failure* failure)
{
    if (!m_statement) {
        *failure = diagnose(SQL_HANDLE_DBC, m_link.m_connection, "no statement could be made");
        return false;
    }
    std::u16string text(sql);
    return check(SQLPrepareW(m_statement, wide(text), static_cast<SQLINTEGER>(text.size())), SQL_HANDLE_STMT,
                 m_statement, failure, "the statement could not be prepared");
}

void Statement::setText(int position, std::string_view utf8Text)
{
    if (m_parameters.size() < static_cast<std::size_t>(position))
        m_parameters.resize(static_cast<std::size_t>(position));
    Parameter& parameter = m_parameters[static_cast<std::size_t>(position - 1)];
    parameter.isText = true;
    parameter.text = utf16FromUtf8(utf8Text);
}

void Statement::setInteger(int position, std::int64_t value)
{
    if (m_parameters.size() < static_cast<std::size_t>(position))
        m_parameters.resize(static_cast<std::size_t>(position));
    Parameter& parameter = m_parameters[static_cast<std::size_t>(position - 1)];
    parameter.isText = false;
    parameter.integer = value;
}

bool Statement::execute(Failure* failure)
{
    SQLFreeStmt(m_statement, SQL_CLOSE);
    // Bound afresh each time: the buffers may have moved since the last execution.
    for (std::size_t i = 0; i < m_parameters.size(); ++i) {
        Parameter& parameter = m_parameters[i];
        const auto number = static_cast<SQLUSMALLINT>(i + 1);
        SQLRETURN result;
        if (parameter.isText) {
            parameter.length = static_cast<SQLLEN>(parameter.text.size() * sizeof(char16_t));
            result = SQLBindParameter(m_statement, number, SQL_PARAM_INPUT, SQL_C_WCHAR, SQL_WVARCHAR,
                                      std::max<SQLULEN>(parameter.text.size(), 1), 0, wide(parameter.text),
                                      parameter.length, reinterpret_cast<SQLLEN*>(&parameter.length));
        } else {
            parameter.length = 0;
            result = SQLBindParameter(m_statement, number, SQL_PARAM_INPUT, SQL_C_SBIGINT, SQL_BIGINT, 0, 0,
                                      &parameter.integer, 0, reinterpret_cast<SQLLEN*>(&parameter.length));
        }
        if (!check(result, SQL_HANDLE_STMT, m_statement, failure, "a parameter could not be bound"))
            return false;
    }
    const SQLRETURN result = SQLExecute(m_statement);
    return result == SQL_NO_DATA || check(result, SQL_HANDLE_STMT, m_statement, failure, "the statement failed");
}

bool Statement::fetch(Failure* failure)
{
    const SQLRETURN result = SQLFetch(m_statement);
    if (result == SQL_NO_DATA)
        return false;
    return check(result, SQL_HANDLE_STMT, m_statement, failure, "the rows could not be read");
}

std::optional<std::string> Statement::text(int column, Failure* failure)
{
    std::u16string value;
    char16_t chunk[kTextChunk + 1];
    for (;;) {
        SQLLEN length = 0;
        const SQLRETURN result = SQLGetData(m_statement, static_cast<SQLUSMALLINT>(column), SQL_C_WCHAR, chunk,
                                            sizeof chunk, &length);
        if (result == SQL_NO_DATA)
            break;
        if (!check(result, SQL_HANDLE_STMT, m_statement, failure, "a column could not be read"))
            return std::nullopt;
        if (length == SQL_NULL_DATA) {
            *failure = {"22002", "a column holds no value"};
            return std::nullopt;
        }
        // Truncated: the buffer is full but for its terminator, and more follows.
        const bool more = result == SQL_SUCCESS_WITH_INFO &&
                          (length == SQL_NO_TOTAL || static_cast<std::size_t>(length) >= sizeof chunk);
        const std::size_t units = more ? kTextChunk : static_cast<std::size_t>(length) / sizeof(char16_t);
        value.append(chunk, units);
        if (!more)
            break;
    }
    return utf8FromUtf16(value);
}

std::optional<std::int64_t> Statement::integer(int column, Failure* failure)
{
    std::int64_t value = 0;
    SQLLEN length = 0;
    if (!check(SQLGetData(m_statement, static_cast<SQLUSMALLINT>(column), SQL_C_SBIGINT, &value, sizeof value, &length),
               SQL_HANDLE_STMT, m_statement, failure, "a column could not be read"))
        return std::nullopt;
    if (length == SQL_NULL_DATA) {
        *failure = {"22002", "a column holds no value"};
        return std::nullopt;
    }
    return value;
}

void Statement::close()
{
    SQLFreeStmt(m_statement, SQL_CLOSE);
}

} // namespace morvanex::odbc
