#include "standard_streams.h"

#ifndef WIN32_LEAN_AND_MEAN
#define WIN32_LEAN_AND_MEAN
#endif
#include <windows.h>

#include <algorithm>

namespace morvanex::cli {
namespace {

// The system's text for an error code, without its line end.
std::string systemMessage(DWORD code)
{
    char* text = nullptr;
    const DWORD length = ::FormatMessageA(
        FORMAT_MESSAGE_ALLOCATE_BUFFER | FORMAT_MESSAGE_FROM_SYSTEM | FORMAT_MESSAGE_IGNORE_INSERTS, nullptr, code,
        0, reinterpret_cast<char*>(&text), 0, nullptr);
    std::string message = length ? std::string(text, length) : "error " + std::to_string(code);
    ::LocalFree(text);
    while (!message.empty() && (message.back() == '\n' || message.back() == '\r' || message.back() == ' '))
        message.pop_back();
    return message;
}

} // namespace

// The C runtime is passed by: its streams read 0x1A as the end of the input, write CR before LF and
// go to the system a byte or a message at a time. ReadFile and WriteFile take the bytes as they are.
void prepareStandardStreams()
{
    ::SetConsoleOutputCP(CP_UTF8);
}

std::optional<std::size_t> readStandardInput(std::span<char> buffer, std::string& error)
{
    DWORD got = 0;
    if (::ReadFile(::GetStdHandle(STD_INPUT_HANDLE), buffer.data(), static_cast<DWORD>(buffer.size()), &got,
                   nullptr))
        return got;
    const DWORD code = ::GetLastError();
    // The writing end of a pipe was closed: the end of the input.
    if (code == ERROR_BROKEN_PIPE)
        return 0;
    error = systemMessage(code);
    return std::nullopt;
}

bool standardInputReady()
{
    const HANDLE input = ::GetStdHandle(STD_INPUT_HANDLE);
    switch (::GetFileType(input)) {
    case FILE_TYPE_DISK:
        return true;
    case FILE_TYPE_PIPE: {
        DWORD waiting = 0;
        if (::PeekNamedPipe(input, nullptr, 0, nullptr, &waiting, nullptr))
            return waiting > 0;
        // A pipe whose writer is gone reads its end at once.
        return ::GetLastError() == ERROR_BROKEN_PIPE;
    }
    default: // a console, or what cannot be told
        return false;
    }
}

bool isTerminal(int stream)
{
    const DWORD handles[] = {STD_INPUT_HANDLE, STD_OUTPUT_HANDLE, STD_ERROR_HANDLE};
    DWORD mode = 0;
    return stream >= 0 && stream < 3 && ::GetConsoleMode(::GetStdHandle(handles[stream]), &mode) != 0;
}

bool writeStandardStream(int stream, std::string_view bytes, std::string& error)
{
    const HANDLE handle = ::GetStdHandle(stream == 1 ? STD_OUTPUT_HANDLE : STD_ERROR_HANDLE);
    while (!bytes.empty()) {
        DWORD written = 0;
        const auto size = static_cast<DWORD>(std::min<std::size_t>(bytes.size(), 1u << 30));
        if (!::WriteFile(handle, bytes.data(), size, &written, nullptr)) {
            error = systemMessage(::GetLastError());
            return false;
        }
        if (written == 0) {
            error = "nothing written";
            return false;
        }
        bytes.remove_prefix(written);
    }
    return true;
}

} // namespace morvanex::cli
