#include "cli/History.h"

#include "core/History.h"
#include "core/Paths.h"

#include <QDir>
#include <QFileInfo>
#include <QJsonArray>

namespace quillet::cli {

namespace {

QJsonValue orNull(const QString &text) { return text.isEmpty() ? QJsonValue() : QJsonValue(text); }

}  // namespace

HistoryCommand::HistoryCommand()
    : Command(QStringLiteral("history"),
              QStringLiteral("List the memories the transfers kept, newest first, each with what changed since the "
                             "one before it."))
{
    addOption(jsonOption());
    addOption(QCommandLineOption(QStringLiteral("folder"),
                                 QStringLiteral("The history folder to list; the program's DATA/History when left out."),
                                 QStringLiteral("DIR")),
              Values::Folder);
}

int HistoryCommand::run(const QCommandLineParser &parser, Environment &env)
{
    const bool given = parser.isSet(QStringLiteral("folder"));
    const QString folder = given ? parser.value(QStringLiteral("folder")) : historyFolder(env.documentsDir);
    const QFileInfo info(folder);
    if (given && !info.isDir())
        return fail(env, info.exists() ? QStringLiteral("\"%1\" is not a folder").arg(folder)
                                       : QStringLiteral("\"%1\": no such folder").arg(folder));
    std::vector<HistoryEntry> entries = listHistory(folder);
    summarizeHistory(entries);

    if (parser.isSet(QStringLiteral("json"))) {
        QJsonArray list;
        for (const HistoryEntry &e : entries)
            list.append(QJsonObject{{QStringLiteral("file"), e.name},
                                    {QStringLiteral("path"), QDir::toNativeSeparators(e.path)},
                                    {QStringLiteral("time"), e.when.toString(Qt::ISODate)},
                                    {QStringLiteral("transfer"), orNull(e.kind)},
                                    {QStringLiteral("summary"), orNull(e.ok() ? e.summary : QString())},
                                    {QStringLiteral("problem"), orNull(e.problem)}});
        printJson(env, QStringLiteral("quillet-history"),
                  QJsonObject{{QStringLiteral("folder"), QDir::toNativeSeparators(folder)},
                              {QStringLiteral("entries"), list}});
        return exitcode::Ok;
    }
    if (entries.empty()) {
        printText(env, QStringLiteral("No transfer has been kept in %1.\n").arg(QDir::toNativeSeparators(folder)));
        return exitcode::Ok;
    }
    QString text;
    for (const HistoryEntry &e : entries) {
        const QString kind = e.kind.isEmpty() ? QStringLiteral("-") : e.kind;
        text += QStringLiteral("%1  %2  %3\n")
                    .arg(e.when.toString(QStringLiteral("yyyy-MM-dd HH:mm:ss")), kind.leftJustified(8),
                         e.ok() ? e.summary : e.name + QStringLiteral(": ") + e.problem);
    }
    printText(env, text);
    return exitcode::Ok;
}

}  // namespace quillet::cli
