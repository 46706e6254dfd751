#include "cli/Upload.h"

#include "cli/Document.h"
#include "cli/TransferRun.h"
#include "core/Globals.h"

#include <memory>

namespace quillet::cli {

UploadCommand::UploadCommand()
    : Command(QStringLiteral("upload"), QStringLiteral("Write a data file into the remote's memory."))
{
    addPositional(QStringLiteral("FILE"), QStringLiteral("The data file to send."));
    addOptions(portOptions());
}

QString UploadCommand::usageTail() const { return QStringLiteral("FILE [--port N | --device PATH]"); }

int UploadCommand::run(const QCommandLineParser &parser, Environment &env)
{
    const QString path = parser.positionalArguments().constFirst();
    QString error;
    Document doc;
    if (!loadDocument(path, doc, &error))
        return fail(env, error);
    if (doc.isModel())
        return fail(env, QStringLiteral("\"%1\" is a model file; the remote takes a whole data file").arg(path));
    PortChoice port;
    if (!choosePort(parser, env, port, &error))
        return fail(env, error);

    auto g = std::make_unique<Globals>();
    g->Image = *doc.image;
    g->LoadedKind = 1;
    const TransferResult result = runUpload(*g, port, env);
    switch (result.outcome) {
    case TransferEngine::Outcome::Succeeded:
        env.out << QStringLiteral("%1 sent").arg(path) << Qt::endl;
        return exitcode::Ok;
    case TransferEngine::Outcome::NotStarted:
        return fail(env, result.reason);
    default:
        return fail(env, QStringLiteral("failed: %1").arg(result.reason), exitcode::Failed);
    }
}

}  // namespace quillet::cli
