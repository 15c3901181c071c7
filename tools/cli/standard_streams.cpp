#include "standard_streams.h"

#include "command_help.h"

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

bool send(Buffered& buffer)
{
    std::string error;
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
    append(errors, text);
}

void say(std::string_view command, std::string_view message)
{
    writeErr(std::string(programName) + " " + std::string(command) + ": " + std::string(message) + "\n");
}

bool flushOut()
{
    send(errors);
    if (!outputFailed)
        send(output);
    return !outputFailed;
}

} // namespace morvanex::cli
