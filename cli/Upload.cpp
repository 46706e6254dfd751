#include "cli/Upload.h"

#include "cli/Document.h"
#include "cli/TransferRun.h"
#include "core/Globals.h"

#include <memory>

namespace quillet::cli {

UploadCommand::UploadCommand()
    : TransferCommand(QStringLiteral("upload"), QStringLiteral("Write a data file into the remote's memory."))
{
    addPositional(QStringLiteral("FILE"), QStringLiteral("The data file to send; - reads it from standard input."),
                  Values::DataFile);
    addPortOptions();
    addOption(quietOption());
}

QString UploadCommand::usageTail() const { return QStringLiteral("FILE [--port N | --port-device PATH] [--quiet]"); }

int UploadCommand::run(const QCommandLineParser &parser, Environment &env)
{
    const QString path = parser.positionalArguments().constFirst();
    const bool quiet = parser.isSet(QStringLiteral("quiet"));
    QString error;
    Document doc;
    if (!loadDocument(env, path, doc, &error))
        return fail(env, error);
    if (doc.isModel())
        return fail(env, QStringLiteral("%1 is a model file; the remote takes a whole data file").arg(doc.shown()));
    PortChoice port;
    if (!choosePort(parser, env, port, &error))
        return fail(env, error);
    noteOldPortOption(env, quiet);

    auto g = std::make_unique<Globals>();
    g->Image = *doc.image;
    g->LoadedKind = 1;
    const TransferResult result = runUpload(*g, port, quiet, env);
    switch (result.outcome) {
    case TransferEngine::Outcome::Succeeded:
        if (!quiet)
            env.out << visible(QStringLiteral("%1 sent").arg(doc.shown())) << Qt::endl;
        return exitcode::Ok;
    case TransferEngine::Outcome::NotStarted:
        return fail(env, result.reason);
    default:
        return fail(env, QStringLiteral("failed: %1").arg(result.reason), failureExitCode(result));
    }
}

}  // namespace quillet::cli
