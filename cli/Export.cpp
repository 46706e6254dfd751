#include "cli/Export.h"

#include "cli/Document.h"
#include "cli/Files.h"
#include "core/MemoryText.h"

namespace quillet::cli {

ExportCommand::ExportCommand()
    : Command(QStringLiteral("export"),
              QStringLiteral("Write a data or model file as text (JSON) that import turns back into the same bytes."))
{
    addPositional(QStringLiteral("FILE"), QStringLiteral("A data (.DAT) or model (.MOD) file."));
    addOption(
        outputOption(QStringLiteral("OUT"), QStringLiteral("The text file to write; standard output without it.")));
    addOption(forceOption());
}

QString ExportCommand::usageTail() const { return QStringLiteral("FILE [-o OUT.json [--force]]"); }

int ExportCommand::run(const QCommandLineParser &parser, Environment &env)
{
    const QString output = parser.value(QStringLiteral("output"));
    const bool force = parser.isSet(QStringLiteral("force"));
    QString error;
    if (!output.isEmpty() && !checkOutput(output, force, &error))
        return fail(env, error);
    Document doc;
    if (!loadDocument(parser.positionalArguments().constFirst(), doc, &error))
        return fail(env, error);
    const QString schema = env.shippedDir.isEmpty() ? QString() : memoryTextSchemaUri(env.shippedDir);
    const QByteArray text = doc.isModel() ? modelText(doc.model, schema) : memoryText(*doc.image, schema);
    if (output.isEmpty()) {
        env.out << QString::fromUtf8(text) << Qt::flush;
        return exitcode::Ok;
    }
    if (!writeOutput(output, text, force, &error))
        return fail(env, error, exitcode::Failed);
    return exitcode::Ok;
}

}  // namespace quillet::cli
