#pragma once

#include <chrono>
#include <string>

namespace brivanta::cli {

// How far long work has come, as one line on standard error rewritten in place. Shown only
// when standard error is a terminal and the command was not told --quiet: a file or a pipe
// receives nothing of it. Redrawn at most ten times a second; the line is wiped when the
// work ends, and before the command prints a line of its own (clear()).
class ProgressLine {
  public:
    explicit ProgressLine(bool quiet);
    ~ProgressLine() { clear(); }
    ProgressLine(const ProgressLine&) = delete;
    ProgressLine& operator=(const ProgressLine&) = delete;

    bool shown() const { return shown_; }
    // Shows `text` (UTF-8) unless the last drawing is too recent; `now` draws it anyway.
    void update(const std::string& text, bool now = false);
    // Wipes the line so that other output starts on a clean one.
    void clear();

  private:
    bool shown_;
    bool drawn_ = false;
    std::chrono::steady_clock::time_point last_{};
};

}  // namespace brivanta::cli
