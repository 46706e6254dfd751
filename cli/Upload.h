#pragma once

#include "cli/Command.h"

namespace quillet::cli {

// A data file into the remote's memory.
class UploadCommand : public Command {
public:
    UploadCommand();

protected:
    int run(const QCommandLineParser &parser, Environment &env) override;
    QString usageTail() const override;
};

}  // namespace quillet::cli
