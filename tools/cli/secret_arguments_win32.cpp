#include "secret_arguments.h"

#ifndef WIN32_LEAN_AND_MEAN
#define WIN32_LEAN_AND_MEAN
#endif
#include <windows.h>

#include <cstring>
#include <cwchar>

namespace morvanex::cli {

namespace {

// The secret as the wide command line spells it: argv came from it through the ANSI code page.
std::wstring wide(const std::string& text)
{
    const int length = ::MultiByteToWideChar(CP_ACP, 0, text.data(), static_cast<int>(text.size()), nullptr, 0);
    std::wstring converted(static_cast<std::size_t>(length > 0 ? length : 0), L'\0');
    if (length > 0)
        ::MultiByteToWideChar(CP_ACP, 0, text.data(), static_cast<int>(text.size()), converted.data(), length);
    return converted;
}

} // namespace

// Other processes read the command line from the process's own parameters, which GetCommandLineW
// hands out; the C runtime's argv and GetCommandLineA are copies of it. Whatever recorded the line
// when the process started (process-creation auditing, tools that watch starts) keeps it.
void hideFromProcessList(int argc, char** argv, const std::vector<std::string>& secrets)
{
    if (secrets.empty())
        return;
    for (int i = 0; i < argc; ++i)
        maskSecrets(std::span(argv[i], std::strlen(argv[i])), secrets);
    if (char* line = ::GetCommandLineA())
        maskSecrets(std::span(line, std::strlen(line)), secrets);
    wchar_t* line = ::GetCommandLineW();
    if (!line)
        return;
    const std::size_t length = std::wcslen(line);
    for (const std::string& secret : secrets) {
        const std::wstring hidden = wide(secret);
        if (hidden.empty())
            continue;
        for (wchar_t* at = std::wcsstr(line, hidden.c_str()); at && at < line + length;
             at = std::wcsstr(at + 1, hidden.c_str()))
            std::wmemset(at, L'*', hidden.size());
    }
}

} // namespace morvanex::cli
