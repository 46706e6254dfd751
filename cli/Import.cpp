#include "cli/Import.h"

#include "cli/Files.h"
#include "core/MemoryText.h"
#include "core/Paths.h"

namespace quillet::cli {

namespace {
const QString kCheck = QStringLiteral("check");
}  // namespace

ImportCommand::ImportCommand()
    : Command(QStringLiteral("import"),
              QStringLiteral("Check a memory's text (as export writes it) and write it back as a data or model file."))
{
    addPositional(QStringLiteral("IN.json"), QStringLiteral("The text, or - for standard input."), Values::TextFile);
    addOption(outputOption(QStringLiteral("OUT"),
                           QStringLiteral("The data (.DAT) or model (.MOD) file to write, as the text's kind says.")),
              Values::DataOrModelFile);
    addOption(forceOption());
    addOption(QCommandLineOption(kCheck, QStringLiteral("Only check the text, as without -o.")));
}

QString ImportCommand::usageTail() const { return QStringLiteral("IN.json (-o OUT.DAT|OUT.MOD [--force] | --check)"); }

int ImportCommand::run(const QCommandLineParser &parser, Environment &env)
{
    const QString input = parser.positionalArguments().constFirst();
    const QString output = parser.value(QStringLiteral("output"));
    const bool force = parser.isSet(QStringLiteral("force"));
    const bool toFile = !output.isEmpty() && !isStandardStream(output);
    if (parser.isSet(kCheck) && !output.isEmpty())
        return fail(env, QStringLiteral("--check writes nothing; leave out -o, or --check"));
    QString error;
    if (toFile && !hasDataSuffix(output) && !hasModelSuffix(output))
        return fail(env, QStringLiteral("\"%1\" is no data or model file name; end it in .DAT or .MOD").arg(output));
    if (!output.isEmpty() && (!checkOutput(env, output, force, true, &error) || !checkNotInput(input, output, &error)))
        return fail(env, error);
    QByteArray text;
    qint64 size = 0;
    if (!readInput(env, input, MemoryTextMaxSize + 1, text, size, &error))
        return fail(env, error);
    if (size > MemoryTextMaxSize)
        return fail(env, memoryTextTooLarge(shownInput(input), size));

    const TextImport result = importMemoryText(text);
    for (const TextProblem &p : result.problems)
        fail(env, QStringLiteral("%1 %2").arg(shownInput(input), p.text()));
    if (!result.ok())
        return exitcode::BadInput;
    const QString kind = result.model ? QStringLiteral("model") : QStringLiteral("data");
    if (toFile && (result.model ? !hasModelSuffix(output) : !hasDataSuffix(output)))
        return fail(env, QStringLiteral("%1 holds a %2 file's text; write it to a .%3 file")
                             .arg(shownInput(input), kind, result.model ? QStringLiteral("MOD") : QStringLiteral("DAT")));
    for (const QString &note : result.notes)
        fail(env, QStringLiteral("note: %1").arg(note));
    if (output.isEmpty()) {
        env.out << QStringLiteral("%1 is a sound text of a %2 file").arg(shownInput(input), kind) << Qt::endl;
        return exitcode::Ok;
    }
    return writeOutputFile(env, output, result.file, force);
}

}  // namespace quillet::cli
