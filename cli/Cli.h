#pragma once

#include "cli/Environment.h"

#include <QStringList>

#include <memory>
#include <vector>

namespace quillet::cli {

class Command;

// Every subcommand, in the order the help lists them.
std::vector<std::unique_ptr<Command>> allCommands();

// Runs one command line: arguments as main() gets them, the program's name first.
// Picks the subcommand by name and hands it the rest. Returns the exit code.
int runCli(const QStringList &arguments, Environment &env);

// True when the command line asks for drawing, which needs a GUI application object
// (on the offscreen platform); everything else runs on a core application.
bool needsGui(const QStringList &arguments);

}  // namespace quillet::cli
