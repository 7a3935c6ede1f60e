// main() of the Qt test programs: one QApplication on the offscreen platform (set
// before the application exists, so a display is never needed), then GoogleTest.
//
// Each test process keeps its settings in a folder of its own, removed at exit: ctest
// runs several test processes at once, and a shared settings file lets one test's
// recent files or refraction key land in another's.
#include <QApplication>
#include <QSettings>
#include <QString>
#include <clocale>
#include <cstdlib>
#include <filesystem>
#include <string>
#include <system_error>

#include <gtest/gtest.h>

namespace {

std::string makeSettingsFolder() {
    std::string pattern = (std::filesystem::temp_directory_path() / "vornex-qt-settings-XXXXXX").string();
    if (!mkdtemp(pattern.data())) return {};
    return pattern;
}

}  // namespace

int main(int argc, char** argv) {
    if (!std::getenv("QT_QPA_PLATFORM")) setenv("QT_QPA_PLATFORM", "offscreen", 1);
    const std::string settingsFolder = makeSettingsFolder();
    if (!settingsFolder.empty()) {
        // Children (the real binary in end-to-end tests) inherit the folder too.
        setenv("XDG_CONFIG_HOME", settingsFolder.c_str(), 1);
        const QString path = QString::fromStdString(settingsFolder);
        QSettings::setPath(QSettings::NativeFormat, QSettings::UserScope, path);
        QSettings::setPath(QSettings::IniFormat, QSettings::UserScope, path);
    }
    int status = 0;
    {
        QApplication app(argc, argv);
        std::setlocale(LC_NUMERIC, "C");  // as the program does: numbers with a decimal point
        ::testing::InitGoogleTest(&argc, argv);
        status = RUN_ALL_TESTS();
    }
    if (!settingsFolder.empty()) {
        std::error_code ec;
        std::filesystem::remove_all(settingsFolder, ec);
    }
    return status;
}
