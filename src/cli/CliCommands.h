#pragma once

#include <functional>
#include <string>
#include <vector>

#include "cli/CliSupport.h"
#include "cli/OptionLine.h"

namespace brivanta {
struct ImportSummary;
}

namespace brivanta::cli {

// Runs a command once its command line has been parsed into what it captured; returns the
// exit status. May throw UsageError.
using Runner = std::function<int()>;

// Prints what an import did, the same for every kind; 1 when FILE was full or a limit stopped
// the import.
int reportImport(const ImportSummary& summary, const std::string& file);

struct Command {
    const char* name;
    const char* summary;
    // "用法: brivanta-cli NAME ..." lines, printed after a usage error and atop --help.
    const char* usage;
    // The rest of --help: what the command does and what its options mean.
    std::string (*help)();
    // Declares the command's options and arguments on `line`, bound to what the returned
    // runner reads.
    Runner (*define)(OptionLine& line);
};

// Every command, in the order `--help` lists them.
const std::vector<Command>& commands();

extern const Command kDumpCommand;
extern const Command kBuildCommand;
extern const Command kImportCommand;
extern const Command kExportCommand;
extern const Command kFindCommand;
extern const Command kDuplicatesCommand;
extern const Command kCheckLinksCommand;
extern const Command kUsersCommand;
extern const Command kSendPeerCommand;
extern const Command kListenCommand;
extern const Command kMailSendCommand;
extern const Command kMailReceiveCommand;
extern const Command kUpdateRecommendedCommand;
extern const Command kSyncCommand;

// Browser bookmark files and profiles, reached through import and export.
int runBrowserImport(const std::vector<std::string>& args, bool quiet);
std::string browserImportHelp();
extern const char* const kBrowserImportUsage;
int runNetscapeExport(const std::string& target, const std::string& file,
                      const std::function<void(const std::string&)>& progress);
std::string netscapeExportHelp();

// "-q, --quiet": no progress line (see ProgressLine), with its line of --help.
void addQuietOption(OptionLine& line, bool& quiet);
extern const char* const kQuietHelp;

// Throws UsageError when `value` was not given: "缺少 WHAT".
void require(const std::string& value, std::string_view what);

}  // namespace brivanta::cli
