#include "text_escape.h"

#include "text/text_encoding.h"

#include <cstdio>

namespace morvanex::cli {
namespace {

// Whether a byte stands for itself in an escaped UTF-8 field: printable ASCII but the backslash.
bool plain(char c)
{
    const auto byte = static_cast<unsigned char>(c);
    return byte >= 0x20 && byte < 0x7F && c != '\\';
}

void appendEscaped(std::string& out, unsigned char byte)
{
    if (byte == '\\') {
        out += "\\\\";
    } else if (byte == '\t') {
        out += "\\t";
    } else if (byte == '\r') {
        out += "\\r";
    } else if (byte == '\n') {
        out += "\\n";
    } else if (byte < 0x20 || byte == 0x7F) {
        char escaped[5];
        std::snprintf(escaped, sizeof escaped, "\\x%02x", byte);
        out += escaped;
    } else {
        out += static_cast<char>(byte);
    }
}

} // namespace

std::string escapeControls(std::string_view text)
{
    std::string out;
    out.reserve(text.size());
    for (const char c : text)
        appendEscaped(out, static_cast<unsigned char>(c));
    return out;
}

void appendEscapedUtf8(std::string& out, std::string_view cp1252Bytes)
{
    std::size_t at = 0;
    while (at < cp1252Bytes.size()) {
        std::size_t run = at;
        while (run < cp1252Bytes.size() && plain(cp1252Bytes[run]))
            ++run;
        out.append(cp1252Bytes.substr(at, run - at));
        if (run == cp1252Bytes.size())
            break;
        const auto byte = static_cast<unsigned char>(cp1252Bytes[run]);
        // Every byte from 0x80 up becomes two or three bytes from 0x80 up, which need no escape.
        if (byte >= 0x80)
            out += utf8(cp1252Bytes.substr(run, 1));
        else
            appendEscaped(out, byte);
        at = run + 1;
    }
}

} // namespace morvanex::cli
