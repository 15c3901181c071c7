#pragma once

#include <QString>
#include <string>
#include <string_view>

namespace morvanex::qt {

// Windows-1252 bytes of the core as text for the widgets; every byte keeps its own character.
QString fromCp1252(std::string_view bytes);
// Widget text as Windows-1252 bytes; a character the code page lacks becomes "?".
std::string toCp1252(const QString& text);

} // namespace morvanex::qt
