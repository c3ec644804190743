#pragma once

#include <string>

#include "core/app/Profile.h"

namespace brivanta {

// The profile the desktop program reads and writes: the INI file opened at start (see
// StorageRoots::profileFile). Until one is opened, and in tests, settings live in memory
// only, so nothing reaches a real profile by accident.
class DesktopProfile {
  public:
    // Opens the profile file `path` for the rest of the run ("": one in memory).
    static void open(const std::string& path);
    static Profile& current();
    // For tests: another profile; null goes back to the opened one (or the one in memory).
    static void setCurrent(Profile* profile);
};

}  // namespace brivanta
