#pragma once

#include <string>

namespace brivanta {

// The desktop program's command line, read before anything of Qt's starts, so that a
// mistake or --help ends the program without a window (and without a display).
struct DesktopCommandLine {
    enum class Action { Run, Help, Version, Mistake };
    Action action = Action::Run;
    std::string home;     // --home DIR; empty when not given
    std::string mistake;  // what was wrong, for Action::Mistake
};

// Reads the arguments. Qt's own (-platform NAME, -style NAME ...) are let through to
// QApplication.
DesktopCommandLine parseDesktopCommandLine(int argc, char** argv);

// The usage line that follows a mistake.
extern const char* const kDesktopUsage;

}  // namespace brivanta
