#pragma once

#include "cli/Command.h"
#include "cli/Environment.h"
#include "cli/Platform.h"
#include "link/Transfer.h"

#include <QCommandLineOption>
#include <QCommandLineParser>
#include <QList>
#include <QString>

namespace quillet {
struct Globals;
}

namespace quillet::cli {

// Which port a transfer opens: a port number (its device from the user's binding, else the
// standard one), or a serial device named outright.
struct PortChoice {
    int number = 1;
    QString device;   // set: used instead of the number
};

// download and upload: the options that choose the port, shared.
class TransferCommand : public Command {
protected:
    using Command::Command;
    // --port N and --port-device PATH (formerly --device, still read).
    void addPortOptions();
    // A user who still types --device learns its new name, on stderr.
    void noteOldPortOption(Environment &env, bool quiet) const;
};
// From the options; without them, the number in setup.inf as the window reads it (port 1
// when the file is missing or holds no number, as the window starts). False with a message
// for a bad value.
bool choosePort(const QCommandLineParser &parser, const Environment &env, PortChoice &choice, QString *error);

struct TransferResult {
    TransferEngine::Outcome outcome = TransferEngine::Outcome::None;
    QString reason;
    int pages = 0;   // pages accepted
    platform::Stop stopped = platform::Stop::None;   // a stop signal ended it
};

// A whole download into g.Image or upload of it, with the window's engine, bytes and rules;
// progress on stderr unless quiet; Ctrl+C, SIGTERM and SIGHUP as Escape.
TransferResult runDownload(Globals &g, const PortChoice &port, bool quiet, Environment &env);
TransferResult runUpload(Globals &g, const PortChoice &port, bool quiet, Environment &env);

// The exit code of a transfer that failed: 1, or 128 + the signal that stopped it.
int failureExitCode(const TransferResult &result);

}  // namespace quillet::cli
