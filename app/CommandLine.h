#pragma once

#include <QString>

class QCoreApplication;

namespace quillet {

// True when the command line asks only for text (--help, --version): it is answered
// without starting the window system, so it works where there is no display.
bool asksOnlyForText(int argc, char **argv);

// Gives the application its name, version and desktop entry, and reads its command line:
// --help, --version and an optional FILE to open. --help and --version print and end the
// program here, and so does a command line that cannot be used (with the reason).
// Returns FILE, or an empty string.
QString readCommandLine(QCoreApplication &app);

}  // namespace quillet
