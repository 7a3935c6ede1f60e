#include "app/command_line.h"

#include <QCoreApplication>
#include <QLibraryInfo>
#include <QLocale>
#include <QStringList>
#include <QTranslator>
#include <cstdio>
#include <cstring>

#include "text/version.h"

namespace vornex::app {

CommandLine::CommandLine()
    : version(QStringList{QStringLiteral("v"), QStringLiteral("version")}, QStringLiteral("显示版本后退出")),
      screenshot(QStringLiteral("screenshot"), QStringLiteral("把主窗口画到 PNG 文件后退出"), QStringLiteral("PATH")),
      table(QStringLiteral("table"), QStringLiteral("截图时显示的表格代码"), QStringLiteral("CODE")) {
    parser.setApplicationDescription(QStringLiteral("沃尼克斯 道路测量工作台"));
    parser.addHelpOption();
    parser.addOption(version);
    parser.addOption(screenshot);
    parser.addOption(table);
    parser.addPositionalArgument(QStringLiteral("file"),
                                 QStringLiteral("要打开的项目文件 (*.rod)、水准数据文件 (*.lev) 或控制测量数据文件 (*.con)"));
}

int answerHelpOrVersion(int argc, char** argv) {
    bool asked = false;
    for (int i = 1; i < argc && std::strcmp(argv[i], "--") != 0; ++i) {
        for (const char* word : {"-h", "--help", "--help-all", "-v", "--version"})
            asked = asked || std::strcmp(argv[i], word) == 0;
    }
    if (!asked) return -1;

    // A core application needs no display; it gives the parser the program's name
    // for the usage line.
    QCoreApplication core(argc, argv);
    QTranslator qtTranslator;  // Qt's own option texts in Chinese, as in the window
    if (qtTranslator.load(QLocale(QLocale::Chinese, QLocale::China), QStringLiteral("qtbase"), QStringLiteral("_"),
                          QLibraryInfo::path(QLibraryInfo::TranslationsPath)))
        QCoreApplication::installTranslator(&qtTranslator);
    CommandLine commandLine;
    // Qt's own options (-platform, -style, ...) are unknown to this parser: they
    // do not stop the answer.
    commandLine.parser.parse(QCoreApplication::arguments());
    const QByteArray answer = commandLine.parser.isSet(commandLine.version)
                                  ? QByteArray("vornex ") + vornex::kProgramVersion + "\n"
                                  : commandLine.parser.helpText().toUtf8();
    const bool written = std::fwrite(answer.constData(), 1, static_cast<std::size_t>(answer.size()), stdout) ==
                             static_cast<std::size_t>(answer.size()) &&
                         std::fflush(stdout) == 0;
    return written ? 0 : 1;
}

}  // namespace vornex::app
