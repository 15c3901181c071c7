#include "register/connection_secrets.h"

#include <algorithm>

namespace morvanex {
namespace {

constexpr std::string_view kHidden = "***";

// One KEY=value attribute of a connection string, as offsets into it.
struct Attribute
{
    std::string_view key;     // trimmed
    std::size_t valueBegin;   // the value as written, braces included
    std::size_t valueEnd;
};

std::string_view trimmed(std::string_view text)
{
    const auto first = text.find_first_not_of(" \t");
    if (first == std::string_view::npos)
        return {};
    return text.substr(first, text.find_last_not_of(" \t") - first + 1);
}

bool equalIgnoringCase(std::string_view a, std::string_view b)
{
    return std::equal(a.begin(), a.end(), b.begin(), b.end(), [](char x, char y) {
        const auto lower = [](char c) { return c >= 'A' && c <= 'Z' ? static_cast<char>(c - 'A' + 'a') : c; };
        return lower(x) == lower(y);
    });
}

bool isPasswordKey(std::string_view key)
{
    return equalIgnoringCase(key, "PWD") || equalIgnoringCase(key, "Password");
}

// The attributes in order. A value in braces runs to its closing brace ("}}" stands for one "}") and
// may hold ";"; an unclosed brace runs to the end.
std::vector<Attribute> attributes(std::string_view connection)
{
    std::vector<Attribute> found;
    std::size_t at = 0;
    while (at < connection.size()) {
        const auto equals = connection.find_first_of("=;", at);
        if (equals == std::string_view::npos || connection[equals] == ';') {
            at = equals == std::string_view::npos ? connection.size() : equals + 1;
            continue;
        }
        const std::string_view key = trimmed(connection.substr(at, equals - at));
        std::size_t end = equals + 1;
        while (end < connection.size() && (connection[end] == ' ' || connection[end] == '\t'))
            ++end;
        if (end < connection.size() && connection[end] == '{') {
            ++end;
            while (end < connection.size()) {
                if (connection[end] == '}') {
                    if (end + 1 < connection.size() && connection[end + 1] == '}') {
                        end += 2;
                        continue;
                    }
                    ++end;
                    break;
                }
                ++end;
            }
        }
        end = std::min(connection.find(';', end), connection.size());
        found.push_back({key, equals + 1, end});
        at = end + 1;
    }
    return found;
}

// A value as the driver takes it: blanks around it dropped, braces and doubled closing braces undone.
std::string plainValue(std::string_view written)
{
    written = trimmed(written);
    if (written.empty() || written.front() != '{')
        return std::string(written);
    std::string value;
    for (std::size_t i = 1; i < written.size(); ++i) {
        if (written[i] == '}') {
            if (i + 1 < written.size() && written[i + 1] == '}') {
                value += '}';
                ++i;
                continue;
            }
            break;
        }
        value += written[i];
    }
    return value;
}

} // namespace

std::string connectionWithoutSecrets(std::string_view connection)
{
    std::string shown;
    std::size_t copied = 0;
    for (const Attribute& attribute : attributes(connection)) {
        if (!isPasswordKey(attribute.key))
            continue;
        shown.append(connection.substr(copied, attribute.valueBegin - copied));
        shown.append(kHidden);
        copied = attribute.valueEnd;
    }
    shown.append(connection.substr(copied));
    return shown;
}

std::vector<std::string> connectionSecrets(std::string_view connection)
{
    std::vector<std::string> secrets;
    for (const Attribute& attribute : attributes(connection)) {
        if (!isPasswordKey(attribute.key))
            continue;
        const std::string_view written = connection.substr(attribute.valueBegin,
                                                           attribute.valueEnd - attribute.valueBegin);
        // Both forms: a driver may echo the value as written or as it took it.
        for (std::string value : {plainValue(written), std::string(trimmed(written))})
            if (!value.empty() && std::find(secrets.begin(), secrets.end(), value) == secrets.end())
                secrets.push_back(std::move(value));
    }
    // Longer first, so that a secret holding another is hidden whole.
    std::sort(secrets.begin(), secrets.end(),
              [](const std::string& a, const std::string& b) { return a.size() > b.size(); });
    return secrets;
}

std::string withoutSecrets(std::string text, const std::vector<std::string>& secrets)
{
    for (const std::string& secret : secrets) {
        for (auto at = text.find(secret); at != std::string::npos; at = text.find(secret, at + kHidden.size()))
            text.replace(at, secret.size(), kHidden);
    }
    return text;
}

} // namespace morvanex
