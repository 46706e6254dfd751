#include "cli/Diff.h"

#include "cli/Document.h"
#include "cli/TextLayout.h"
#include "core/ImageCompare.h"

#include <QJsonArray>

namespace quillet::cli {

namespace {

// Stable JSON words for the groups and changes; the text uses the program's own names.
QString groupKey(Difference::Group g)
{
    switch (g) {
    case Difference::Group::Menu: return QStringLiteral("menu");
    case Difference::Group::Devices: return QStringLiteral("devices");
    case Difference::Group::Timers: return QStringLiteral("timers");
    case Difference::Group::Macros: return QStringLiteral("macros");
    case Difference::Group::Backups: return QStringLiteral("backups");
    case Difference::Group::OtherBytes: return QStringLiteral("otherBytes");
    }
    return {};
}

QString changeKey(Difference::Change c)
{
    switch (c) {
    case Difference::Change::Added: return QStringLiteral("added");
    case Difference::Change::Removed: return QStringLiteral("removed");
    case Difference::Change::Changed: return QStringLiteral("changed");
    }
    return {};
}

// A count from 0 as the user reads it, from 1; null where it does not apply.
QJsonValue fromOne(int n) { return n >= 0 ? QJsonValue(n + 1) : QJsonValue(); }

QJsonObject differenceJson(const Difference &d)
{
    QJsonValue device;
    if (d.bank >= 0)
        device = QJsonObject{{QStringLiteral("bank"), d.bank + 1}, {QStringLiteral("name"), d.device}};
    const bool timer = d.group == Difference::Group::Timers;
    const bool macro = d.group == Difference::Group::Macros;
    const bool backup = d.group == Difference::Group::Backups;
    return QJsonObject{{QStringLiteral("group"), groupKey(d.group)},
                       {QStringLiteral("change"), changeKey(d.change)},
                       {QStringLiteral("device"), device},
                       {QStringLiteral("page"), fromOne(d.page)},
                       {QStringLiteral("key"), fromOne(d.key)},
                       {QStringLiteral("timer"), timer ? fromOne(d.number) : QJsonValue()},
                       {QStringLiteral("hotMacro"), macro ? fromOne(d.number) : QJsonValue()},
                       {QStringLiteral("step"), d.step >= 0 ? QJsonValue(d.step) : QJsonValue()},
                       {QStringLiteral("backupSlot"), backup ? fromOne(d.number) : QJsonValue()},
                       {QStringLiteral("area"), d.count >= 0 ? QJsonValue(d.subject) : QJsonValue()},
                       {QStringLiteral("bytes"), d.count >= 0 ? QJsonValue(d.count) : QJsonValue()},
                       {QStringLiteral("property"), d.property},
                       {QStringLiteral("first"), d.firstValue},
                       {QStringLiteral("second"), d.secondValue},
                       {QStringLiteral("text"), d.sentence}};
}

}  // namespace

DiffCommand::DiffCommand()
    : Command(QStringLiteral("diff"),
              QStringLiteral("Show what differs between two data files or two model files; exit 1 when anything does."))
{
    addPositional(QStringLiteral("A"), QStringLiteral("The earlier file; - reads standard input."),
                  Values::DataOrModelFile);
    addPositional(QStringLiteral("B"), QStringLiteral("The later file, of the same kind."), Values::DataOrModelFile);
    addOption(jsonOption());
}

int DiffCommand::run(const QCommandLineParser &parser, Environment &env)
{
    env.writeErrorCode = exitcode::BadInput;
    const QStringList args = parser.positionalArguments();
    if (isStandardStream(args[0]) && isStandardStream(args[1]))
        return fail(env, QStringLiteral("only one of A and B can be standard input"));
    QString error;
    Document a;
    Document b;
    if (!loadDocument(env, args[0], a, &error) || !loadDocument(env, args[1], b, &error))
        return fail(env, error);
    if (a.kind != b.kind)
        return fail(env, QStringLiteral("%1 is a %2 file and %3 a %4 file; compare two of a kind")
                             .arg(a.shown(), a.isModel() ? QStringLiteral("model") : QStringLiteral("data"), b.shown(),
                                  b.isModel() ? QStringLiteral("model") : QStringLiteral("data")));
    const std::vector<Difference> diffs = a.isModel() ? compareModels(a.model, b.model)
                                                      : compareImages(*a.image, *b.image);

    if (parser.isSet(QStringLiteral("json"))) {
        QJsonArray list;
        for (const Difference &d : diffs)
            list.append(differenceJson(d));
        printJson(env, QStringLiteral("quillet-diff"),
                  QJsonObject{{QStringLiteral("first"), a.path},
                              {QStringLiteral("second"), b.path},
                              {QStringLiteral("differences"), list}});
    } else if (!diffs.empty()) {
        // One heading per group; the comparison gives them in group order.
        QString text;
        bool first = true;
        Difference::Group group{};
        for (const Difference &d : diffs) {
            if (first || d.group != group)
                text += groupName(d.group) + QStringLiteral(":\n");
            first = false;
            group = d.group;
            text += QStringLiteral("  ") + d.sentence + QLatin1Char('\n');
        }
        text += counted(static_cast<qint64>(diffs.size()), QStringLiteral("difference")) + QLatin1Char('\n');
        printText(env, text);
    }
    return diffs.empty() ? exitcode::Ok : exitcode::Failed;
}

}  // namespace quillet::cli
