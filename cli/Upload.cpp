#include "cli/Upload.h"

#include "cli/Check.h"
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
    addOption(QCommandLineOption(QStringLiteral("strict"),
                                 QStringLiteral("Send nothing when the memory check finds errors (exit 1).")));
}

QString UploadCommand::usageTail() const
{
    return QStringLiteral("FILE [--port N | --port-device PATH] [--quiet] [--strict]");
}

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
    // What the remote would do otherwise than meant is said before anything is sent, with
    // the counts check gives; only errors stop a strict upload.
    const std::vector<Finding> findings = checkMemory(*doc.image);
    const CheckCounts counts = countFindings(findings);
    if (!quiet)
        noteFindings(env, name(), findings);
    if (parser.isSet(QStringLiteral("strict")) && counts.errors > 0)
        return fail(env,
                    QStringLiteral("%1 has %2; nothing sent (see %3 check)")
                        .arg(doc.shown(), countsPhrase(counts), QLatin1String(ProgramName)),
                    exitcode::Failed);
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
            env.out << visible(findings.empty() ? QStringLiteral("%1 sent").arg(doc.shown())
                                                : QStringLiteral("%1 sent with %2").arg(doc.shown(), countsPhrase(counts)))
                    << Qt::endl;
        return exitcode::Ok;
    case TransferEngine::Outcome::NotStarted:
        return fail(env, result.reason);
    default:
        return fail(env, QStringLiteral("failed: %1").arg(result.reason), failureExitCode(result));
    }
}

}  // namespace quillet::cli
