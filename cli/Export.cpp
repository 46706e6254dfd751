#include "cli/Export.h"

#include "cli/Document.h"
#include "cli/Files.h"
#include "core/MemoryText.h"
#include "core/Paths.h"

namespace quillet::cli {

ExportCommand::ExportCommand()
    : Command(QStringLiteral("export"),
              QStringLiteral("Write a data or model file as text (JSON) that import turns back into the same bytes."))
{
    addPositional(QStringLiteral("FILE"), QStringLiteral("A data (.DAT) or model (.MOD) file, or - for standard input."),
                  Values::DataOrModelFile);
    addOption(outputOption(QStringLiteral("OUT"), QStringLiteral("The text file to write; standard output without it.")),
              Values::TextFile);
    addOption(forceOption());
}

QString ExportCommand::usageTail() const { return QStringLiteral("FILE [-o OUT.json [--force]]"); }

int ExportCommand::run(const QCommandLineParser &parser, Environment &env)
{
    const QString output = parser.isSet(QStringLiteral("output")) ? parser.value(QStringLiteral("output"))
                                                                  : QStringLiteral("-");
    const bool force = parser.isSet(QStringLiteral("force"));
    const QString input = parser.positionalArguments().constFirst();
    QString error;
    if (!isStandardStream(output) && (hasDataSuffix(output) || hasModelSuffix(output)))
        return fail(env, QStringLiteral("\"%1\" is a data or model file name; the text goes to a .json file")
                             .arg(output));
    if (!checkOutput(env, output, force, false, &error) || !checkNotInput(input, output, &error))
        return fail(env, error);
    Document doc;
    if (!loadDocument(env, input, doc, &error))
        return fail(env, error);
    const QString schema = env.shippedDir.isEmpty() ? QString() : memoryTextSchemaUri(env.shippedDir);
    return writeOutputFile(env, output, doc.isModel() ? modelText(doc.model, schema) : memoryText(*doc.image, schema),
                           force);
}

}  // namespace quillet::cli
