#pragma once

#include "cli/Command.h"

namespace quillet::cli {

// Pages drawn as the editors draw them, into a PNG, SVG or PDF file.
class RenderCommand : public Command {
public:
    RenderCommand();

protected:
    int run(const QCommandLineParser &parser, Environment &env) override;
    QString usageTail() const override;
};

}  // namespace quillet::cli
