// A Prompter for tests: records everything shown and answers from queues.
#pragma once

#include <deque>
#include <functional>
#include <string>
#include <vector>

#include "model/prompter.h"

namespace vornex::testing {

struct ScriptedPrompter : Prompter {
    std::vector<std::string> shown;      // every message and question, in order
    std::deque<bool> yesNoAnswers;       // answers to askYesNo; empty: the default
    std::deque<PasswordAnswer> passwords;  // answers to askPassword; empty: cancelled
    std::vector<std::string> passwordCompares;
    std::deque<int> choices;  // answers to askChoice; empty: cancelled (-1)
    // Called with each message as it is shown (to look at the window behind it).
    std::function<void(std::string_view)> onMessage;

    std::vector<PromptIcon> messageKinds;  // the kind of every message, in order
    void message(std::string_view t, PromptIcon kind = PromptIcon::Warning) override {
        shown.emplace_back(t);
        messageKinds.push_back(kind);
        if (onMessage) onMessage(t);
    }
    bool askYesNo(std::string_view t, bool defaultYes, PromptIcon) override {
        shown.emplace_back(t);
        if (yesNoAnswers.empty()) return defaultYes;
        bool a = yesNoAnswers.front();
        yesNoAnswers.pop_front();
        return a;
    }
    PasswordAnswer askPassword(PasswordDialogMode, std::string_view compare) override {
        passwordCompares.emplace_back(compare);
        if (passwords.empty()) return {};
        PasswordAnswer a = passwords.front();
        passwords.pop_front();
        return a;
    }
    int askChoice(std::string_view t, const std::vector<std::string>&) override {
        shown.emplace_back(t);
        if (choices.empty()) return -1;
        int a = choices.front();
        choices.pop_front();
        return a;
    }
};

}  // namespace vornex::testing
