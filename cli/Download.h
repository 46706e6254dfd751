#pragma once

#include "cli/Command.h"

namespace quillet::cli {

// The remote's whole memory into a data file.
class DownloadCommand : public Command {
public:
    DownloadCommand();

protected:
    int run(const QCommandLineParser &parser, Environment &env) override;
    QString usageTail() const override;
};

}  // namespace quillet::cli
