#pragma once

#include <fcntl.h>
#include <sys/resource.h>
#include <sys/wait.h>
#include <unistd.h>

#include <string>
#include <vector>

#include "CliRunner.h"
#include "TempDir.h"

namespace brivanta::testing {

// What a run of brivanta-cli as a direct child gave, with the peak resident set the kernel
// counted for it (ru_maxrss from wait4, in KiB).
struct ChildRun {
    int status = -1;  // exit status; -1 when it did not exit
    long peakKiB = 0;
    std::string out;
    std::string err;
};

// Runs brivanta-cli with `args`, standard input from `input` (a path) and its output in
// `dir`'s files "stdout" and "stderr". No shell in between, so the usage is the program's own.
// With `alarmSeconds`, a child still running then is killed (status -1) instead of hanging
// the test.
inline ChildRun runChild(const TempDir& dir, const std::vector<std::string>& args,
                         const std::string& input = "/dev/null", unsigned alarmSeconds = 0) {
    std::vector<std::string> all{BRIVANTA_CLI_PATH};
    all.insert(all.end(), args.begin(), args.end());
    std::vector<char*> argv;
    for (std::string& a : all)
        argv.push_back(a.data());
    argv.push_back(nullptr);
    const std::string out = dir.file("stdout"), err = dir.file("stderr");
    pid_t pid = ::fork();
    if (pid == 0) {
        int in = ::open(input.c_str(), O_RDONLY);
        int o = ::open(out.c_str(), O_WRONLY | O_CREAT | O_TRUNC, 0644);
        int e = ::open(err.c_str(), O_WRONLY | O_CREAT | O_TRUNC, 0644);
        if (in < 0 || o < 0 || e < 0 || ::dup2(in, 0) < 0 || ::dup2(o, 1) < 0 || ::dup2(e, 2) < 0)
            ::_exit(126);
        if (alarmSeconds > 0)
            ::alarm(alarmSeconds);
        ::execv(argv[0], argv.data());
        ::_exit(127);
    }
    ChildRun run;
    int status = 0;
    rusage usage{};
    if (pid > 0 && ::wait4(pid, &status, 0, &usage) == pid) {
        run.status = WIFEXITED(status) ? WEXITSTATUS(status) : -1;
        run.peakKiB = usage.ru_maxrss;
    }
    run.out = slurp(out);
    run.err = slurp(err);
    return run;
}

}  // namespace brivanta::testing
