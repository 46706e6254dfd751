#pragma once

#include "cli/TransferRun.h"

namespace quillet::cli {

// The remote's whole memory into a data file.
class DownloadCommand : public TransferCommand {
public:
    DownloadCommand();

protected:
    int run(const QCommandLineParser &parser, Environment &env) override;
    QString usageTail() const override;
};

}  // namespace quillet::cli
