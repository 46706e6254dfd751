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

// The findings as notes on standard error after what a command did ("<command>: note: error:
// timer 1 (WAKE UP): ..."); they change no exit code.
void noteFindings(Environment &env, const QString &command, const std::vector<Finding> &findings);

// A finding's place as typed JSON fields (numbers from 1, as the other commands count).
QJsonObject placeJson(const CheckPlace &place);

}  // namespace quillet::cli
