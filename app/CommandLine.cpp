#include "app/CommandLine.h"

#include <QCommandLineParser>
#include <QGuiApplication>

#include <cstdio>
#include <cstdlib>
#include <cstring>

namespace quillet {

bool asksOnlyForText(int argc, char **argv)
{
    for (int i = 1; i < argc; ++i) {
        const char *a = argv[i];
        if (std::strcmp(a, "--") == 0)
            return false;
        for (const char *option : {"-h", "-?", "--help", "--help-all", "-v", "--version"}) {
            if (std::strcmp(a, option) == 0)
                return true;
        }
    }
    return false;
}

QString readCommandLine(QCoreApplication &app)
{
    QCoreApplication::setApplicationName(QStringLiteral("Quillet"));
    QCoreApplication::setApplicationVersion(QStringLiteral(QUILLET_VERSION));
    // Ties the windows to the installed desktop entry (its name and icon in the task bar).
    QGuiApplication::setDesktopFileName(QStringLiteral(QUILLET_APP_ID));

    QCommandLineParser parser;
    parser.setApplicationDescription(
        QStringLiteral("Configures a programmable touch-screen remote control: its devices, key pages, "
                       "main menu, timers and hot macros."));
    parser.addHelpOption();
    parser.addVersionOption();
    parser.addPositionalArgument(QStringLiteral("FILE"),
                                 QStringLiteral("A data file (*.DAT) or a model file (*.MOD) to open."),
                                 QStringLiteral("[FILE]"));
    parser.process(app);

    const QStringList files = parser.positionalArguments();
    if (files.size() > 1) {
        std::fprintf(stderr, "%s: one file at a time, not %lld\n", qPrintable(QCoreApplication::applicationName()),
                     static_cast<long long>(files.size()));
        std::exit(1);
    }
    return files.value(0);
}

}  // namespace quillet
