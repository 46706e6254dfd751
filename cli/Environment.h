#pragma once

#include "link/LinkInterfaces.h"

#include <QString>
#include <QTextStream>

#include <functional>
#include <memory>

namespace quillet::cli {

inline constexpr char ProgramName[] = "quillet-cli";

// Exit codes a script can rely on (diff(1)'s for diff).
namespace exitcode {
constexpr int Ok = 0;
constexpr int Failed = 1;     // a transfer or a save failed; diff found differences
constexpr int BadInput = 2;   // the command line, a file or a port was not usable
}  // namespace exitcode

// What a subcommand may use of the world around it. main() fills it from the process;
// tests hand in string streams, a folder of their own and a quicker clock.
struct Environment {
    Environment(QTextStream &o, QTextStream &e) : out(o), err(e) {}

    QTextStream &out;
    QTextStream &err;
    bool errIsTerminal = false;
    // Where setup.inf is, and where the pictures key faces are drawn from: the program's
    // folder, or when installed the per-user data folder and the share folder.
    QString documentsDir;
    QString shippedDir;
    // The transfer's time; empty: real time.
    std::function<std::unique_ptr<Clock>()> makeClock;
    // Empty-line timeout of the transfer's waits; 0 keeps the engine's own.
    int transferTimeoutMs = 0;

    // "quillet-cli: <message>" on stderr; returns code.
    int fail(const QString &message, int code = exitcode::BadInput);
};

}  // namespace quillet::cli
