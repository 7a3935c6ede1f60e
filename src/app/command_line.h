// The command line of `vornex`: its options, and the answers to --help and
// --version, which need no display.
#pragma once

#include <QCommandLineOption>
#include <QCommandLineParser>

namespace vornex::app {

// The parser with every option of the program: help, version, --screenshot PATH,
// --table CODE and the optional file to open.
struct CommandLine {
    CommandLine();
    QCommandLineParser parser;
    QCommandLineOption version;
    QCommandLineOption screenshot;
    QCommandLineOption table;
};

// When the arguments (before a "--") ask for help (-h, --help, --help-all) or the
// version (-v, --version), prints the answer on standard output and returns 0 (1 when
// it cannot be written); otherwise returns -1 and the program goes on. Call it
// before the QApplication is made: the answer needs no display.
int answerHelpOrVersion(int argc, char** argv);

}  // namespace vornex::app
