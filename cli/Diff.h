#pragma once

#include "cli/Command.h"

namespace quillet::cli {

// What changed between two data files, or two model files.
class DiffCommand : public Command {
public:
    DiffCommand();

protected:
    int run(const QCommandLineParser &parser, Environment &env) override;
};

}  // namespace quillet::cli
