// vornex: the desktop workbench. One optional argument names a project, or a
// leveling (*.lev) or control-survey (*.con) file, to open;
// --screenshot PATH renders the main window offscreen into PATH and exits.
#include <clocale>

#include <QApplication>
#include <QDir>
#include <QFileInfo>
#include <QFont>
#include <QFontDatabase>
#include <QLibraryInfo>
#include <QScreen>
#include <QTimer>
#include <QTranslator>

#include "app/command_line.h"
#include "app/dialogs/casio_com_dialog.h"
#include "app/main_window.h"
#include "app/survey_views.h"
#include "app/table_view.h"
#include "app/work_view.h"
#include "link/calculator_link.h"
#include "tables/table_codes.h"

int main(int argc, char** argv) {
    // --help and --version need no display: answered before the QApplication is made.
    if (const int status = vornex::app::answerHelpOrVersion(argc, argv); status >= 0) return status;
    // The desktop entry (and the metadata) the window belongs to.
    QGuiApplication::setDesktopFileName(QStringLiteral("org.vornex.Vornex"));
    QApplication app(argc, argv);
    // Qt takes the desktop's locale for the C library too; under a locale with a
    // decimal comma the core's strtod and printf would then read "500.25" as 500
    // and write "500,2500" into tables, files and calculator packets. Numbers are
    // always read and written with a decimal point.
    std::setlocale(LC_NUMERIC, "C");
    QCoreApplication::setOrganizationName(QStringLiteral("应用程序向导生成的本地应用程序"));
    QCoreApplication::setApplicationName(QStringLiteral("VornexPc"));

    // Qt's own dialogs and buttons in Chinese.
    QTranslator qtTranslator;
    if (qtTranslator.load(QLocale(QLocale::Chinese, QLocale::China), QStringLiteral("qtbase"), QStringLiteral("_"),
                          QLibraryInfo::path(QLibraryInfo::TranslationsPath)))
        QApplication::installTranslator(&qtTranslator);
    // A CJK font for the interface.
    for (const QString& family : {QStringLiteral("Noto Sans CJK SC"), QStringLiteral("Noto Sans CJK")}) {
        if (QFontDatabase::hasFamily(family)) {
            QFont f(family);
            f.setPointSize(10);
            QApplication::setFont(f);
            break;
        }
    }

    vornex::app::CommandLine commandLine;
    QCommandLineParser& parser = commandLine.parser;
    const QCommandLineOption& screenshot = commandLine.screenshot;
    const QCommandLineOption& table = commandLine.table;
    parser.process(app);

    vornex::app::MainWindow window;
    const QStringList files = parser.positionalArguments();
    if (!files.isEmpty()) window.openFile(files.first());

    if (parser.isSet(screenshot)) {
        // Rendered without a display: a fixed size stands for the maximised window.
        window.resize(1366, 768);
        window.show();
        if (window.currentModule() != 0) {
            // A survey file: its table (the first section or station for the
            // observation tables), by default the point table.
            vornex::app::SurveyModuleView* pane = window.currentModule() == 1
                                                      ? static_cast<vornex::app::SurveyModuleView*>(window.levelView())
                                                      : window.planeView();
            const int code = parser.isSet(table) ? parser.value(table).toInt()
                                                 : (window.currentModule() == 1 ? vornex::survey_table::kLevelingPoints
                                                                                 : vornex::survey_table::kCoordinates);
            const bool perSection = code == vornex::survey_table::kReadings || code == vornex::survey_table::kObservations;
            pane->selectItem(code, perSection ? 0 : -1);
        } else if (parser.isSet(table)) {
            window.workView()->selectCode(parser.value(table).toInt());
        } else {
            window.workView()->selectCode(vornex::table_code::kIntersectionPoints);
        }
        QApplication::processEvents();
        const QString path = parser.value(screenshot);
        QDir().mkpath(QFileInfo(path).absolutePath());
        const bool ok = window.grab().save(path);
        return ok ? 0 : 1;
    }
    window.showMaximized();
    const int status = app.exec();
    // A transfer cancelled or stalled as the program quits: its worker lets go of
    // the calculator within its reply time-outs, before the window and prompter
    // it may still report to are destroyed.
    vornex::app::CCasioComDialog::waitForPendingCancels(2 * vornex::link::processLink().replyTimeoutMs() + 500);
    vornex::link::waitForTransfersAtExit(vornex::link::processLink());
    return status;
}
