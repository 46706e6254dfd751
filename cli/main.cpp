// quillet-cli: the remote's memory from a terminal and in scripts. Draws without a display
// (the offscreen platform) and never opens a window.

#include "cli/Cli.h"
#include "core/Paths.h"

#include <QCoreApplication>
#include <QGuiApplication>
#include <QTextStream>

#include <cstdio>
#include <memory>
#include <unistd.h>

namespace {

// Qt's own notes (a missing XDG_RUNTIME_DIR under cron, font look-ups) would mix into the
// one-line messages scripts read from stderr; only its critical errors get through.
void quietQtMessages(QtMsgType type, const QMessageLogContext &context, const QString &message)
{
    if (type == QtCriticalMsg || type == QtFatalMsg)
        std::fprintf(stderr, "quillet-cli: %s\n", qPrintable(qFormatLogMessage(type, context, message)));
}

}  // namespace

int main(int argc, char **argv)
{
    qInstallMessageHandler(quietQtMessages);

    QStringList arguments;
    for (int i = 0; i < argc; ++i)
        arguments << QString::fromLocal8Bit(argv[i]);

    std::unique_ptr<QCoreApplication> app;
    if (quillet::cli::needsGui(arguments)) {
        qputenv("QT_QPA_PLATFORM", "offscreen");
        app = std::make_unique<QGuiApplication>(argc, argv);
    } else {
        app = std::make_unique<QCoreApplication>(argc, argv);
    }

    QTextStream out(stdout);
    QTextStream err(stderr);
    quillet::cli::Environment env(out, err);
    env.errIsTerminal = ::isatty(STDERR_FILENO) == 1;
    // The same places as the window's: its name decides the per-user data folder.
    QCoreApplication::setApplicationName(QStringLiteral("Quillet"));
    const quillet::Installation where = quillet::locateInstallation(QCoreApplication::applicationDirPath());
    env.documentsDir = where.documents;
    env.shippedDir = where.shipped;
    const int code = quillet::cli::runCli(QCoreApplication::arguments(), env);
    out.flush();
    err.flush();
    return code;
}
