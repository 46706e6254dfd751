// quillet-cli: the remote's memory from a terminal and in scripts. Draws without a display
// (the offscreen platform) and never opens a window.

#include "cli/Cli.h"
#include "cli/Files.h"
#include "cli/Platform.h"
#include "core/Paths.h"

#include <QCoreApplication>
#include <QFile>
#include <QGuiApplication>
#include <QTextStream>

#include <cstdio>
#include <memory>

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
    using namespace quillet::cli;
    qInstallMessageHandler(quietQtMessages);

    QStringList arguments;
    for (int i = 0; i < argc; ++i)
        arguments << QString::fromLocal8Bit(argv[i]);

    std::unique_ptr<QCoreApplication> app;
    if (needsGui(arguments)) {
        qputenv("QT_QPA_PLATFORM", "offscreen");
        app = std::make_unique<QGuiApplication>(argc, argv);
    } else {
        app = std::make_unique<QCoreApplication>(argc, argv);
    }

    // Unbuffered below the text streams, so a failed write (a full disk, a closed pipe)
    // shows in the stream's status when it is flushed.
    platform::setBinary(platform::Stream::In);
    platform::setBinary(platform::Stream::Out);
    QFile stdIn;
    StandardOutput stdOut;
    QFile stdErr;
    stdIn.open(0, QIODevice::ReadOnly | QIODevice::Unbuffered);
    stdOut.open(1, QIODevice::WriteOnly | QIODevice::Unbuffered);
    stdErr.open(2, QIODevice::WriteOnly | QIODevice::Unbuffered);
    QTextStream out(&stdOut);
    QTextStream err(&stdErr);
    Environment env(out, err);
    env.stdIn = &stdIn;
    env.stdOut = &stdOut;
    env.outIsTerminal = platform::isTerminal(platform::Stream::Out);
    env.errIsTerminal = platform::isTerminal(platform::Stream::Err);
    env.plainTerminal = qEnvironmentVariableIsSet("NO_COLOR") || qgetenv("TERM") == "dumb";
    const platform::Stream measured = env.errIsTerminal ? platform::Stream::Err : platform::Stream::Out;
    env.measureColumns = [measured] { return platform::terminalColumns(measured); };
    env.columns = env.measureColumns();
    // The same places as the window's: its name decides the per-user data folder.
    QCoreApplication::setApplicationName(QStringLiteral("Quillet"));
    const quillet::Installation where = quillet::locateInstallation(QCoreApplication::applicationDirPath());
    env.documentsDir = where.documents;
    env.shippedDir = where.shipped;
    int code = runCli(QCoreApplication::arguments(), env);
    out.flush();
    if (out.status() != QTextStream::Ok || stdOut.error() != QFileDevice::NoError || !stdOut.firstError().isEmpty()) {
        if (!env.stdOutFailureTold)
            env.fail(QStringLiteral("write error: %1")
                         .arg(stdOut.firstError().isEmpty() ? stdOut.errorString() : stdOut.firstError()));
        code = code == exitcode::Ok || code == exitcode::Failed ? env.writeErrorCode : code;
    }
    err.flush();
    return code;
}
