#include "cli/ProgressLine.h"

#include <unistd.h>

#include <cstdio>

namespace brivanta::cli {

ProgressLine::ProgressLine(bool quiet) : shown_(!quiet && ::isatty(STDERR_FILENO) == 1) {}

void ProgressLine::update(const std::string& text, bool now) {
    if (!shown_)
        return;
    const auto at = std::chrono::steady_clock::now();
    if (drawn_ && !now && at - last_ < std::chrono::milliseconds(100))
        return;
    last_ = at;
    drawn_ = true;
    // Carriage return, the text, and the rest of the old line erased.
    std::fprintf(stderr, "\r%s\033[K", text.c_str());
    std::fflush(stderr);
}

void ProgressLine::clear() {
    if (!drawn_)
        return;
    drawn_ = false;
    std::fputs("\r\033[K", stderr);
    std::fflush(stderr);
}

}  // namespace brivanta::cli
