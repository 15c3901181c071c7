#include "arguments.h"

#include <cctype>
#include <cerrno>
#include <cstdio>
#include <cstring>

namespace morvanex::cli {

std::optional<std::string> Arguments::value(const std::string& name) const
{
    const auto it = values.find(name);
    if (it == values.end())
        return std::nullopt;
    return it->second;
}

std::optional<Arguments> parseArguments(const std::vector<std::string>& args, const ArgumentRules& rules,
                                        std::string& error)
{
    Arguments parsed;
    for (std::size_t i = 0; i < args.size(); ++i) {
        const std::string& arg = args[i];
        if (arg == "--") {
            while (++i < args.size())
                parsed.positional.push_back(args[i]);
            break;
        }
        if (arg.size() < 2 || arg[0] != '-') {
            parsed.positional.push_back(arg);
            continue;
        }
        if (arg[1] != '-') {
            error = "unknown option " + arg;
            return std::nullopt;
        }
        const auto eq = arg.find('=');
        const std::string name = arg.substr(2, eq == std::string::npos ? std::string::npos : eq - 2);
        if (rules.flags.count(name) && eq == std::string::npos) {
            parsed.flags.insert(name);
        } else if (rules.valued.count(name)) {
            if (eq != std::string::npos) {
                parsed.values[name] = arg.substr(eq + 1);
            } else if (i + 1 < args.size()) {
                parsed.values[name] = args[++i];
            } else {
                error = "option --" + name + " needs a value";
                return std::nullopt;
            }
        } else {
            error = "unknown option " + arg;
            return std::nullopt;
        }
    }
    return parsed;
}

std::optional<unsigned long long> parseNumber(const std::string& text, unsigned long long max)
{
    int base = 10;
    std::size_t at = 0;
    if (text.size() > 2 && text[0] == '0' && (text[1] == 'x' || text[1] == 'X')) {
        base = 16;
        at = 2;
    }
    if (at >= text.size())
        return std::nullopt;
    unsigned long long value = 0;
    for (; at < text.size(); ++at) {
        const unsigned char c = static_cast<unsigned char>(text[at]);
        int digit;
        if (std::isdigit(c))
            digit = c - '0';
        else if (base == 16 && std::isxdigit(c))
            digit = std::tolower(c) - 'a' + 10;
        else
            return std::nullopt;
        if (static_cast<unsigned long long>(digit) > max ||
            value > (max - static_cast<unsigned>(digit)) / static_cast<unsigned>(base))
            return std::nullopt;
        value = value * static_cast<unsigned>(base) + static_cast<unsigned>(digit);
    }
    return value;
}

} // namespace morvanex::cli

namespace morvanex::cli {

std::filesystem::path workspaceDir(const Arguments& args)
{
    return args.value("dir").value_or(".");
}

namespace {

bool outputFailed = false;

bool outputFailure()
{
    if (!outputFailed)
        std::fprintf(stderr, "morvanex-cli: cannot write standard output: %s\n", std::strerror(errno));
    outputFailed = true;
    return false;
}

} // namespace

bool writeOut(std::string_view text)
{
    if (outputFailed)
        return false;
    if (std::fwrite(text.data(), 1, text.size(), stdout) != text.size())
        return outputFailure();
    return true;
}

bool flushOut()
{
    if (outputFailed)
        return false;
    if (std::fflush(stdout) != 0 || std::ferror(stdout))
        return outputFailure();
    return true;
}

} // namespace morvanex::cli
