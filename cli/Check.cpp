#include "cli/Check.h"

#include "cli/Document.h"
#include "core/Backups.h"
#include "core/TextCodec.h"

#include <QJsonArray>

namespace quillet::cli {

namespace {
const QString kStrict = QStringLiteral("warnings-as-errors");
}  // namespace

QJsonObject placeJson(const CheckPlace &p)
{
    QJsonObject o;
    const auto optional = [&o](const char *field, int zeroBased) {
        if (zeroBased >= 0)
            o.insert(QLatin1String(field), zeroBased + 1);
    };
    switch (p.kind) {
    case CheckPlace::Timer:
        o.insert(QStringLiteral("kind"), QStringLiteral("timer"));
        o.insert(QStringLiteral("timer"), p.index + 1);
        o.insert(QStringLiteral("name"), trimmedBoth(p.name).isEmpty() ? QJsonValue() : QJsonValue(p.name));
        break;
    case CheckPlace::Macro:
        o.insert(QStringLiteral("kind"), QStringLiteral("macro"));
        o.insert(QStringLiteral("macro"), p.index + 1);
        o.insert(QStringLiteral("name"), trimmedBoth(p.name).isEmpty() ? QJsonValue() : QJsonValue(p.name));
        if (p.step > 0)
            o.insert(QStringLiteral("step"), p.step);
        break;
    case CheckPlace::Menu:
        o.insert(QStringLiteral("kind"), QStringLiteral("menu"));
        optional("page", p.page);
        optional("button", p.bank);
        break;
    case CheckPlace::Backup:
        o.insert(QStringLiteral("kind"), QStringLiteral("backup"));
        o.insert(QStringLiteral("slot"), QString::fromLatin1(BackupSlots[static_cast<size_t>(p.index)].listEntry));
        optional("page", p.page);
        optional("key", p.key);
        break;
    case CheckPlace::Device:
        o.insert(QStringLiteral("kind"), QStringLiteral("device"));
        optional("bank", p.bank);
        if (p.bank >= 0)
            o.insert(QStringLiteral("device"), p.name);
        optional("page", p.page);
        optional("key", p.key);
        break;
    }
    return o;
}

void noteFindings(Environment &env, const QString &command, const std::vector<Finding> &findings)
{
    for (const Finding &f : findings)
        env.err << visible(QStringLiteral("%1: %2: note: %3").arg(QLatin1String(ProgramName), command, f.line()))
                << Qt::endl;
}

CheckCommand::CheckCommand()
    : Command(QStringLiteral("check"),
              QStringLiteral("Name what in data or model files the remote cannot do as meant: keys that are gone, "
                             "timers that never fire, damaged layouts (exit 1 with errors)."))
{
    addPositional(QStringLiteral("FILE"),
                  QStringLiteral("Data (.DAT) or model (.MOD) files; - reads standard input."),
                  Values::DataOrModelFile, false, true);
    addOption(jsonOption());
    addOption(QCommandLineOption(kStrict, QStringLiteral("Count warnings as errors.")));
}

QString CheckCommand::usageTail() const { return QStringLiteral("[--json] [--warnings-as-errors] FILE..."); }

int CheckCommand::run(const QCommandLineParser &parser, Environment &env)
{
    env.writeErrorCode = exitcode::BadInput;   // 1 means errors found
    const QStringList paths = parser.positionalArguments();
    const bool json = parser.isSet(QStringLiteral("json"));
    const bool strict = parser.isSet(kStrict);
    const bool several = paths.size() > 1;
    int code = exitcode::Ok;
    QJsonArray files;
    for (const QString &path : paths) {
        Document doc;
        QString error;
        if (!loadDocument(env, path, doc, &error)) {
            fail(env, error);
            code = exitcode::BadInput;
            continue;
        }
        std::vector<Finding> findings = doc.isModel() ? checkModel(doc.model) : checkMemory(*doc.image);
        if (strict)
            for (Finding &f : findings)
                f.severity = Finding::Error;
        const CheckCounts counts = countFindings(findings);
        if (counts.errors > 0 && code == exitcode::Ok)
            code = exitcode::Failed;
        if (json) {
            QJsonArray list;
            for (const Finding &f : findings)
                list.append(QJsonObject{{QStringLiteral("severity"), f.severityText()},
                                        {QStringLiteral("code"), f.codeText()},
                                        {QStringLiteral("place"), placeJson(f.place)},
                                        {QStringLiteral("message"), f.message},
                                        {QStringLiteral("text"), f.place.text() + QStringLiteral(": ") + f.message}});
            files.append(QJsonObject{{QStringLiteral("file"), doc.path},
                                     {QStringLiteral("type"), doc.isModel() ? QStringLiteral("model") : QStringLiteral("data")},
                                     {QStringLiteral("errors"), counts.errors},
                                     {QStringLiteral("warnings"), counts.warnings},
                                     {QStringLiteral("findings"), list}});
            continue;
        }
        QString text;
        const QString prefix = several ? doc.name() + QStringLiteral(": ") : QString();
        for (const Finding &f : findings)
            text += prefix + f.line() + QLatin1Char('\n');
        text += doc.name() + QStringLiteral(": ") + countsText(counts) + QLatin1Char('\n');
        printText(env, text);
    }
    if (json)
        printJson(env, QStringLiteral("quillet-check"), QJsonObject{{QStringLiteral("files"), files}});
    return code;
}

}  // namespace quillet::cli
