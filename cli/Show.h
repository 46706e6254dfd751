#pragma once

#include "cli/Command.h"

namespace quillet::cli {

// One device, or the main menu, key by key.
class ShowCommand : public Command {
public:
    ShowCommand();

protected:
    int run(const QCommandLineParser &parser, Environment &env) override;
};

}  // namespace quillet::cli
