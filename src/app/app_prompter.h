// The application's prompter: the core's messages, questions and password
// dialog, plus what only the workbench asks (the save question on close and the
// file choosers). QtPrompter shows real dialogs; tests script it.
#pragma once

#include <string>
#include <string_view>

#include "model/prompter.h"

namespace vornex::app {

enum class SaveAnswer { Save, Discard, Cancel };

struct AppPrompter : Prompter {
    // "是否保存对“<name>”的更改？" with 保存 / 不保存 / 取消.
    virtual SaveAnswer askSaveChanges(std::string_view utf8Name) = 0;
    // File choosers; an empty result means cancelled.
    virtual std::string openFileName(std::string_view filter) = 0;
    virtual std::string saveFileName(std::string_view suggested, std::string_view filter) = 0;
};

// The save question's text for a document name.
std::string saveQuestionText(std::string_view utf8Name);

}  // namespace vornex::app
