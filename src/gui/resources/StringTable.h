#pragma once

#include <QString>

namespace brivanta {

// The string table: tool tips and messages keyed by number, read from the resources.
// Empty for an id the table does not hold (and for 0).
QString resourceString(int id);

}  // namespace brivanta
