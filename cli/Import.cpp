#include "cli/Import.h"

#include "cli/Files.h"
#include "core/MemoryText.h"
#include "core/Paths.h"

#include <QFileInfo>

namespace quillet::cli {

namespace {
const QString kCheck = QStringLiteral("check");
}  // namespace

ImportCommand::ImportCommand()
    : Command(QStringLiteral("import"),
              QStringLiteral("Check a memory's text (as export writes it) and write it back as a data or model file."))
{
    addPositional(QStringLiteral("IN.json"), QStringLiteral("The text."));
    addOption(outputOption(QStringLiteral("OUT"),
                           QStringLiteral("The data (.DAT) or model (.MOD) file to write, as the text's kind says.")));
    addOption(forceOption());
    addOption(QCommandLineOption(kCheck, QStringLiteral("Only check the text, as without -o.")));
}

QString ImportCommand::usageTail() const { return QStringLiteral("IN.json (-o OUT.DAT|OUT.MOD [--force] | --check)"); }

int ImportCommand::run(const QCommandLineParser &parser, Environment &env)
{
    const QString input = parser.positionalArguments().constFirst();
    const QString output = parser.value(QStringLiteral("output"));
    const bool force = parser.isSet(QStringLiteral("force"));
    if (parser.isSet(kCheck) && !output.isEmpty())
        return fail(env, QStringLiteral("--check writes nothing; leave out -o, or --check"));
    QString error;
    if (!output.isEmpty() && !hasDataSuffix(output) && !hasModelSuffix(output))
        return fail(env, QStringLiteral("\"%1\" is no data or model file name; end it in .DAT or .MOD").arg(output));
    if (!output.isEmpty() && !checkOutput(output, force, &error))
        return fail(env, error);
    if (!QFileInfo::exists(input))
        return fail(env, QStringLiteral("\"%1\" does not exist").arg(input));
    QByteArray text;
    if (!readMemoryTextFile(input, text, &error))
        return fail(env, error);

    const TextImport result = importMemoryText(text);
    for (const TextProblem &p : result.problems)
        fail(env, QStringLiteral("\"%1\" %2").arg(input, p.text()));
    if (!result.ok())
        return exitcode::BadInput;
    const QString kind = result.model ? QStringLiteral("model") : QStringLiteral("data");
    if (!output.isEmpty() && (result.model ? !hasModelSuffix(output) : !hasDataSuffix(output)))
        return fail(env,
                    QStringLiteral("\"%1\" holds a %2 file's text; write it to a .%3 file")
                        .arg(input, kind, result.model ? QStringLiteral("MOD") : QStringLiteral("DAT")));
    for (const QString &note : result.notes)
        fail(env, QStringLiteral("note: %1").arg(note));
    if (output.isEmpty()) {
        env.out << QStringLiteral("\"%1\" is a sound text of a %2 file").arg(input, kind) << Qt::endl;
        return exitcode::Ok;
    }
    if (!writeOutput(output, result.file, force, &error))
        return fail(env, error, exitcode::Failed);
    return exitcode::Ok;
}

}  // namespace quillet::cli
