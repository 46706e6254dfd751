#pragma once

#include "cli/Command.h"

namespace quillet::cli {

// What the remote does with a memory, asked from a terminal: one key press, a hot macro's
// timeline, the timers' firings. The window's "Try the Remote" answers from the same model.

class PressCommand : public Command {
public:
    PressCommand();

protected:
    int run(const QCommandLineParser &parser, Environment &env) override;
};

class MacroCommand : public Command {
public:
    MacroCommand();

protected:
    int run(const QCommandLineParser &parser, Environment &env) override;
    QString usageTail() const override;
};

class TimersCommand : public Command {
public:
    TimersCommand();

protected:
    int run(const QCommandLineParser &parser, Environment &env) override;
};

}  // namespace quillet::cli
