#pragma once

#include "cli/Command.h"

namespace quillet::cli {

// The shells' completion scripts, made from the commands' own table of arguments and
// options, and the device names they complete.
class CompletionCommand : public Command {
public:
    CompletionCommand();

protected:
    int run(const QCommandLineParser &parser, Environment &env) override;
    QString usageTail() const override;
};

// The script for "bash", "zsh" or "fish"; empty for any other name.
QString completionScript(const QString &shell);

}  // namespace quillet::cli
