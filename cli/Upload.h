#pragma once

#include "cli/TransferRun.h"

namespace quillet::cli {

// A data file into the remote's memory.
class UploadCommand : public TransferCommand {
public:
    UploadCommand();

protected:
    int run(const QCommandLineParser &parser, Environment &env) override;
    QString usageTail() const override;
};

}  // namespace quillet::cli
