#include "json_writer.h"

#include <cstdio>

namespace morvanex::cli {

std::string jsonString(std::string_view utf8)
{
    std::string out;
    appendJsonString(out, utf8);
    return out;
}

void appendJsonString(std::string& out, std::string_view utf8)
{
    out += '"';
    for (const char c : utf8) {
        switch (c) {
        case '"':
            out += "\\\"";
            break;
        case '\\':
            out += "\\\\";
            break;
        case '\n':
            out += "\\n";
            break;
        case '\r':
            out += "\\r";
            break;
        case '\t':
            out += "\\t";
            break;
        default:
            if (static_cast<unsigned char>(c) < 0x20) {
                char escaped[8];
                std::snprintf(escaped, sizeof escaped, "\\u%04x", static_cast<unsigned char>(c));
                out += escaped;
            } else {
                out += c;
            }
        }
    }
    out += '"';
}

JsonObject& JsonObject::addRaw(std::string_view key, std::string_view json)
{
    if (!m_body.empty())
        m_body += ",";
    appendJsonString(m_body, key);
    m_body += ':';
    m_body += json;
    return *this;
}

JsonObject& JsonObject::add(std::string_view key, std::string_view utf8Value)
{
    if (!m_body.empty())
        m_body += ",";
    appendJsonString(m_body, key);
    m_body += ':';
    appendJsonString(m_body, utf8Value);
    return *this;
}

void JsonObject::appendTo(std::string& out) const
{
    out += '{';
    out += m_body;
    out += '}';
}

JsonObject& JsonObject::addNumber(std::string_view key, long long value)
{
    return addRaw(key, std::to_string(value));
}

JsonObject& JsonObject::addBool(std::string_view key, bool value)
{
    return addRaw(key, value ? "true" : "false");
}

} // namespace morvanex::cli
