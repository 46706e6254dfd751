#include "cli/Export.h"

#include "cli/Document.h"
#include "cli/Files.h"
#include "cli/Fragments.h"
#include "core/MemoryText.h"
#include "core/Paths.h"

namespace quillet::cli {

ExportCommand::ExportCommand()
    : Command(QStringLiteral("export"),
              QStringLiteral("Write a data or model file as text (JSON) that import turns back into the same bytes; "
                             "or a fragment of it to paste elsewhere."))
{
    addPositional(QStringLiteral("FILE"), QStringLiteral("A data (.DAT) or model (.MOD) file, or - for standard input."),
                  Values::DataOrModelFile);
    addOption(outputOption(QStringLiteral("OUT"), QStringLiteral("The text file to write; standard output without it.")),
              Values::TextFile);
    addOption(forceOption());
    const QList<QCommandLineOption> fragments = fragmentExportOptions();
    addOption(fragments[0], Values::DeviceNotMenu);
    for (qsizetype i = 1; i < fragments.size(); ++i)
        addOption(fragments[i], Values::Word);
}

QString ExportCommand::usageTail() const { return QStringLiteral("FILE [--device NAME [--page N] | --page N | --timer N | --macro NAME] [-o OUT.json [--force]]"); }

int ExportCommand::run(const QCommandLineParser &parser, Environment &env)
{
    const QString output = parser.isSet(QStringLiteral("output")) ? parser.value(QStringLiteral("output"))
                                                                  : QStringLiteral("-");
    const bool force = parser.isSet(QStringLiteral("force"));
    const QString input = parser.positionalArguments().constFirst();
    QString error;
    if (!isStandardStream(output) && (isDataFileName(output) || isModelFileName(output)))
        return fail(env, QStringLiteral("\"%1\" is a data or model file name; the text goes to a .json file")
                             .arg(output));
    if (!checkOutput(env, output, force, false, &error) || !checkNotInput(input, output, &error))
        return fail(env, error);
    Document doc;
    if (!loadDocument(env, input, doc, &error))
        return fail(env, error);
    if (wantsFragment(parser)) {
        QByteArray text;
        if (!exportFragment(parser, doc, text, &error))
            return fail(env, error);
        return writeOutputFile(env, output, text, force);
    }
    const QString schema = memoryTextSchemaId();
    return writeOutputFile(env, output, doc.isModel() ? modelText(doc.model, schema) : memoryText(*doc.image, schema),
                           force);
}

}  // namespace quillet::cli
