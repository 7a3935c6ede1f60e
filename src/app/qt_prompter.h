// The prompter of the workbench: QMessageBox for messages and questions,
// CPassword for passwords, a list dialog for choices, QFileDialog for files; every dialog is parented to
// the active window (or the main window), so it stays on top of it.
#pragma once

#include <QPointer>
#include <QWidget>

#include "app/app_prompter.h"

namespace vornex::app {

class QtPrompter : public AppPrompter {
public:
    explicit QtPrompter(QWidget* fallbackParent = nullptr) : fallback_(fallbackParent) {}
    void setFallbackParent(QWidget* w) { fallback_ = w; }

    void message(std::string_view utf8Text, PromptIcon kind = PromptIcon::Warning) override;
    bool askYesNo(std::string_view utf8Text, bool defaultYes, PromptIcon icon) override;
    PasswordAnswer askPassword(PasswordDialogMode mode, std::string_view compareText) override;
    // A list of the choices with 确定 and 取消; a double click picks at once.
    int askChoice(std::string_view utf8Text, const std::vector<std::string>& choices) override;
    // The text over a read-only list of the lines, with 确定.
    void showList(std::string_view utf8Text, const std::vector<std::string>& lines) override;
    SaveAnswer askSaveChanges(std::string_view utf8Name) override;
    std::string openFileName(std::string_view filter) override;
    std::string saveFileName(std::string_view suggested, std::string_view filter) override;

    // Title of every message box.
    static QString title();

private:
    QWidget* parent() const;
    QPointer<QWidget> fallback_;
};

}  // namespace vornex::app
