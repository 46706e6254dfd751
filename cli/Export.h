#pragma once

#include "cli/Command.h"

namespace quillet::cli {

// A data or model file as text, for reading, editing and version control.
class ExportCommand : public Command {
public:
    ExportCommand();

protected:
    int run(const QCommandLineParser &parser, Environment &env) override;
    QString usageTail() const override;
};

}  // namespace quillet::cli
