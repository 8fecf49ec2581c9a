// The command line as a whole, below main(): the global options, the help of the program and of
// each command, the version, and the choice of the command named, with a suggestion for a name
// that is nearly right. Every registered command gets all of it without doing anything.
#pragma once

#include <iosfwd>

#include <QStringList>

#include "cli/command.h"

namespace vexaris::cli {

// Runs the arguments after the program's name; returns the exit status. Failures are one line
// on standard error.
int runCommandLine(QStringList args);

void printHelp(std::ostream &out);
void printCommandHelp(std::ostream &out, const Command &command);

} // namespace vexaris::cli
