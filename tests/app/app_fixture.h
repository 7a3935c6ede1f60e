// Shared pieces of the workbench tests: a scripted application prompter, the
// demo project written to a temporary file, and a main window on it.
#pragma once

#include <QApplication>
#include <QCoreApplication>
#include <QSettings>
#include <QStandardPaths>
#include <QTimer>
#include <QWidget>

#include <deque>
#include <functional>
#include <memory>
#include <string>

#include <gtest/gtest.h>

#include "app/app_prompter.h"
#include "app/main_window.h"
#include "document/demo_project.h"
#include "document/project_file.h"
#include "support/scripted_prompter.h"
#include "support/temp_dir.h"

namespace vornex::testing {

struct ScriptedAppPrompter : ScriptedPrompter, app::AppPrompter {
    std::deque<app::SaveAnswer> saveAnswers;  // empty: Cancel
    std::vector<std::string> saveQuestions;
    std::deque<std::string> fileNames;  // answers to both file choosers; empty: cancelled

    void message(std::string_view t, PromptIcon k = PromptIcon::Warning) override { ScriptedPrompter::message(t, k); }
    bool askYesNo(std::string_view t, bool d, PromptIcon i) override { return ScriptedPrompter::askYesNo(t, d, i); }
    PasswordAnswer askPassword(PasswordDialogMode m, std::string_view c) override {
        return ScriptedPrompter::askPassword(m, c);
    }
    int askChoice(std::string_view t, const std::vector<std::string>& c) override { return ScriptedPrompter::askChoice(t, c); }
    app::SaveAnswer askSaveChanges(std::string_view name) override {
        saveQuestions.push_back(app::saveQuestionText(name));
        if (saveAnswers.empty()) return app::SaveAnswer::Cancel;
        app::SaveAnswer a = saveAnswers.front();
        saveAnswers.pop_front();
        return a;
    }
    std::string openFileName(std::string_view) override { return nextFile(); }
    std::string saveFileName(std::string_view, std::string_view) override { return nextFile(); }
    std::string nextFile() {
        if (fileNames.empty()) return {};
        std::string f = fileNames.front();
        fileNames.pop_front();
        return f;
    }
};

// Settings of the tests go to a folder of their own.
inline void isolateSettings() {
    QStandardPaths::setTestModeEnabled(true);
    QCoreApplication::setOrganizationName(QStringLiteral("VornexTests"));
    QCoreApplication::setApplicationName(QStringLiteral("vornex-app-test"));
}

// Runs queued calls (deferred stores, repaints).
inline void settle() {
    for (int i = 0; i < 3; ++i) QCoreApplication::processEvents();
}

// The demo project as a file.
inline std::filesystem::path writeDemo(const TempDir& dir, const std::string& name = "demo.rod") {
    RoadProject p = makeDemoProject();
    const std::filesystem::path file = dir / name;
    EXPECT_EQ(writeProject(p, file), 1);
    return file;
}

// Presses `buttonText` on the next modal dialog that opens (polling briefly),
// recording the dialog's text; for the few tests that drive a real dialog.
inline void answerNextModal(std::function<void(QWidget*)> act) {
    auto* timer = new QTimer;
    timer->setInterval(20);
    auto tries = std::make_shared<int>(0);
    QObject::connect(timer, &QTimer::timeout, [timer, act, tries] {
        if (QWidget* w = QApplication::activeModalWidget()) {
            timer->stop();
            timer->deleteLater();
            act(w);
        } else if (++*tries > 250) {
            timer->stop();
            timer->deleteLater();
        }
    });
    timer->start();
}

}  // namespace vornex::testing
