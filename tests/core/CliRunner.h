#pragma once

#include <sys/wait.h>

#include <cstdlib>
#include <fstream>
#include <sstream>
#include <string>

#include "TempDir.h"

namespace brivanta::testing {

// What a run of brivanta-cli gave: its exit status (-1 when it did not exit) and output.
struct CliRun {
    int status;
    std::string out;
    std::string err;
};

inline std::string slurp(const std::string& path) {
    std::ifstream in(path, std::ios::binary);
    std::stringstream s;
    s << in.rdbuf();
    return s.str();
}

// Runs the shell `command`, which sends standard output and error to the files `out` and
// `err` of `dir`, and collects them.
inline CliRun runShell(const TempDir& dir, const std::string& command, const std::string& out,
                       const std::string& err) {
    int raw = std::system(command.c_str());
    return {WIFEXITED(raw) ? WEXITSTATUS(raw) : -1, slurp(dir.file(out)), slurp(dir.file(err))};
}

}  // namespace brivanta::testing
