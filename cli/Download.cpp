#include "cli/Download.h"

#include "cli/Files.h"
#include "cli/TextLayout.h"
#include "cli/TransferRun.h"
#include "core/DataFile.h"
#include "core/Globals.h"
#include "core/Paths.h"

#include <memory>

namespace quillet::cli {

DownloadCommand::DownloadCommand()
    : TransferCommand(QStringLiteral("download"), QStringLiteral("Read the remote's whole memory into a data file."))
{
    addOption(outputOption(QStringLiteral("OUT.DAT"),
                           QStringLiteral("The data file to write (required); - writes it to standard output.")),
              Values::DataFile);
    addOption(forceOption());
    addPortOptions();
    addOption(quietOption());
}

QString DownloadCommand::usageTail() const
{
    return QStringLiteral("-o OUT.DAT [--port N | --port-device PATH] [--force] [--quiet]");
}

int DownloadCommand::run(const QCommandLineParser &parser, Environment &env)
{
    const QString output = parser.value(QStringLiteral("output"));
    if (output.isEmpty())
        return fail(env, QStringLiteral("-o OUT.DAT is required"));
    const bool force = parser.isSet(QStringLiteral("force"));
    const bool quiet = parser.isSet(QStringLiteral("quiet"));
    QString error;
    PortChoice port;
    if (!isStandardStream(output) && (output.endsWith(QLatin1String(".json"), Qt::CaseInsensitive) || isModelFileName(output)))
        return fail(env, QStringLiteral("\"%1\" is no data file name; end it in .DAT").arg(output));
    if (!checkOutput(env, output, force, true, &error) || !choosePort(parser, env, port, &error))
        return fail(env, error);
    noteOldPortOption(env, quiet);

    // The image is large; keep it off the stack.
    auto g = std::make_unique<Globals>();
    const TransferResult result = runDownload(*g, port, quiet, env);
    switch (result.outcome) {
    case TransferEngine::Outcome::Succeeded:
        break;
    case TransferEngine::Outcome::NotStarted:
        return fail(env, result.reason);
    default:
        return fail(env, QStringLiteral("failed: %1; nothing written").arg(result.reason), failureExitCode(result));
    }
    if (const int code = writeOutputFile(env, output, dataFileBytes(g->Image), force); code != exitcode::Ok)
        return code;
    if (!quiet) {
        // Standard output may be the file itself: the summary is for people, on stderr then.
        QTextStream &to = isStandardStream(output) ? env.err : env.out;
        to << QStringLiteral("%1 saved to %2").arg(counted(result.pages, QStringLiteral("page")),
                                                   visible(shownOutput(output)))
           << Qt::endl;
    }
    return exitcode::Ok;
}

}  // namespace quillet::cli
