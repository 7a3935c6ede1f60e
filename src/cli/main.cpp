#include <cstdio>
#include <iostream>

#include "cli/command.h"
#include "text/text.h"
#include "text/version.h"

namespace vornex::cli {

std::map<std::string, Command>& commandRegistry() {
    static std::map<std::string, Command> registry;
    return registry;
}

ParsedArgs parseArgs(const std::vector<std::string>& args, const std::map<std::string, int>& arity) {
    ParsedArgs parsed;
    for (std::size_t i = 0; i < args.size(); ++i) {
        const std::string& a = args[i];
        if (a.size() > 2 && a.compare(0, 2, "--") == 0) {
            auto it = arity.find(a);
            if (it == arity.end()) {
                parsed.error = "unknown option " + a;
                return parsed;
            }
            auto& values = parsed.options[a];
            for (int k = 0; k < it->second; ++k) {
                if (i + 1 >= args.size()) {
                    parsed.error = "option " + a + " needs a value";
                    return parsed;
                }
                values.push_back(args[++i]);
            }
        } else {
            parsed.positional.push_back(a);
        }
    }
    return parsed;
}

std::string encodeOutput(const std::string& utf8, bool gbk) {
    return gbk ? text::utf8ToGbk(utf8) : utf8;
}

int usageError(const std::string& command, const std::string& error) {
    std::cerr << "vornex-cli " << command << ": " << error << "\n"
              << "usage: vornex-cli " << commandRegistry()[command].usage << "\n";
    return kExitUsage;
}

void StderrNoticePrompter::message(std::string_view utf8Text, PromptIcon) { std::cerr << "vornex-cli: " << utf8Text << "\n"; }

namespace {
void printUsage(std::ostream& out) {
    out << "usage:\n";
    for (const auto& [name, cmd] : commandRegistry()) {
        out << "  vornex-cli " << cmd.usage << "\n";
    }
    out << "  vornex-cli --version\n";
}
}  // namespace

}  // namespace vornex::cli

int main(int argc, char** argv) {
    using namespace vornex::cli;
    std::ios::sync_with_stdio(true);
    if (argc < 2) {
        printUsage(std::cerr);
        return kExitUsage;
    }
    std::string name = argv[1];
    if (name == "--help" || name == "-h" || name == "help") {
        printUsage(std::cout);
        return kExitOk;
    }
    if (name == "--version") {
        std::cout << "vornex-cli " << vornex::kProgramVersion << "\n";
        return std::cout.flush() ? kExitOk : kExitFailed;
    }
    auto it = commandRegistry().find(name);
    if (it == commandRegistry().end()) {
        std::cerr << "vornex-cli: unknown command '" << name << "'\n";
        printUsage(std::cerr);
        return kExitUsage;
    }
    std::vector<std::string> args(argv + 2, argv + argc);
    return it->second.run(args);
}
