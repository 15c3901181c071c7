#include "secret_arguments.h"

#include "register/connection_secrets.h"

#include <algorithm>
#include <string_view>

namespace morvanex::cli {

namespace {

constexpr std::string_view serverPrefix = "odbc:";

} // namespace

std::vector<std::string> argumentSecrets(std::span<const std::string> args)
{
    std::vector<std::string> secrets;
    for (const std::string& arg : args) {
        // The location alone, or as an option's value after "=".
        const std::size_t at = arg.find(serverPrefix);
        if (at == std::string::npos)
            continue;
        for (std::string& secret : connectionSecrets(std::string_view(arg).substr(at + serverPrefix.size())))
            if (std::find(secrets.begin(), secrets.end(), secret) == secrets.end())
                secrets.push_back(std::move(secret));
    }
    // Longer first, so that a secret holding another is hidden whole.
    std::sort(secrets.begin(), secrets.end(),
              [](const std::string& a, const std::string& b) { return a.size() > b.size(); });
    return secrets;
}

void maskSecrets(std::span<char> text, const std::vector<std::string>& secrets)
{
    const std::string_view view(text.data(), text.size());
    for (const std::string& secret : secrets)
        for (std::size_t at = view.find(secret); at != std::string_view::npos; at = view.find(secret, at + 1))
            std::fill_n(text.begin() + static_cast<std::ptrdiff_t>(at), secret.size(), '*');
}

} // namespace morvanex::cli
