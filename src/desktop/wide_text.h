#pragma once

#include <string>
#include <string_view>

namespace morvanex {

// UTF-16 texts of the Windows functions; Windows only (wide_text_win32.cpp).

// The system's texts are Windows-1252 bytes; the windows show UTF-16, so that they read the same
// whatever the system's code page.
std::wstring wideFromCp1252(std::string_view bytes);
// A window's text as Windows-1252 bytes; a character the code page lacks becomes "?".
std::string cp1252FromWide(std::wstring_view text);

// File names: UTF-16 on Windows, UTF-8 in the core's paths.
std::string utf8FromWide(std::wstring_view text);
std::wstring wideFromUtf8(std::string_view text);

} // namespace morvanex
