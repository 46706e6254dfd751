#pragma once

#include "cli/Environment.h"
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
// standard one), or a device named outright.
struct PortChoice {
    int number = 1;
    QString device;   // set: used instead of the number
};

// --port N and --device PATH, shared by download and upload.
QList<QCommandLineOption> portOptions();
// From the options; without them, the number in setup.inf as the window reads it (port 1
// when the file is missing or holds no number, as the window starts). False with a message
// for a bad value.
bool choosePort(const QCommandLineParser &parser, const Environment &env, PortChoice &choice, QString *error);

struct TransferResult {
    TransferEngine::Outcome outcome = TransferEngine::Outcome::None;
    QString reason;
    int pages = 0;   // pages accepted
    bool interrupted = false;
};

// A whole download into g.Image or upload of it, with the window's engine, bytes and rules;
// progress on stderr, Ctrl+C as Escape.
TransferResult runDownload(Globals &g, const PortChoice &port, Environment &env);
TransferResult runUpload(Globals &g, const PortChoice &port, Environment &env);

}  // namespace quillet::cli
