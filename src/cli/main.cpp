#include <CLI/CLI.hpp>
#include <clocale>
#include <cstdio>

#include "cli/CliCommands.h"
#include "cli/TerminalText.h"
#include "core/app/Version.h"

namespace brivanta::cli {

const std::vector<Command>& commands() {
    static const std::vector<Command> table = {
        kDumpCommand,
        kBuildCommand,
        kImportCommand,
        kExportCommand,
        kFindCommand,
        kDuplicatesCommand,
        kCheckLinksCommand,
        kUsersCommand,
        kSendPeerCommand,
        kListenCommand,
        kMailSendCommand,
        kMailReceiveCommand,
        kUpdateRecommendedCommand,
        kSyncCommand,
    };
    return table;
}

void require(const std::string& value, std::string_view what) {
    if (value.empty())
        throw UsageError("缺少 " + std::string(what));
}

void addQuietOption(OptionLine& line, bool& quiet) {
    line.add_flag("-q,--quiet", quiet);
}

const char* const kQuietHelp =
    "在终端上，标准错误显示进度（一行，原地更新）；重定向时不显示，-q 或 --quiet 也不显示。\n";

namespace {

const char* const kTopUsage = "用法: brivanta-cli [--version] [--help] COMMAND [ARGS...]";

void printTopHelp() {
    std::printf(
        "%s\n"
        "Brivanta 书签管理器的命令行工具。每个命令都接受 -h 或 --help。\n"
        "选项可写在参数之间；-- 之后的参数都不当作选项；FILE 写作 - 时（在说明这样写的命令里）\n"
        "指标准输入或标准输出。\n\n命令:\n",
        kTopUsage);
    for (const Command& c : commands())
        std::printf("  %-18s %s\n", c.name, c.summary);
    std::printf("\n%s", exitStatusHelp("失败，或 find、duplicates 没有找到").c_str());
}

// The command the parse reached, or nullptr before one was named.
const Command* parsedCommand(const CLI::App& app) {
    for (const Command& c : commands()) {
        if (app.get_subcommand(c.name)->parsed())
            return &c;
    }
    return nullptr;
}

// A usage error: the message, then how the command is used. Returns kExitUsage.
int usageError(const std::string& message, const Command* command) {
    fail(message);
    if (command) {
        std::fprintf(stderr, "%s\n用 brivanta-cli %s --help 查看说明。\n", command->usage,
                     command->name);
    } else {
        std::fprintf(stderr, "%s\n用 brivanta-cli --help 查看命令列表。\n", kTopUsage);
    }
    return kExitUsage;
}

// Names the argument CLI11 could not place: an unknown option, an unknown command, or one
// argument too many.
int unexpectedArgument(const CLI::App& app, const Command* command) {
    std::vector<std::string> left =
        command ? app.get_subcommand(command->name)->remaining(false) : app.remaining(false);
    if (left.empty())
        left = app.remaining(false);
    const std::string arg = left.empty() ? std::string() : left.front();
    if (arg.size() > 1 && arg[0] == '-')
        return usageError("未知选项 " + arg, command);
    if (!command)
        return usageError("未知命令 " + arg, nullptr);
    return usageError("多余的参数 " + arg, command);
}

int run(int argc, char** argv) {
    CLI::App app("brivanta-cli", "brivanta-cli");
    app.set_help_flag("-h,--help");
    app.require_subcommand(0, 1);
    // A repeated option counts as given last, as in most programs.
    app.option_defaults()->multi_option_policy(CLI::MultiOptionPolicy::TakeLast);
    bool version = false;
    app.add_flag("--version", version);
    std::vector<Runner> runners;
    for (const Command& c : commands()) {
        CLI::App* sub = app.add_subcommand(c.name, c.summary);
        sub->set_help_flag("-h,--help");
        OptionLine line(*sub);
        runners.push_back(c.define(line));
    }

    try {
        app.parse(argc, argv);
    } catch (const CLI::CallForHelp&) {
        if (const Command* c = parsedCommand(app)) {
            std::printf("%s\n%s", c->usage, c->help().c_str());
        } else {
            printTopHelp();
        }
        return kExitOk;
    } catch (const CLI::ExtrasError&) {
        return unexpectedArgument(app, parsedCommand(app));
    } catch (const CLI::ArgumentMismatch& e) {
        // CLI11 says "--port: 1 required TEXT missing"; the option is what a person needs.
        std::string what = e.what();
        return usageError("选项 " + what.substr(0, what.find(':')) + " 需要一个值",
                          parsedCommand(app));
    } catch (const CLI::ParseError& e) {
        return usageError(std::string("命令行有误：") + e.what(), parsedCommand(app));
    }
    if (version) {
        std::printf("brivanta-cli %s\n", kVersion);
        return kExitOk;
    }
    const Command* command = parsedCommand(app);
    if (!command)
        return usageError("缺少命令", nullptr);
    try {
        return runners[static_cast<size_t>(command - commands().data())]();
    } catch (const UsageError& e) {
        return usageError(e.what(), command);
    }
}

}  // namespace
}  // namespace brivanta::cli

int main(int argc, char** argv) {
    using namespace brivanta::cli;
    // System messages (strerror) follow the locale; so does the encoding of what is printed
    // and of the text arguments.
    std::setlocale(LC_ALL, "");
    // Numbers on the command line and in files are read and written the same everywhere.
    std::setlocale(LC_NUMERIC, "C");
    restoreBrokenPipeSignal();
    useLocaleEncoding();
    return finishOutput(run(argc, argv));
}
