#include "command_help.h"

#include <algorithm>

namespace morvanex::cli {
namespace {

constexpr std::string_view helpOption = "help";
constexpr std::size_t optionColumn = 22;

std::string optionWithValue(const OptionHelp& option)
{
    std::string text = "--" + std::string(option.name);
    if (!option.value.empty())
        text += " " + std::string(option.value);
    return text;
}

std::string padded(std::string text, std::size_t width)
{
    text.resize(std::max(width, text.size() + 1), ' ');
    return text;
}

} // namespace

std::string synopsis(const CommandHelp& help)
{
    std::string text(help.name);
    for (const OptionHelp& option : help.options)
        text += option.required ? " " + optionWithValue(option) : " [" + optionWithValue(option) + "]";
    if (!help.operands.empty())
        text += " " + std::string(help.operands);
    return text;
}

std::string helpText(const CommandHelp& help)
{
    std::string text =
        "usage: morvanex-cli " + synopsis(help) + "\n\n" + std::string(help.description) + "\n\noptions:\n";
    for (const OptionHelp& option : help.options)
        text += "  " + padded(optionWithValue(option), optionColumn) + std::string(option.text) + "\n";
    text += "  " + padded("--" + std::string(helpOption), optionColumn) + "show this help and exit\n";
    text += "\nexit status:\n";
    for (const ExitStatusHelp& exit : help.exitStatuses)
        text += "  " + padded(std::to_string(exit.status), 5) + std::string(exit.meaning) + "\n";
    return text;
}

bool asksForHelp(const std::vector<std::string>& args, const CommandHelp& help)
{
    for (std::size_t i = 0; i < args.size(); ++i) {
        const std::string_view arg = args[i];
        if (arg == "--")
            return false;
        if (arg.size() < 3 || !arg.starts_with("--"))
            continue;
        const std::string_view name = arg.substr(2);
        if (name == helpOption)
            return true;
        const auto option = std::find_if(help.options.begin(), help.options.end(),
                                         [&](const OptionHelp& o) { return o.name == name; });
        if (option != help.options.end() && !option->value.empty())
            ++i; // its value, whatever it looks like
    }
    return false;
}

} // namespace morvanex::cli
