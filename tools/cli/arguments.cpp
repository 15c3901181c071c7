#include "arguments.h"

#include "command_table.h"

#include <cctype>

namespace morvanex::cli {

std::optional<std::string> Arguments::value(const std::string& name) const
{
    const auto it = values.find(name);
    if (it == values.end())
        return std::nullopt;
    return it->second;
}

std::optional<Arguments> parseArguments(const std::vector<std::string>& args, const Command& command,
                                        std::string& error)
{
    const auto optionNamed = [&command](std::string_view name) -> const Option* {
        for (const Option& option : command.options)
            if (option.name == name)
                return &option;
        return nullptr;
    };
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
        const auto eq = arg.find('=');
        const std::string name = arg.substr(2, eq == std::string::npos ? std::string::npos : eq - 2);
        const Option* option = arg[1] == '-' ? optionNamed(name) : nullptr;
        if (!option || (option->value.empty() && eq != std::string::npos)) {
            error = "unknown option " + arg;
            return std::nullopt;
        }
        if (option->value.empty()) {
            parsed.flags.insert(name);
        } else if (eq != std::string::npos) {
            parsed.values[name] = arg.substr(eq + 1);
        } else if (i + 1 < args.size()) {
            parsed.values[name] = args[++i];
        } else {
            error = "option --" + name + " needs a value";
            return std::nullopt;
        }
    }
    if (command.operands.empty() && !parsed.positional.empty()) {
        error = "unexpected argument '" + parsed.positional.front() + "'";
        return std::nullopt;
    }
    for (const Option& option : command.options)
        if (option.required && !parsed.has(std::string(option.name))) {
            error = "missing --" + std::string(option.name);
            return std::nullopt;
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

std::filesystem::path workspaceDir(const Arguments& args)
{
    return args.value("dir").value_or(".");
}

} // namespace morvanex::cli
