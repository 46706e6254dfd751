#include "cli/Download.h"

#include "cli/Files.h"
#include "cli/TransferRun.h"
#include "core/DataFile.h"
#include "core/Globals.h"

#include <memory>

namespace quillet::cli {

DownloadCommand::DownloadCommand()
    : Command(QStringLiteral("download"), QStringLiteral("Read the remote's whole memory into a data file."))
{
    addOption(outputOption(QStringLiteral("OUT.DAT"), QStringLiteral("The data file to write (required).")));
    addOption(forceOption());
    addOptions(portOptions());
}

QString DownloadCommand::usageTail() const
{
    return QStringLiteral("-o OUT.DAT [--port N | --device PATH] [--force]");
}

int DownloadCommand::run(const QCommandLineParser &parser, Environment &env)
{
    const QString output = parser.value(QStringLiteral("output"));
    if (output.isEmpty())
        return fail(env, QStringLiteral("-o OUT.DAT is required"));
    const bool force = parser.isSet(QStringLiteral("force"));
    QString error;
    PortChoice port;
    if (!checkOutput(output, force, &error) || !choosePort(parser, env, port, &error))
        return fail(env, error);

    // The image is large; keep it off the stack.
    auto g = std::make_unique<Globals>();
    const TransferResult result = runDownload(*g, port, env);
    switch (result.outcome) {
    case TransferEngine::Outcome::Succeeded:
        break;
    case TransferEngine::Outcome::NotStarted:
        return fail(env, result.reason);
    default:
        return fail(env, QStringLiteral("failed: %1; nothing written").arg(result.reason), exitcode::Failed);
    }
    if (!writeOutput(output, dataFileBytes(g->Image), force, &error))
        return fail(env, error, exitcode::Failed);
    env.out << QStringLiteral("%1 pages saved to %2").arg(result.pages).arg(output) << Qt::endl;
    return exitcode::Ok;
}

}  // namespace quillet::cli
