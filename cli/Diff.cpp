#include "cli/Diff.h"

#include "cli/Document.h"
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

}  // namespace

DiffCommand::DiffCommand()
    : Command(QStringLiteral("diff"),
              QStringLiteral("Show what differs between two data files or two model files; exit 1 when anything does."))
{
    addPositional(QStringLiteral("A"), QStringLiteral("The earlier file."));
    addPositional(QStringLiteral("B"), QStringLiteral("The later file, of the same kind."));
    addOption(jsonOption());
}

int DiffCommand::run(const QCommandLineParser &parser, Environment &env)
{
    const QStringList args = parser.positionalArguments();
    QString error;
    Document a;
    Document b;
    if (!loadDocument(args[0], a, &error) || !loadDocument(args[1], b, &error))
        return fail(env, error);
    if (a.kind != b.kind)
        return fail(env, QStringLiteral("\"%1\" is a %2 file and \"%3\" a %4 file; compare two of a kind")
                             .arg(a.path, a.isModel() ? QStringLiteral("model") : QStringLiteral("data"), b.path,
                                  b.isModel() ? QStringLiteral("model") : QStringLiteral("data")));
    const std::vector<Difference> diffs = a.isModel() ? compareModels(a.model, b.model)
                                                      : compareImages(*a.image, *b.image);

    if (parser.isSet(QStringLiteral("json"))) {
        QJsonArray list;
        for (const Difference &d : diffs)
            list.append(QJsonObject{{QStringLiteral("group"), groupKey(d.group)},
                                    {QStringLiteral("change"), changeKey(d.change)},
                                    {QStringLiteral("subject"), d.subject},
                                    {QStringLiteral("what"), d.what},
                                    {QStringLiteral("first"), d.first},
                                    {QStringLiteral("second"), d.second},
                                    {QStringLiteral("text"), d.sentence}});
        printJson(env, QJsonObject{{QStringLiteral("first"), a.path},
                                   {QStringLiteral("second"), b.path},
                                   {QStringLiteral("differences"), list}});
    } else {
        // One heading per group; the comparison gives them in group order.
        bool first = true;
        Difference::Group group{};
        for (const Difference &d : diffs) {
            if (first || d.group != group)
                env.out << groupName(d.group) << ":\n";
            first = false;
            group = d.group;
            env.out << "  " << d.sentence << '\n';
        }
        env.out.flush();
    }
    return diffs.empty() ? exitcode::Ok : exitcode::Failed;
}

}  // namespace quillet::cli
