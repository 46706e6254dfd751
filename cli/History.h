#pragma once

#include "cli/Command.h"

namespace quillet::cli {

// The memories the transfers kept in DATA/History, newest first, each with one line of
// what changed since the entry before it; the same list as the window's History.
class HistoryCommand : public Command {
public:
    HistoryCommand();

protected:
    int run(const QCommandLineParser &parser, Environment &env) override;
};

}  // namespace quillet::cli
