#include "cli/OptionLine.h"

#include <CLI/CLI.hpp>

namespace brivanta::cli {

void OptionLine::add_option(const std::string& name, std::string& value) {
    app_.add_option(name, value);
}

void OptionLine::add_option(const std::string& name, std::vector<std::string>& values) {
    app_.add_option(name, values);
}

void OptionLine::add_flag(const std::string& name, bool& value) {
    app_.add_flag(name, value);
}

}  // namespace brivanta::cli
