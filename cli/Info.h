#pragma once

#include "cli/Command.h"

namespace quillet::cli {

// What a data or model file holds, at a glance.
class InfoCommand : public Command {
public:
    InfoCommand();

protected:
    int run(const QCommandLineParser &parser, Environment &env) override;
};

}  // namespace quillet::cli
