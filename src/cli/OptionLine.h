#pragma once

#include <string>
#include <vector>

namespace CLI {
class App;
}

namespace brivanta::cli {

// Where a command declares its options and arguments. The parser is a header-only library
// whose every call, compiled into each command's file, once took more time to build than
// the whole core: the commands reach it only through this, compiled once.
class OptionLine {
  public:
    explicit OptionLine(CLI::App& app) : app_(app) {}

    // An option ("--port", "-q,--quiet") or, without a leading "-", a positional argument.
    void add_option(const std::string& name, std::string& value);
    // A positional argument taking every value left ("FILE..."), or a repeatable option.
    void add_option(const std::string& name, std::vector<std::string>& values);
    void add_flag(const std::string& name, bool& value);

  private:
    CLI::App& app_;
};

}  // namespace brivanta::cli
