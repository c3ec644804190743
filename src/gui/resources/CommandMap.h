#pragma once

#include <optional>

#include "core/app/CommandState.h"

namespace brivanta {

// The resource id of every command, and back; ids of no command give nothing.
int commandId(Command command);
std::optional<Command> commandOf(int id);

}  // namespace brivanta
