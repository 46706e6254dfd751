#pragma once

#include "link/LinkInterfaces.h"

#include <QString>
#include <QTextStream>

#include <functional>
#include <memory>

class QIODevice;

namespace quillet::cli {

inline constexpr char ProgramName[] = "quillet-cli";

// Exit codes a script can rely on (diff(1)'s for diff). A stop signal ends the program
// with 128 + its number, as shells expect: 130 for Ctrl+C.
namespace exitcode {
constexpr int Ok = 0;
constexpr int Failed = 1;     // a transfer or a save failed; diff found differences; check found errors
constexpr int BadInput = 2;   // the command line, a file or a port was not usable; diff's and check's write errors
}  // namespace exitcode

// What a subcommand may use of the world around it. main() fills it from the process;
// tests hand in string streams, buffers, a folder of their own and a quicker clock.
struct Environment {
    Environment(QTextStream &o, QTextStream &e) : out(o), err(e) {}

    QTextStream &out;
    QTextStream &err;
    // Standard input and output as bytes, for "-" in place of a file. Standard output is
    // the device under `out`: flush `out` before writing to it.
    QIODevice *stdIn = nullptr;
    QIODevice *stdOut = nullptr;
    // A failed write to standard output was told already; it is not told again at the end.
    bool stdOutFailureTold = false;
    // The exit code of a failed write to standard output; diff, whose 1 means "differences
    // found", makes it 2 as other diffs do.
    int writeErrorCode = exitcode::Failed;
    bool outIsTerminal = false;
    bool errIsTerminal = false;
    // The terminal does not take escape codes (TERM=dumb) or the user wants none (NO_COLOR).
    bool plainTerminal = false;
    // The terminal's width; 0 when unknown. measureColumns asks it again (after a resize).
    int columns = 0;
    std::function<int()> measureColumns;
    // Where setup.inf is, and where the pictures key faces are drawn from: the program's
    // folder, or when installed the per-user data folder and the share folder.
    QString documentsDir;
    QString shippedDir;
    // The transfer's time; empty: real time.
    std::function<std::unique_ptr<Clock>()> makeClock;
    // Empty-line timeout of the transfer's waits; 0 keeps the engine's own.
    int transferTimeoutMs = 0;

    // "quillet-cli: <message>" on stderr, in the messages' one style; returns code.
    int fail(const QString &message, int code = exitcode::BadInput);
    // The width text is wrapped to: the terminal's, within reason.
    int textWidth() const;
};

// A message in the style every message of the program has: a lower-case first word (not
// a name such as "TV"), no full stop at the end, control bytes shown as escapes.
QString messageStyle(const QString &message);

// Text from a file (names, labels) made safe for a terminal: every control byte but the
// line break is shown as a visible escape, \x1b for ESC, and every bidirectional control as
// U+202E and the like, so a shared file cannot rewrite or clear the user's screen or turn
// a line around. Other characters, emoji included, print as themselves.
QString visible(const QString &text);

}  // namespace quillet::cli
