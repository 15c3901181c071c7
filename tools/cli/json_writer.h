#pragma once

#include <string>
#include <string_view>

namespace morvanex::cli {

// A JSON string literal of UTF-8 text.
std::string jsonString(std::string_view utf8);

// Builds one JSON object member by member.
class JsonObject
{
public:
    JsonObject& add(std::string_view key, std::string_view utf8Value);
    JsonObject& addNumber(std::string_view key, long long value);
    JsonObject& addBool(std::string_view key, bool value);
    JsonObject& addRaw(std::string_view key, std::string_view json);
    std::string str() const { return "{" + m_body + "}"; }

private:
    std::string m_body;
};

} // namespace morvanex::cli
