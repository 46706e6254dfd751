#pragma once

#include "cli/Command.h"

namespace quillet::cli {

// The serial ports present, and which device each port number opens.
class PortsCommand : public Command {
public:
    PortsCommand();

protected:
    int run(const QCommandLineParser &parser, Environment &env) override;
};

}  // namespace quillet::cli
