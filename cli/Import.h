#pragma once

#include "cli/Command.h"

namespace quillet::cli {

// A memory's text back into a data or model file, checked first.
class ImportCommand : public Command {
public:
    ImportCommand();

protected:
    int run(const QCommandLineParser &parser, Environment &env) override;
    QString usageTail() const override;

private:
    // import FRAGMENT --into FILE: the fragment pasted into a copy of FILE.
    int runInto(const QCommandLineParser &parser, Environment &env);
};

}  // namespace quillet::cli
