// The one door from the computation layers to the user. Nothing below the
// application talks to the user directly: messages, yes/no questions and the
// password dialog go through a Prompter, implemented by the Qt application and
// by scripted test doubles.
#pragma once

#include <string>
#include <string_view>
#include <vector>

namespace vornex {

enum class PromptIcon { Information, Question, Warning, Error };

enum class PasswordDialogMode {
    Set,  // choose a new password (typed twice)
    Ask,  // the password of a protected project
};

struct PasswordAnswer {
    bool accepted = false;  // false: the dialog was cancelled
    std::string text;       // what was typed (UTF-8)
};

struct Prompter {
    // Shows a message with the icon of its kind: Information for a success
    // ("传输文件成功."), Warning (the default) or Error for what went wrong.
    virtual void message(std::string_view utf8Text, PromptIcon kind = PromptIcon::Warning) = 0;
    virtual bool askYesNo(std::string_view utf8Text, bool defaultYes, PromptIcon icon) = 0;
    virtual PasswordAnswer askPassword(PasswordDialogMode mode, std::string_view compareText) = 0;
    // Asks the user to pick one of `choices` (UTF-8, for example the alignments
    // of an exchange file); returns the index picked, or -1 when the question
    // was cancelled. Where no one can answer, nothing is picked.
    virtual int askChoice(std::string_view /*utf8Text*/, const std::vector<std::string>& /*choices*/) { return -1; }
    // Shows many lines at once (the notes of one import): one dialog with a
    // scrollable list. Where there is no such dialog, one message holds them.
    virtual void showList(std::string_view utf8Text, const std::vector<std::string>& lines) {
        std::string all(utf8Text);
        for (const std::string& l : lines) all += "\n" + l;
        message(all);
    }
    virtual ~Prompter() = default;
};

// Answers every question with its default and shows nothing: for batch use
// (command line) where no one can answer.
struct DefaultAnswerPrompter : Prompter {
    void message(std::string_view, PromptIcon = PromptIcon::Warning) override {}
    bool askYesNo(std::string_view, bool defaultYes, PromptIcon) override { return defaultYes; }
    PasswordAnswer askPassword(PasswordDialogMode, std::string_view) override { return {}; }
};

}  // namespace vornex
