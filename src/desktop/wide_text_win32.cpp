#include "desktop/wide_text.h"

#include "text/text_encoding.h"

#include <windows.h>

namespace morvanex {

std::string utf8FromWide(std::wstring_view text)
{
    if (text.empty())
        return {};
    const int wideLength = static_cast<int>(text.size());
    const int length = ::WideCharToMultiByte(CP_UTF8, 0, text.data(), wideLength, nullptr, 0, nullptr, nullptr);
    std::string out(static_cast<std::size_t>(length), '\0');
    ::WideCharToMultiByte(CP_UTF8, 0, text.data(), wideLength, out.data(), length, nullptr, nullptr);
    return out;
}

std::wstring wideFromUtf8(std::string_view text)
{
    if (text.empty())
        return {};
    const int narrowLength = static_cast<int>(text.size());
    const int length = ::MultiByteToWideChar(CP_UTF8, 0, text.data(), narrowLength, nullptr, 0);
    std::wstring out(static_cast<std::size_t>(length), L'\0');
    ::MultiByteToWideChar(CP_UTF8, 0, text.data(), narrowLength, out.data(), length);
    return out;
}

std::wstring wideFromCp1252(std::string_view bytes)
{
    // Through the core's table, which keeps the five bytes the code page leaves undefined.
    return wideFromUtf8(utf8(bytes));
}

std::string cp1252FromWide(std::wstring_view text)
{
    return cp1252(utf8FromWide(text));
}

} // namespace morvanex
