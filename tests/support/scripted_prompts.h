#pragma once

#include "validation/operator_prompts.h"

#include <functional>
#include <string>
#include <vector>

namespace morvanex::test {

// Answers as scripted and remembers what it was asked.
class ScriptedPrompts : public OperatorPrompts
{
public:
    struct Message
    {
        std::string caption;
        std::string text;
    };
    std::vector<Message> messages;
    std::vector<std::vector<int>> choices; // candidates of every chooser shown
    std::vector<std::string> confirmations;
    std::vector<std::vector<Suggestion>> suggestionLists; // every list of suggestions offered
    int choice = -1;
    bool confirm = true;
    int suggestion = -1; // the answer to every list of suggestions
    std::function<void()> whileShown; // runs while a message is shown, as the operator reads it

    void showError(std::string_view caption, std::string_view message) override
    {
        messages.push_back({std::string(caption), std::string(message)});
        if (whileShown)
            whileShown();
    }
    int chooseFirmware(const FirmwareCatalogue&, std::span<const int> candidates) override
    {
        choices.emplace_back(candidates.begin(), candidates.end());
        return choice;
    }
    bool confirmCnpj(std::string_view cnpj) override
    {
        confirmations.emplace_back(cnpj);
        return confirm;
    }
    int chooseSuggestion(std::span<const Suggestion> offered) override
    {
        suggestionLists.emplace_back(offered.begin(), offered.end());
        return suggestion;
    }
};

} // namespace morvanex::test
