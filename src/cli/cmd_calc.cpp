// vornex-cli calc ... and cg20 send: the calculator link from the command line.
// The link is --link, else VORNEX_LINK, else USB; VORNEX_LINK_TIMEOUT_MS shortens
// the reply time-out (simulated calculators in scripts). Progress and messages
// go to standard error; listings and the capacity to standard output.
#include <cstdlib>
#include <filesystem>
#include <iostream>
#include <optional>
#include <string>
#include <vector>

#include "cli/command.h"
#include "io/file_error.h"
#include "link/calculator_link.h"
#include "link/exchanges.h"
#include "link/project_transfer.h"
#include "link/storage.h"
#include "text/text.h"

namespace vornex::cli {

namespace {

// Messages go to standard error. Questions are answered yes with --yes, else
// with their default; the question and the answer are shown.
struct CalcPrompter : Prompter {
    bool yes = false;
    void message(std::string_view utf8Text, PromptIcon = PromptIcon::Warning) override { std::cerr << "vornex-cli: " << utf8Text << "\n"; }
    bool askYesNo(std::string_view utf8Text, bool defaultYes, PromptIcon) override {
        bool answer = yes || defaultYes;
        std::cerr << "vornex-cli: " << utf8Text << " " << (answer ? "yes" : "no") << "\n";
        return answer;
    }
    PasswordAnswer askPassword(PasswordDialogMode, std::string_view) override { return {}; }
};

int replyTimeout() {
    const char* v = std::getenv("VORNEX_LINK_TIMEOUT_MS");
    if (!v || !*v) return link::kDefaultReplyTimeoutMs;
    char* end = nullptr;
    long ms = std::strtol(v, &end, 10);
    return (*end == '\0' && ms > 0 && ms <= 60000) ? static_cast<int>(ms) : link::kDefaultReplyTimeoutMs;
}

// Runs a prepared transfer dialog to its end; progress lines on standard error.
int runTransfer(link::TransferDialogModel& dialog) {
    int last = -1;
    dialog.onNotice = [&](const link::TransferNotice& n) {
        if ((n.code == link::kNoticeProgress || n.code == link::kNoticeFinished) && dialog.progress() != last) {
            last = dialog.progress();
            std::cerr << dialog.percentText() << "\n";
        }
    };
    dialog.start();
    dialog.runWorkerToEnd();
    return dialog.result() == link::TransferDialogModel::Result::Ok ? kExitOk : kExitFailed;
}

const char* const kCalcUsage =
    "calc check|capacity|list|optimize [--link L]\n"
    "  vornex-cli calc send FILE [--folder F] [--name NAME] [--yes] [--link L]\n"
    "  vornex-cli calc get NAME OUT [--folder F] [--yes] [--link L]\n"
    "  vornex-cli calc delete NAME [--folder F] [--link L]";

int runCalc(const std::vector<std::string>& args) {
    ParsedArgs parsed = parseArgs(args, {{"--link", 1}, {"--folder", 1}, {"--name", 1}, {"--yes", 0}});
    if (!parsed.error.empty()) return usageError("calc", parsed.error);
    if (parsed.positional.empty()) return usageError("calc", "expected an operation");
    const std::string op = parsed.positional[0];
    const std::vector<std::string> operands(parsed.positional.begin() + 1, parsed.positional.end());
    static const std::map<std::string, std::size_t> kOperands = {{"check", 0}, {"capacity", 0}, {"list", 0},
                                                                 {"optimize", 0}, {"send", 1}, {"get", 2},
                                                                 {"delete", 1}};
    auto known = kOperands.find(op);
    if (known == kOperands.end()) return usageError("calc", "unknown operation '" + op + "'");
    if (operands.size() != known->second) return usageError("calc", "wrong number of arguments for " + op);
    if ((parsed.has("--name") && op != "send") || (parsed.has("--yes") && op != "send" && op != "get") ||
        (parsed.has("--folder") && known->second == 0))
        return usageError("calc", "option not valid for " + op);

    std::string error;
    std::string linkName = parsed.value("--link").value_or(link::linkNameFromEnvironment());
    link::TransportFactory factory = link::transportFactoryFor(linkName, &error);
    if (!factory) return usageError("calc", error);
    link::CalculatorLink calc(factory, replyTimeout());
    CalcPrompter prompter;
    prompter.yes = parsed.has("--yes");
    const std::string folder = parsed.value("--folder").value_or("");
    const char* const kConnectFailed = "不能与计算器连接。\n请断开再重新连接计算器。";

    auto connect = [&](link::LinkStatus& status) {
        if (calc.ConnectLink(status)) return true;
        prompter.message(kConnectFailed);
        if (!calc.lastError().empty()) std::cerr << "vornex-cli: " << calc.lastError() << "\n";
        return false;
    };

    if (op == "optimize") return link::OptimizeStorageCommand(calc, prompter) ? kExitOk : kExitFailed;
    if (op == "send" || op == "get") {
        link::TransferDialogModel dialog(calc, prompter);
        dialog.folder = folder;
        if (op == "send") {
            dialog.kind = link::TransferKind::Send;
            dialog.source = operands[0];
            dialog.target = parsed.value("--name").value_or(std::filesystem::path(operands[0]).filename().string());
        } else {
            dialog.kind = link::TransferKind::Receive;
            dialog.source = operands[0];
            dialog.target = operands[1];
        }
        return runTransfer(dialog);
    }

    link::LinkStatus status(calc);
    if (!connect(status)) return kExitFailed;
    if (op == "check") {
        std::cout << "ok\n";
        return kExitOk;
    }
    if (op == "capacity") {
        long long free = link::QueryStorageCapacity(calc);
        if (free < 0) {
            std::cerr << "vornex-cli: the calculator did not report its capacity\n";
            return kExitFailed;
        }
        std::cout << free << "\n";
        return kExitOk;
    }
    if (op == "list") {
        std::vector<link::ListingEntry> entries;
        bool cutShort = false;
        if (!link::ListStorageFiles(calc, entries, link::kMaxListingEntries, &cutShort)) {
            prompter.message("不能打开计算器端口。\n请断开再重新连接计算器。");
            return kExitFailed;
        }
        std::cout << "文件夹\t文件名\t文件大小\n";
        for (const auto& e : entries) {
            std::cout << text::gbkToUtf8(e.folder) << "\t" << text::gbkToUtf8(e.name) << "\t"
                      << (e.isFolder ? std::string() : std::to_string(e.size)) << "\n";
        }
        if (cutShort) {
            std::cout.flush();
            std::cerr << "vornex-cli calc list: the listing was cut short after " << entries.size()
                      << " entries; the calculator holds more\n";
            return kExitFailed;
        }
        return kExitOk;
    }
    // delete
    if (!link::DeleteStorageFile(calc, text::utf8ToGbk(folder), text::utf8ToGbk(operands[0]))) {
        prompter.message(text::format("不能删除计算器上的文件<%s>。", operands[0].c_str()));
        return kExitFailed;
    }
    return kExitOk;
}

int runCg20(const std::vector<std::string>& args) {
    ParsedArgs parsed = parseArgs(args, {{"--yes", 0}});
    if (!parsed.error.empty()) return usageError("cg20", parsed.error);
    if (parsed.positional.size() != 2 || parsed.positional[0] != "send")
        return usageError("cg20", "expected: send FILE.rod");
    CalcPrompter prompter;
    prompter.yes = parsed.has("--yes");
    std::error_code ec;
    std::string path = parsed.positional[1];
    if (const io::FileKind kind = io::kindOf(path); kind != io::FileKind::Regular) {
        std::cerr << "vornex-cli: " << io::notRegularMessage(path, kind) << "\n";
        return kExitFailed;
    }
    link::ProjectSource project{std::filesystem::absolute(path, ec).string(), false, {}};
    return link::sendProjectToColorGraph(project, prompter) ? kExitOk : kExitFailed;
}

const CommandRegistrar calcCommand("calc", kCalcUsage, runCalc);
const CommandRegistrar cg20Command("cg20", "cg20 send FILE.rod [--yes]", runCg20);

}  // namespace

}  // namespace vornex::cli
