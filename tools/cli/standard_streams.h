#pragma once

#include <cstddef>
#include <optional>
#include <span>
#include <string>
#include <string_view>
#include <vector>

namespace morvanex::cli {

// The three standard streams as the command line uses them: bytes read and written as they are on
// every system (no line-end translation, no end-of-file character), in large blocks.

// Sets them up for the whole run: UTF-8 shown as such in a console, and a write to a pipe nobody reads
// any more a failed write rather than the end of the process.
void prepareStandardStreams();

// Up to buffer.size() bytes of standard input, waiting for the first of them (also when a parent left
// it non-blocking); 0 at its end. Nothing, with error set, when it cannot be read.
std::optional<std::size_t> readStandardInput(std::span<char> buffer, std::string& error);

// Whether a read of standard input would return without waiting: bytes, or its end, are there. False
// when that cannot be told.
bool standardInputReady();
// Whether standard stream 0, 1 or 2 is a terminal (a console on Windows).
bool isTerminal(int stream);

// Writes text to standard output. False once standard output has failed; the first failure is said on
// standard error. Zero bytes are written like any other.
bool writeOut(std::string_view text);
// Writes text to standard error, every secret given to hideInMessages shown as "***".
void writeErr(std::string_view text);
// Secrets (passwords given on the command line) that standard error never shows.
void hideInMessages(std::vector<std::string> secrets);
// "morvanex-cli COMMAND: message" and a line end, on standard error.
void say(std::string_view command, std::string_view message);
// Sends what waits in both streams' buffers (standard error first); false when standard output failed,
// now or earlier. Called before waiting for anything and at the end of the run, so no result is held
// back.
bool flushOut();

// A status line on standard error, which should be a terminal: written at once over the one shown
// before, and erased before anything else is written to standard error, or to standard output when
// that is a terminal too (drawn again by the next call).
void showStatus(std::string_view line);
// Erases the status line, if one is shown.
void clearStatus();

// The platform's halves: one whole write to standard output (1) or error (2), false with error set
// when it fails.
bool writeStandardStream(int stream, std::string_view bytes, std::string& error);

} // namespace morvanex::cli
