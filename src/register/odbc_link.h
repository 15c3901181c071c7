#pragma once

#include <cstdint>
#include <memory>
#include <optional>
#include <string>
#include <string_view>
#include <vector>

namespace morvanex::odbc {

// Why an ODBC call failed: its SQLSTATE (five characters, "08S01") and the first message the driver
// manager or the driver gave, on one line.
struct Failure
{
    std::string state;
    std::string message;

    // The link to the server is gone (class 08) or the server ended the session (class 57: shut
    // down, or the session terminated by an administrator).
    bool linkLost() const;
    // Another transaction won: a key it holds (class 23, integrity) or a serialization failure or
    // deadlock (class 40). Trying the transaction again sees the winner's work.
    bool lostRace() const;
};

// UTF-8 and the UTF-16 of the wide ODBC functions. A byte that starts no well-formed UTF-8 sequence
// becomes U+FFFD, and so does an unpaired surrogate on the way back.
std::u16string utf16FromUtf8(std::string_view text);
std::string utf8FromUtf16(std::u16string_view text);

class Statement;

// One connection to a data source, with its own environment. Made in manual-commit mode: nothing is
// kept until commit. For one thread.
class Link
{
public:
    ~Link();
    Link(const Link&) = delete;
    Link& operator=(const Link&) = delete;

    // Connects without prompting; nothing, with failure set, when it cannot.
    static std::unique_ptr<Link> connect(std::string_view connection, Failure* failure);

    // Each statement its own transaction (for statements a transaction may not hold), or back to
    // manual commit.
    bool setAutocommit(bool on, Failure* failure);
    bool commit(Failure* failure);
    // Ends the transaction; a link already lost has nothing to undo.
    void rollback();
    // Whether the driver already knows the link is gone.
    bool dead() const;
    // Snapshot reads (repeatable read) for the transactions to come, or the driver's default again.
    bool setSnapshotReads(bool snapshot, Failure* failure);

    // One statement without results, run at once.
    bool run(std::u16string_view sql, Failure* failure);

private:
    friend class Statement;
    Link() = default;

    void* m_environment = nullptr;
    void* m_connection = nullptr;
};

// A prepared statement: parameters set by position (from 1), then executed; result columns read by
// position (from 1) after each fetch.
class Statement
{
public:
    explicit Statement(Link& link);
    ~Statement();
    Statement(const Statement&) = delete;
    Statement& operator=(const Statement&) = delete;

    bool prepare(std::u16string_view sql, Failure* failure);
    void setText(int position, std::string_view utf8Text);
    void setInteger(int position, std::int64_t value);
    bool execute(Failure* failure);
    // True with a row to read, false at the end (or on failure, with failure set).
    bool fetch(Failure* failure);
    // A column of the current row; nothing when it is NULL or cannot be read (failure set).
    std::optional<std::string> text(int column, Failure* failure);
    std::optional<std::int64_t> integer(int column, Failure* failure);
    // Closes the cursor of the last execution, so the statement can run again.
    void close();

private:
    friend class Link;
    struct Parameter
    {
        bool isText = false;
        std::u16string text;
        std::int64_t integer = 0;
        std::intptr_t length = 0;
    };

    Link& m_link;
    void* m_statement = nullptr;
    std::vector<Parameter> m_parameters;
};

} // namespace morvanex::odbc
