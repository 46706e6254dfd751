#pragma once

#include "cli/Command.h"
#include "core/MemoryCheck.h"

namespace quillet::cli {

// What in a memory the remote cannot do as the user meant: one finding a line.
class CheckCommand : public Command {
public:
    CheckCommand();

protected:
    int run(const QCommandLineParser &parser, Environment &env) override;
    QString usageTail() const override;
};

// A finding's place as typed JSON fields (numbers from 1, as the other commands count).
QJsonObject placeJson(const CheckPlace &place);

}  // namespace quillet::cli
