#pragma once

#include "cli/CliSupport.h"

namespace brivanta {
struct ImportSummary;
}

namespace brivanta::cli {

// Each command takes the arguments after its name and returns the exit status.
int runDump(Args args);
int runBuild(Args args);
int runFind(Args args);
int runUsers(Args args);
int runSendPeer(Args args);
int runListen(Args args);
int runMailSend(Args args);
int runMailReceive(Args args);
int runUpdateRecommended(Args args);
int runExport(Args args);
int runImport(Args args);
// Browser bookmark files and profiles, reached through import and export.
int runBrowserImport(Args args);
int runNetscapeExport(Args args);
// Prints what an import did, the same for every kind; 1 when FILE was full or a limit stopped
// the import.
int reportImport(const ImportSummary& summary, const std::string& file);
int runDuplicates(Args args);
int runCheckLinks(Args args);

struct Command {
    const char* name;
    const char* summary;
    int (*run)(Args args);
};

// Every command, in the order `--help` lists them.
const std::vector<Command>& commands();

}  // namespace brivanta::cli
