#include "cli/Import.h"

#include "cli/Check.h"
#include "cli/Document.h"
#include "cli/Files.h"
#include "cli/Fragments.h"
#include "core/DataFile.h"
#include "core/Fragment.h"
#include "core/MemoryImage.h"
#include "core/ModelFile.h"
#include "core/MemoryText.h"
#include "core/Paths.h"

#include <memory>

namespace quillet::cli {

namespace {
const QString kCheck = QStringLiteral("check");
const QString kInto = QStringLiteral("into");
const QString kBank = QStringLiteral("bank");
const QString kName = QStringLiteral("name");

// The memory check of the file a text makes.
std::vector<Finding> checkImported(const TextImport &result)
{
    if (result.model) {
        auto device = std::make_unique<DeviceWorkset>();
        fillWorksetFromModelFile(*device, result.file);
        return checkModel(*device);
    }
    auto image = std::make_unique<MemoryImage>();
    fillImageFromDataFile(*image, result.file);
    return checkMemory(*image);
}

// A memory text or a fragment, read to the size a text may have.
bool readText(Environment &env, const QString &input, QByteArray &text, QString *error)
{
    qint64 size = 0;
    if (!readInput(env, input, MemoryTextMaxSize + 1, text, size, error))
        return false;
    if (size > MemoryTextMaxSize) {
        *error = memoryTextTooLarge(shownInput(input), size);
        return false;
    }
    return true;
}

// The name a text's problems start with: FILE:LINE:COL, as compilers write.
QString problemFile(const QString &input)
{
    return isStandardStream(input) ? QStringLiteral("standard input") : input;
}

}  // namespace

ImportCommand::ImportCommand()
    : Command(QStringLiteral("import"),
              QStringLiteral("Check a memory's text (as export writes it) and write it back as a data or model file; "
                             "or paste a fragment into a copy of a data file."))
{
    addPositional(QStringLiteral("IN.json"), QStringLiteral("The text, or - for standard input."), Values::TextFile);
    addOption(outputOption(QStringLiteral("OUT"),
                           QStringLiteral("The data (.DAT) or model (.MOD) file to write, as the text's kind says.")),
              Values::DataOrModelFile);
    addOption(forceOption());
    addOption(QCommandLineOption(kCheck, QStringLiteral("Only check the text, as without -o.")));
    addOption(QCommandLineOption(kInto,
                                 QStringLiteral("Paste a fragment (as export --device, --timer or --macro writes it) "
                                                "into a copy of this data file, written to -o."),
                                 QStringLiteral("FILE")),
              Values::DataFile);
    addOption(QCommandLineOption(kBank, QStringLiteral("With --into: the bank (1 to 10) a device goes into; the first "
                                                       "empty bank without it."),
                                 QStringLiteral("N")),
              Values::Word);
    addOption(QCommandLineOption(kName, QStringLiteral("With --into: the name of a device's menu button; the "
                                                       "fragment's without it."),
                                 QStringLiteral("NAME")),
              Values::Word);
}

QString ImportCommand::usageTail() const { return QStringLiteral("IN.json (-o OUT.DAT|OUT.MOD [--force] | --check)\n       FRAGMENT.json --into FILE [--bank N] [--name NAME] -o OUT.DAT [--force]"); }

int ImportCommand::run(const QCommandLineParser &parser, Environment &env)
{
    const QString input = parser.positionalArguments().constFirst();
    const QString output = parser.value(QStringLiteral("output"));
    const bool force = parser.isSet(QStringLiteral("force"));
    const bool toFile = !output.isEmpty() && !isStandardStream(output);
    if (parser.isSet(kCheck) && !output.isEmpty())
        return fail(env, QStringLiteral("--check writes nothing; leave out -o, or --check"));
    if (parser.isSet(kInto))
        return runInto(parser, env);
    if (parser.isSet(kBank) || parser.isSet(kName))
        return fail(env, QStringLiteral("--bank and --name go with --into"));
    QString error;
    if (toFile && !isDataFileName(output) && !isModelFileName(output))
        return fail(env, QStringLiteral("\"%1\" is no data or model file name; end it in .DAT or .MOD").arg(output));
    if (!output.isEmpty() && (!checkOutput(env, output, force, true, &error) || !checkNotInput(input, output, &error)))
        return fail(env, error);
    QByteArray text;
    if (!readText(env, input, text, &error))
        return fail(env, error);

    if (const QString holds = fragmentHolds(text); !holds.isEmpty())
        return fail(env, holds == QLatin1String("keys") || holds == QLatin1String("a page")
                             ? QStringLiteral("%1 is a fragment (%2); paste it in Edit Device of the window")
                                   .arg(shownInput(input), holds)
                             : QStringLiteral("%1 is a fragment (%2); paste it with --into FILE")
                                   .arg(shownInput(input), holds));
    const TextImport result = importMemoryText(text);
    // FILE:LINE:COL: PATH: message, as compilers write, so that editors jump to each place.
    const QString file = problemFile(input);
    for (const TextProblem &p : result.problems)
        env.err << file << ':' << p.text() << Qt::endl;
    if (result.unshown > 0)
        env.err << file << QStringLiteral(": and %1 more").arg(result.unshown) << Qt::endl;
    if (!result.ok())
        return exitcode::BadInput;
    const QString kind = result.model ? QStringLiteral("model") : QStringLiteral("data");
    if (toFile && (result.model ? !isModelFileName(output) : !isDataFileName(output)))
        return fail(env, QStringLiteral("%1 holds a %2 file's text; write it to a .%3 file")
                             .arg(shownInput(input), kind, result.model ? QStringLiteral("MOD") : QStringLiteral("DAT")));
    for (const QString &note : result.notes)
        fail(env, QStringLiteral("note: %1").arg(note));
    int code = exitcode::Ok;
    if (output.isEmpty())
        env.out << QStringLiteral("%1 is a sound text of a %2 file").arg(shownInput(input), kind) << Qt::endl;
    else
        code = writeOutputFile(env, output, result.file, force);
    if (code == exitcode::Ok)
        noteFindings(env, name(), checkImported(result));
    return code;
}

int ImportCommand::runInto(const QCommandLineParser &parser, Environment &env)
{
    const QString input = parser.positionalArguments().constFirst();
    const QString output = parser.value(QStringLiteral("output"));
    const QString target = parser.value(kInto);
    const bool force = parser.isSet(QStringLiteral("force"));
    QString error;
    // Neither the data file the fragment goes into nor the fragment is ever written over,
    // not even when named again as -o, by another path or through a link.
    if (!output.isEmpty() && (!checkNotInput(target, output, &error) || !checkNotInput(input, output, &error)))
        return fail(env, error);
    if (parser.isSet(kCheck) || output.isEmpty() || (!isStandardStream(output) && !isDataFileName(output)))
        return fail(env, QStringLiteral("--into writes a copy of the data file; give -o OUT.DAT, or -o - for "
                                        "standard output"));
    int bank = -1;
    if (parser.isSet(kBank)) {
        bool ok = false;
        bank = parser.value(kBank).toInt(&ok) - 1;
        if (!ok || bank < 0 || bank > 9)
            return fail(env, QStringLiteral("--bank takes a bank from 1 to 10, not \"%1\"").arg(parser.value(kBank)));
    }
    if (!checkOutput(env, output, force, true, &error))
        return fail(env, error);
    Document into;
    if (!loadDocument(env, target, into, &error))
        return fail(env, error);
    if (into.isModel())
        return fail(env, QStringLiteral("%1 is a model file; a fragment goes into a data file").arg(into.shown()));
    QByteArray text;
    if (!readText(env, input, text, &error))
        return fail(env, error);
    const FragmentPaste paste = pasteFragment(text, problemFile(input), shownInput(input), into, bank,
                                              parser.value(kName), parser.isSet(kBank));
    if (paste.usage) {
        for (const QString &p : paste.problems)
            fail(env, p);
        return exitcode::BadInput;
    }
    // FILE:LINE:COL: PATH: message, as the whole text's problems.
    for (const QString &p : paste.problems)
        env.err << p << Qt::endl;
    if (paste.file.isEmpty())
        return exitcode::BadInput;
    const int code = writeOutputFile(env, output, paste.file, force);
    if (code != exitcode::Ok)
        return code;
    // Where the piece went, beside the output where it goes to a file.
    if (isStandardStream(output))
        fail(env, paste.done);
    else
        env.out << paste.done << Qt::endl;
    auto image = std::make_unique<MemoryImage>();
    fillImageFromDataFile(*image, paste.file);
    noteFindings(env, name(), checkMemory(*image));
    return code;
}

}  // namespace quillet::cli
