#pragma once

#include <cstddef>
#include <string>
#include <string_view>

namespace morvanex::cli {

// A JSON string literal of UTF-8 text.
std::string jsonString(std::string_view utf8);
// The same, appended to out.
void appendJsonString(std::string& out, std::string_view utf8);

// Builds one JSON object member by member.
class JsonObject
{
public:
    JsonObject& add(std::string_view key, std::string_view utf8Value);
    JsonObject& addNumber(std::string_view key, long long value);
    JsonObject& addBool(std::string_view key, bool value);
    JsonObject& addRaw(std::string_view key, std::string_view json);
    std::string str() const { return "{" + m_body + "}"; }
    // The length of str().
    std::size_t size() const { return m_body.size() + 2; }
    // The object, as str() gives it, appended to out.
    void appendTo(std::string& out) const;

private:
    std::string m_body;
};

} // namespace morvanex::cli
