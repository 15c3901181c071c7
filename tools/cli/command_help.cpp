#include "command_help.h"

#include <algorithm>

namespace morvanex::cli {
namespace {

constexpr std::string_view helpOption = "help";
constexpr std::size_t optionColumn = 22;
constexpr std::size_t commandColumn = 14;
constexpr std::size_t statusColumn = 5;

std::string optionWithValue(const Option& option)
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

std::string synopsis(const Command& command)
{
    std::string text(command.name);
    for (const Option& option : command.options)
        text += option.required ? " " + optionWithValue(option) : " [" + optionWithValue(option) + "]";
    if (!command.operands.empty())
        text += " " + std::string(command.operands);
    return text;
}

std::string helpText(const Command& command)
{
    std::string text = "usage: " + std::string(programName) + " " + synopsis(command) + "\n\n" +
                       std::string(command.description) + "\n\noptions:\n";
    for (const Option& option : command.options)
        text += "  " + padded(optionWithValue(option), optionColumn) + std::string(option.text) + "\n";
    text += "  " + padded("--" + std::string(helpOption), optionColumn) + "show this help and exit\n";
    text += "\nexit status:\n";
    for (const ExitStatusHelp& exit : command.exitStatuses)
        text += "  " + padded(std::to_string(exit.status), statusColumn) + std::string(exit.meaning) + "\n";
    return text;
}

std::string toolHelp()
{
    const std::string program(programName);
    std::string text = "usage: " + program + " COMMAND [options]\n       " + program +
                       " --help | --version\n\nChecks the FooterCodes of fiscal documents against the approved "
                       "firmware images.\n\ncommands:\n";
    for (const Command& c : commandTable())
        text += "  " + padded(std::string(c.name), commandColumn) + std::string(c.summary) + "\n";
    return text + "\nRun '" + program + " COMMAND --help' for a command's options and exit statuses.\n";
}

std::string usageText()
{
    const std::string program(programName);
    std::string text = "usage: " + program + " COMMAND [options]\n";
    for (const Command& c : commandTable())
        text += "  " + program + " " + synopsis(c) + "\n";
    return text + "  " + program + " --help | --version\n";
}

bool asksForHelp(const std::vector<std::string>& args, const Command& command)
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
        const auto option = std::find_if(command.options.begin(), command.options.end(),
                                         [&](const Option& o) { return o.name == name; });
        if (option != command.options.end() && !option->value.empty())
            ++i; // its value, whatever it looks like
    }
    return false;
}

} // namespace morvanex::cli
