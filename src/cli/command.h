// vornex-cli commands. Each command lives in its own cmd_*.cpp and registers
// itself with a static CommandRegistrar, so commands are added without touching
// main.cpp. Exit status: 0 success, 1 the operation failed (message on standard
// error), 2 bad usage.
#pragma once

#include <functional>
#include <map>
#include <optional>
#include <ostream>
#include <set>
#include <string>
#include <vector>

#include "model/prompter.h"

namespace vornex::cli {

inline constexpr int kExitOk = 0;
inline constexpr int kExitFailed = 1;
inline constexpr int kExitUsage = 2;

// args: the words after the command name.
using CommandFn = std::function<int(const std::vector<std::string>& args)>;

struct Command {
    std::string usage;  // one or more usage lines, without the program name
    CommandFn run;
};

std::map<std::string, Command>& commandRegistry();

struct CommandRegistrar {
    CommandRegistrar(const std::string& name, std::string usage, CommandFn fn) {
        commandRegistry()[name] = Command{std::move(usage), std::move(fn)};
    }
};

// Parsed words: positional arguments and "--name value" options. `flags` lists the
// options that take no value; `valued` those that take one ("--xy" takes two and is
// handled by the command from `multi`). Unknown options make parse() fail.
struct ParsedArgs {
    std::vector<std::string> positional;
    std::map<std::string, std::vector<std::string>> options;  // name -> values
    std::string error;                                        // non-empty: bad usage

    bool has(const std::string& name) const { return options.count(name) != 0; }
    std::optional<std::string> value(const std::string& name) const {
        auto it = options.find(name);
        if (it == options.end() || it->second.empty()) return std::nullopt;
        return it->second.front();
    }
};

// `arity` maps each known option to the number of values it takes (0 for a flag).
ParsedArgs parseArgs(const std::vector<std::string>& args, const std::map<std::string, int>& arity);

// Output encoding chosen with --encoding (utf8 or gbk): converts UTF-8 text for stdout.
std::string encodeOutput(const std::string& utf8, bool gbk);

// Reports bad usage of `command` with its usage line on standard error; returns kExitUsage.
int usageError(const std::string& command, const std::string& error);

// Nobody can answer on the command line: messages go to standard error, every
// question gets its default and the password dialog is left with "只读".
struct StderrNoticePrompter : DefaultAnswerPrompter {
    void message(std::string_view utf8Text, PromptIcon = PromptIcon::Warning) override;
};

}  // namespace vornex::cli
