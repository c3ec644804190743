#pragma once

#include <string>

namespace brivanta {

// The installation root: `--home DIR` when given, else $BRIVANTA_HOME, else the directory of
// the running executable. Never ends with "/" (except for "/" itself).
std::string programDirectory(const std::string& homeOption = {});

// The directory of the running executable.
std::string executableDirectory();

}  // namespace brivanta
