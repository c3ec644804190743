#pragma once

#include <gtest/gtest.h>
#include <sys/wait.h>
#include <unistd.h>

#include <cstdio>
#include <string>

namespace brivanta::testing {

// Runs `body` in a child process whose working directory is `dir`, for tests of how relative
// paths resolve: the test process itself never changes its working directory, which would
// hide a relative path that only works from there. The child's failures are printed by it;
// this returns whether it ran and failed nothing.
template <class Body>
bool inChildDirectory(const std::string& dir, Body body) {
    std::fflush(stdout);
    std::fflush(stderr);
    pid_t pid = ::fork();
    if (pid == 0) {
        if (::chdir(dir.c_str()) != 0)
            ::_exit(125);
        body();
        std::fflush(stdout);
        ::_exit(::testing::Test::HasFailure() ? 1 : 0);
    }
    int status = 0;
    if (pid < 0 || ::waitpid(pid, &status, 0) != pid)
        return false;
    return WIFEXITED(status) && WEXITSTATUS(status) == 0;
}

}  // namespace brivanta::testing
