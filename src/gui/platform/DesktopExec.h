#pragma once

#include <QString>
#include <QStringList>

namespace brivanta {

// The command line of a desktop entry's Exec key, as a program and its arguments. Nothing
// here goes through a shell: the address always ends up as one argument of its own.

// Splits an Exec value into its words, undoing its quoting ("..." with \" \` \$ \\ inside).
// Empty when the value is empty or its quotes are not closed.
QStringList splitExecLine(const QString& exec);

// Puts `address` in place of the field code for a file or URL (%f %F %u %U) and drops the
// others (%i %c %k, and the deprecated ones); "%%" is a "%". A command without such a field
// code gets the address appended. The first word is the program. Empty when `exec` cannot
// be split.
QStringList commandForAddress(const QString& exec, const QString& address);

}  // namespace brivanta
