#include "standard_streams.h"

#include "command_help.h"

#include "register/connection_secrets.h"

namespace morvanex::cli {
namespace {

constexpr int outputStream = 1;
constexpr int errorStream = 2;
// A stream's bytes go out once this many wait: a system call per block, not per message.
constexpr std::size_t blockSize = 65536;

struct Buffered
{
    int stream;
    std::string waiting;
};

Buffered output{outputStream, {}};
Buffered errors{errorStream, {}};
bool outputFailed = false;
std::vector<std::string> hidden;
// Characters of the status line on the terminal; 0 when none is shown.
std::size_t statusWidth = 0;
// Whether standard output shows on a terminal too, where it would write over the status line.
bool outputOnTerminal = false;

// Overwrites the status line with blanks and puts the cursor back where it began.
void eraseStatus()
{
    if (statusWidth == 0)
        return;
    std::string erase(statusWidth + 2, ' ');
    erase.front() = '\r';
    erase.back() = '\r';
    statusWidth = 0;
    std::string ignored; // a terminal that cannot be written shows no status either
    writeStandardStream(errorStream, erase, ignored);
}

bool send(Buffered& buffer)
{
    std::string error;
    if (!buffer.waiting.empty() && (buffer.stream == errorStream || outputOnTerminal))
        eraseStatus();
    const bool sent = buffer.waiting.empty() || writeStandardStream(buffer.stream, buffer.waiting, error);
    buffer.waiting.clear();
    if (!sent && buffer.stream == outputStream && !outputFailed) {
        outputFailed = true;
        writeErr(std::string(programName) + ": cannot write standard output: " + error + "\n");
        send(errors);
    }
    return sent;
}

void append(Buffered& buffer, std::string_view text)
{
    buffer.waiting.append(text);
    if (buffer.waiting.size() >= blockSize)
        send(buffer);
}

} // namespace

bool writeOut(std::string_view text)
{
    if (outputFailed)
        return false;
    append(output, text);
    return !outputFailed;
}

void writeErr(std::string_view text)
{
    if (hidden.empty())
        append(errors, text);
    else
        append(errors, withoutSecrets(std::string(text), hidden));
}

void hideInMessages(std::vector<std::string> secrets)
{
    hidden = std::move(secrets);
}

void say(std::string_view command, std::string_view message)
{
    writeErr(std::string(programName) + " " + std::string(command) + ": " + std::string(message) + "\n");
}

void showStatus(std::string_view line)
{
    if (statusWidth == 0)
        outputOnTerminal = isTerminal(outputStream);
    send(errors);
    std::string drawn(1, '\r');
    drawn += line;
    if (line.size() < statusWidth)
        drawn.append(statusWidth - line.size(), ' ');
    statusWidth = line.size();
    std::string ignored;
    writeStandardStream(errorStream, drawn, ignored);
}

void clearStatus()
{
    eraseStatus();
}

bool flushOut()
{
    send(errors);
    if (!outputFailed)
        send(output);
    return !outputFailed;
}

} // namespace morvanex::cli
